#include "ui/WebNoticeViewController.h"

#include "TestSupport.h"
#include "platform/TextCodec.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QDir>
#include <QHttpServer>
#include <QHttpServerResponse>
#include <QPixmap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

#include <chrono>
#include <future>
#include <thread>

namespace {

// Ends the run instead of hanging when the main thread blocks on a read.
struct Watchdog {
    std::promise<void> done;
    std::thread thread { [finished = done.get_future()]() {
        if (finished.wait_for(std::chrono::seconds(60)) != std::future_status::ready)
            qFatal("the main thread is blocked");
    } };
    ~Watchdog()
    {
        done.set_value();
        thread.join();
    }
};

// Catches what would bypass the browser presenter and reach the system.
class SystemOpener : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

} // namespace

class tst_WebNoticeViewController : public QObject {
    Q_OBJECT

    QHttpServer m_server;
    quint16 m_port = 0;
    QTemporaryDir m_local;
    int m_imageRequests = 0;

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
        // A page naming local files as images and links, next to a web image.
        m_server.route(QStringLiteral("/hostile.html"), [this]() {
            const QString dir = m_local.path();
            return QHttpServerResponse("text/html",
                QStringLiteral("<p>公告正文</p><img src=\"file://%1/local.png\"><img src=\"%1/local.png\">"
                               "<img src=\"/web.png\"><img src=\"/vector.png\">"
                               "<p><a href=\"smb://127.0.0.1/share\">SMB</a> "
                               "<a href=\"local.txt\">REL</a> <a href=\"file://%1/local.txt\">FILE</a> "
                               "<a href=\"http://127.0.0.1/next.html\">WEB</a></p>")
                    .arg(dir)
                    .toUtf8());
        });
        m_server.route(QStringLiteral("/web.png"), [this]() {
            ++m_imageRequests;
            return QHttpServerResponse("image/png", png());
        });
        // A picture in a format that is none of the web's rasters (XPM standing
        // in for SVG, whose pictures may name local files): it is not shown.
        m_server.route(QStringLiteral("/vector.png"), []() {
            QImage image(10, 10, QImage::Format_RGB32);
            image.fill(Qt::red);
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "XPM");
            return QHttpServerResponse("image/png", buffer.data());
        });
        // A page of many pictures, each a few KB that decode to millions of pixels.
        m_server.route(QStringLiteral("/pictures.html"), []() {
            QByteArray html = "<p>公告正文</p>";
            for (int i = 0; i < 40; ++i)
                html += "<img src=\"/big" + QByteArray::number(i) + ".png\">";
            return QHttpServerResponse("text/html", html);
        });
        m_server.route(QStringLiteral("/big<arg>.png"), [](int) {
            static const QByteArray big = png(2048, Qt::blue);
            return QHttpServerResponse("image/png", big);
        });
        m_port = m_server.listen(QHostAddress::LocalHost, 0);
        QVERIFY(m_port != 0);
        QFile text(m_local.filePath(QStringLiteral("local.txt")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("LOCAL FILE TEXT");
        text.close();
        QFile image(m_local.filePath(QStringLiteral("local.png")));
        QVERIFY(image.open(QIODevice::WriteOnly));
        image.write(png());
    }

    static QByteArray png(int side = 10, Qt::GlobalColor colour = Qt::red)
    {
        QImage image(side, side, QImage::Format_RGB32);
        image.fill(colour);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return buffer.data();
    }

    void hostilePage_readsNoLocalFile_andOpensOnlyWebLinks()
    {
        Watchdog watchdog;
        // A relative link would be read from here.
        const QString home = QDir::currentPath();
        QDir::setCurrent(m_local.path());
        const auto restore = qScopeGuard([&home]() { QDir::setCurrent(home); });
        testsupport::BrowserRecorder browser;
        SystemOpener system;
        for (const char* scheme : { "smb", "file", "http", "https" })
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &system, "open");
        const auto unset = qScopeGuard([]() {
            for (const char* scheme : { "smb", "file", "http", "https" })
                QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        });

        WebNoticeViewController controller;
        controller.show();
        QVERIFY(QTest::qWaitForWindowExposed(&controller));
        QSignalSpy loaded(&controller, &WebNoticeViewController::pageLoaded);
        controller.DOInit(urlOf("/hostile.html"), QStringLiteral("公告"));
        QVERIFY(loaded.wait(5000));
        QTextBrowser* view = controller.iWebView();
        QTextDocument* page = view->document();
        // Only the web image shows, fetched over http; the local copies of it are never read.
        const auto redPixels = [view]() {
            const QImage shot = view->viewport()->grab().toImage();
            qsizetype red = 0;
            for (int y = 0; y < shot.height(); ++y) {
                for (int x = 0; x < shot.width(); ++x)
                    red += shot.pixel(x, y) == qRgb(255, 0, 0);
            }
            return red;
        };
        QTRY_COMPARE(redPixels(), qsizetype(100));
        QCOMPARE(m_imageRequests, 1);

        const QString shown = view->toPlainText();
        for (const char* link : { "SMB", "REL", "FILE", "WEB" }) {
            QTextCursor at = page->find(QString::fromLatin1(link));
            QVERIFY(!at.isNull());
            at.setPosition(at.selectionStart() + 1);
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->cursorRect(at).center());
        }
        QCOMPARE(browser.opened, QList<QUrl> { QUrl(QStringLiteral("http://127.0.0.1/next.html")) });
        QVERIFY(system.opened.isEmpty());
        QCOMPARE(view->toPlainText(), shown);
        QVERIFY(view->source().isEmpty());
    }

    void manyLargePictures_showScaledWithinTheirShare()
    {
        Watchdog watchdog;
        WebNoticeViewController controller;
        controller.show();
        QSignalSpy loaded(&controller, &WebNoticeViewController::pageLoaded);
        controller.DOInit(urlOf("/pictures.html"), QStringLiteral("公告"));
        QVERIFY(loaded.wait(5000));
        // The pictures shown, as the page holds them (the blanks of the rest are 1 x 1).
        const auto shown = [&controller]() {
            QList<QSize> sizes;
            QTextDocument* page = controller.iWebView()->document();
            for (QTextBlock block = page->begin(); block.isValid(); block = block.next()) {
                for (auto it = block.begin(); !it.atEnd(); ++it) {
                    const QTextCharFormat format = it.fragment().charFormat();
                    const QVariant picture = format.isImageFormat()
                        ? page->resource(QTextDocument::ImageResource, format.toImageFormat().name())
                        : QVariant();
                    const QSize size = picture.typeId() == QMetaType::QPixmap
                        ? picture.value<QPixmap>().size()
                        : picture.value<QImage>().size();
                    if (size.width() > 1)
                        sizes << size;
                }
            }
            return sizes;
        };
        // Four pictures scaled to the window's width spend the page's share.
        QTRY_COMPARE_WITH_TIMEOUT(shown().size(), 4, 20000);
        for (const QSize& size : shown())
            QCOMPARE(size, QSize(1024, 1024));
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
