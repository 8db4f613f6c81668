#include "TestSupport.h"

#include "charts/DayKLineView.h"
#include "charts/PeriodSettingViewController.h"
#include "charts/Registration.h"
#include "platform/UserDefaults.h"
#include "platform/widgets/ControllerRegistry.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <memory>

using platform::ControllerRegistry;
using platform::UserDefaults;

// The KDJ, BOLL and SAR period dialogs: what the field shows, what OK,
// Default and Cancel store, and a chart redrawing with the stored period.
class TestPeriodDialogs : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<testsupport::IsolatedSettings> m_settings;
    std::unique_ptr<platform::ViewController> m_host;

    static UserDefaults* defaults() { return UserDefaults::standardUserDefaults(); }

    // A presented dialog with counters on its two blocks.
    PeriodSettingViewController* open(const QString& identifier, int* oks, int* cancels)
    {
        auto* dialog = qobject_cast<PeriodSettingViewController*>(
            ControllerRegistry::instantiateController(identifier));
        if (!dialog)
            return nullptr;
        dialog->DoOK = [oks]() { ++*oks; };
        dialog->DoCancel = [cancels]() { ++*cancels; };
        m_host->presentViewControllerAsModalWindow(dialog);
        return dialog;
    }

    static void click(QWidget* dialog, const char* button)
    {
        auto* b = dialog->findChild<QPushButton*>(QString::fromLatin1(button));
        QVERIFY2(b, button);
        QTest::mouseClick(b, Qt::LeftButton);
    }

    static void addDialogs()
    {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("fallback");
        QTest::newRow("KDJ") << "setKDJViewController"
                             << "kdjPeriod"
                             << "9";
        QTest::newRow("BOLL") << "setBOLLViewController"
                              << "BOLLPeriod"
                              << "10";
        QTest::newRow("SAR") << "setSARViewController"
                             << "SARPeriod"
                             << "4";
    }

private Q_SLOTS:
    void initTestCase()
    {
        platform::ViewController::setPresentsModally(false);
        m_settings = std::make_unique<testsupport::IsolatedSettings>();
        charts::registerControllers();
        m_host = std::make_unique<platform::ViewController>();
        m_host->show();
    }

    void init()
    {
        for (const char* key : { "kdjPeriod", "BOLLPeriod", "SARPeriod" })
            defaults()->removeObjectForKey(QString::fromLatin1(key));
    }

    void cleanup()
    {
        for (QWidget* w : m_host->findChildren<PeriodSettingViewController*>())
            w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void field_showsStoredOrLayoutText_data() { addDialogs(); }
    void field_showsStoredOrLayoutText()
    {
        QFETCH(QString, identifier);
        QFETCH(QString, key);
        QFETCH(QString, fallback);
        int oks = 0, cancels = 0;
        PeriodSettingViewController* empty = open(identifier, &oks, &cancels);
        QVERIFY(empty);
        QCOMPARE(empty->iTextField->text(), fallback);
        empty->close();

        defaults()->setObject(QStringLiteral("14"), key);
        PeriodSettingViewController* stored = open(identifier, &oks, &cancels);
        QCOMPARE(stored->iTextField->text(), QStringLiteral("14"));
    }

    void ok_storesWholeNumber_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("integer") << "12"
                                 << "12";
        QTest::newRow("decimal truncated") << "12.7"
                                           << "12";
        QTest::newRow("text") << "abc"
                              << "0";
        QTest::newRow("empty") << ""
                               << "0";
        QTest::newRow("leading blanks") << "  21"
                                        << "21";
        QTest::newRow("negative kept") << "-3"
                                       << "-3";
        QTest::newRow("digits then text") << "15天"
                                          << "15";
    }
    void ok_storesWholeNumber()
    {
        QFETCH(QString, typed);
        int oks = 0, cancels = 0;
        QPointer<PeriodSettingViewController> dialog
            = open(QStringLiteral("setKDJViewController"), &oks, &cancels);
        dialog->iTextField->setText(typed);
        click(dialog, "DoOKBtn");
        QTEST(defaults()->stringForKey(QStringLiteral("kdjPeriod")), "stored");
        QCOMPARE(oks, 1);
        QCOMPARE(cancels, 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(dialog.isNull());
    }

    void default_storesDefaultAndRunsOK_data() { addDialogs(); }
    void default_storesDefaultAndRunsOK()
    {
        QFETCH(QString, identifier);
        QFETCH(QString, key);
        QFETCH(QString, fallback);
        defaults()->setObject(QStringLiteral("30"), key);
        int oks = 0, cancels = 0;
        PeriodSettingViewController* dialog = open(identifier, &oks, &cancels);
        click(dialog, "DefaultButton");
        QCOMPARE(defaults()->stringForKey(key), fallback);
        QCOMPARE(oks, 1);
        // Written through to disk: a restart reads it back.
        UserDefaults::resetStandardUserDefaults();
        QCOMPARE(defaults()->stringForKey(key), fallback);
    }

    void cancel_storesNothing_data() { addDialogs(); }
    void cancel_storesNothing()
    {
        QFETCH(QString, identifier);
        QFETCH(QString, key);
        int oks = 0, cancels = 0;
        PeriodSettingViewController* dialog = open(identifier, &oks, &cancels);
        dialog->iTextField->setText(QStringLiteral("55"));
        click(dialog, "DoCanceBtn");
        QVERIFY(defaults()->objectForKey(key).isNull());
        QCOMPARE(cancels, 1);
        QCOMPARE(oks, 0);

        defaults()->setObject(QStringLiteral("7"), key);
        dialog = open(identifier, &oks, &cancels);
        dialog->iTextField->setText(QStringLiteral("55"));
        click(dialog, "DoCanceBtn");
        QCOMPARE(defaults()->stringForKey(key), QStringLiteral("7"));
    }

    void chart_redrawsWithStoredPeriod()
    {
        testsupport::StandIn standIn;
        DayKLineView* chart = new DayKLineView(
            QRect(0, 0, 600, 400), { { QStringLiteral("stockcode"), QStringLiteral("600000") } },
            m_host.get(), [](const QVariantMap&) {}, m_host.get());
        chart->show();
        chart->setKDJPressed();
        auto* dialog = m_host->findChild<PeriodSettingViewController*>();
        QVERIFY(dialog);
        QCOMPARE(
            QString::fromLatin1(dialog->metaObject()->className()), QStringLiteral("setKDJViewController"));
        dialog->iTextField->setText(QStringLiteral("21"));
        dialog->DoOKBtnPressed();
        QTRY_COMPARE(chart->kdjPeriod(), 21);

        // Cancel leaves the chart's period as it was.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!m_host->findChild<PeriodSettingViewController*>());
        chart->setKDJPressed();
        dialog = m_host->findChild<PeriodSettingViewController*>();
        QVERIFY(dialog);
        dialog->iTextField->setText(QStringLiteral("5"));
        dialog->DoCanceBtnPressed();
        QCoreApplication::processEvents();
        QCOMPARE(chart->kdjPeriod(), 21);
        chart->setIsSelfHiden(true);
        delete chart;
    }
};

QTEST_MAIN(TestPeriodDialogs)
#include "tst_PeriodDialogs.moc"
