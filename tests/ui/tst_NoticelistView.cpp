#include "ui/NoticelistView.h"

#include "platform/NotificationCenter.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

class tst_NoticelistView : public QObject {
    Q_OBJECT

    static QVariantMap notice(const QString& title, const QString& createTime)
    {
        return { { QStringLiteral("title"), title }, { QStringLiteral("createTime"), createTime },
            { QStringLiteral("url"), QString(QStringLiteral("http://127.0.0.1/notice/") + title) } };
    }

    QList<platform::Notification> m_posted;

private Q_SLOTS:
    void init()
    {
        m_posted.clear();
        platform::NotificationCenter::defaultCenter()->addObserver(this, QStringLiteral("GoToNoticeDetail"),
            [this](const platform::Notification& n) { m_posted << n; });
    }
    void cleanup() { platform::NotificationCenter::defaultCenter()->removeObserver(this); }

    void createTime_showsOnlyTheDate_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("shown");
        QTest::newRow("date and time") << "2016-10-28 18:00:00"
                                       << "2016-10-28";
        QTest::newRow("ten characters whole") << "2016-10-28"
                                              << "2016-10-28";
        QTest::newRow("shorter whole") << "10-28"
                                       << "10-28";
        QTest::newRow("missing") << QString() << "";
    }
    void createTime_showsOnlyTheDate()
    {
        QFETCH(QString, value);
        QFETCH(QString, shown);
        QVariantMap record = notice(QStringLiteral("年报"), value);
        if (value.isNull())
            record.remove(QStringLiteral("createTime"));
        QCOMPARE(NoticelistView::cellText(QStringLiteral("createTime"), record), shown);
        // Other columns show their value whole.
        record.insert(QStringLiteral("title"), QStringLiteral("2016-10-28 18:00:00"));
        QCOMPARE(
            NoticelistView::cellText(QStringLiteral("title"), record), QStringLiteral("2016-10-28 18:00:00"));
    }

    void setDataArr_fillsTheTable()
    {
        NoticelistView view;
        QVariantList data = { notice(QStringLiteral("一季报"), QStringLiteral("2016-04-28 18:00:00")),
            notice(QStringLiteral("年报"), QStringLiteral("2016-03-28 17:30:00")) };
        view.SetDataArr(data);
        data.clear(); // the view keeps its own copy
        QCOMPARE(view.table()->rowCount(), 2);
        QCOMPARE(view.table()->item(0, 0)->text(), QStringLiteral("一季报"));
        QCOMPARE(view.table()->item(1, 1)->text(), QStringLiteral("2016-03-28"));
        view.SetDataArr({});
        QCOMPARE(view.table()->rowCount(), 0);
    }

    void doubleClick_postsTheRowsRecord()
    {
        NoticelistView view;
        view.resize(500, 300);
        const QVariantList data = { notice(QStringLiteral("一季报"), QStringLiteral("2016-04-28 18:00:00")),
            notice(QStringLiteral("年报"), QStringLiteral("2016-03-28 17:30:00")) };
        view.SetDataArr(data);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        QTableWidget* table = view.table();
        const QRect cell = table->visualRect(table->model()->index(1, 0));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(m_posted.size(), 1);
        QCOMPARE(m_posted.first().object.toMap(), data.at(1).toMap());
    }

    void doubleAction_withoutSelection_postsNothing()
    {
        NoticelistView view;
        view.SetDataArr({ notice(QStringLiteral("年报"), QStringLiteral("2016-03-28")) });
        view.table()->clearSelection();
        view.doubleAction();
        QVERIFY(m_posted.isEmpty());
        view.table()->selectRow(0);
        view.doubleAction();
        QCOMPARE(m_posted.size(), 1);
    }
};

QTEST_MAIN(tst_NoticelistView)
#include "tst_NoticelistView.moc"
