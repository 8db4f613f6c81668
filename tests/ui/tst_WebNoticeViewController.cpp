#include "ui/WebNoticeViewController.h"

#include "TestSupport.h"
#include "platform/TextCodec.h"

#include <QHttpServer>
#include <QHttpServerResponse>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>

class tst_WebNoticeViewController : public QObject {
    Q_OBJECT

    QHttpServer m_server;
    quint16 m_port = 0;

    QString urlOf(const char* path) const
    {
        return QStringLiteral("http://127.0.0.1:%1").arg(m_port) + QString::fromLatin1(path);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_server.route(QStringLiteral("/utf8.html"), []() {
            return QHttpServerResponse(
                "text/html", QStringLiteral("<html><body><h1>公告正文</h1></body></html>").toUtf8());
        });
        m_server.route(QStringLiteral("/gbk.html"), []() {
            return QHttpServerResponse("text/html; charset=utf-8",
                "<html><head><meta charset=\"gb2312\"></head><body>"
                    + platform::encodeGB18030(QStringLiteral("董事会决议公告")) + "</body></html>");
        });
        m_server.route(QStringLiteral("/missing.html"),
            []() { return QHttpServerResponse(QHttpServerResponse::StatusCode::NotFound); });
        m_port = m_server.listen(QHostAddress::LocalHost, 0);
        QVERIFY(m_port != 0);
    }

    void escape_closesThePresentedPage()
    {
        platform::ViewController::setPresentsModally(false);
        platform::ViewController opener;
        opener.show();
        auto* controller = new WebNoticeViewController;
        QPointer<WebNoticeViewController> page(controller);
        opener.presentViewControllerAsModalWindow(controller);
        QVERIFY(QTest::qWaitForWindowExposed(controller));
        controller->iWebView()->setFocus();
        QTest::keyClick(controller->iWebView(), Qt::Key_Escape);
        QTRY_VERIFY(!page);
    }

    void decodePage_followsTheDeclaredCharset()
    {
        QCOMPARE(WebNoticeViewController::decodePage(QStringLiteral("<p>公告</p>").toUtf8()),
            QStringLiteral("<p>公告</p>"));
        const QByteArray gbk = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=GBK\">"
            + platform::encodeGB18030(QStringLiteral("公告"));
        QVERIFY(WebNoticeViewController::decodePage(gbk).endsWith(QStringLiteral("公告")));
    }

    void doInit_titlesAndShowsThePage_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("text");
        QTest::newRow("utf-8 page") << "/utf8.html"
                                    << "公告正文";
        QTest::newRow("gb2312 page") << "/gbk.html"
                                     << "董事会决议公告";
    }
    void doInit_titlesAndShowsThePage()
    {
        QFETCH(QString, path);
        QFETCH(QString, text);
        WebNoticeViewController controller;
        controller.show();
        QSignalSpy loaded(&controller, &WebNoticeViewController::pageLoaded);
        controller.DOInit(urlOf(path.toLatin1().constData()), QStringLiteral("关于年报的公告"));
        QCOMPARE(controller.windowTitle(), QStringLiteral("关于年报的公告"));
        QVERIFY(loaded.wait(5000));
        QCOMPARE(loaded.first().first().toBool(), true);
        QString shown;
        controller.pageText([&shown](const QString& t) { shown = t; });
        QCOMPARE(shown.contains(text), true);
        QCOMPARE(controller.loadState(), QStringLiteral("loaded"));
    }

    void doInit_failedPage_saysSoAndKeepsTheBrowserButton()
    {
        WebNoticeViewController controller;
        QSignalSpy loaded(&controller, &WebNoticeViewController::pageLoaded);
        controller.DOInit(urlOf("/missing.html"), QStringLiteral("公告"));
        QVERIFY(loaded.wait(5000));
        QCOMPARE(loaded.first().first().toBool(), false);
        QCOMPARE(controller.loadState(), QStringLiteral("failed"));
        QCOMPARE(controller.url(), QUrl(urlOf("/missing.html")));
    }

    void doInit_badAddress_failsAtOnce()
    {
        WebNoticeViewController controller;
        QSignalSpy loaded(&controller, &WebNoticeViewController::pageLoaded);
        controller.DOInit(QString(), QStringLiteral("公告"));
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(controller.loadState(), QStringLiteral("failed"));
    }
};

QTEST_MAIN(tst_WebNoticeViewController)
#include "tst_WebNoticeViewController.moc"
