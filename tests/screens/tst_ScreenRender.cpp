#include "ScreensTestEnv.h"
#include "TestSupport.h"

#include "app/AppDelegate.h"
#include "backend/QuilorSDK.h"
#include "market/SharedModels.h"
#include "platform/Configuration.h"
#include "platform/UserDefaults.h"
#include "screens/SingleIndexViewController.h"
#include "screens/SingleStockViewController.h"

#include <QFileInfo>
#include <QImage>
#include <QtTest>

#include <memory>

// Bound screens against the stand-in server, rendered for a person to look at.
class TestScreenRender : public QObject {
    Q_OBJECT

private:
    ScreensTestEnv m_env;

private Q_SLOTS:
    void initTestCase() { m_env.start(); }

    void cleanupTestCase() { m_env.stop(); }

    void render_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("tab");
        QTest::addColumn<QString>("name");
        QTest::newRow("stock") << QStringLiteral("600000") << QStringLiteral("2")
                               << QStringLiteral("stock_screen_600000");
        QTest::newRow("index") << QStringLiteral("000001.idx") << QString()
                               << QStringLiteral("index_screen_000001");
        QTest::newRow("own index") << QStringLiteral("888888.idx") << QStringLiteral("2")
                                   << QStringLiteral("index_screen_888888");
    }
    void render()
    {
        QFETCH(QString, code);
        QFETCH(QString, tab);
        QFETCH(QString, name);
        auto* defaults = platform::UserDefaults::standardUserDefaults();
        if (tab.isNull())
            defaults->removeObjectForKey(QStringLiteral("kSegIdx"));
        else
            defaults->setObject(tab, QStringLiteral("kSegIdx"));

        std::unique_ptr<SecurityViewController> screen
            = makeSecurityScreen(code.endsWith(QStringLiteral(".idx")));
        QSignalSpy updated(screen.get(), &SecurityViewController::updatedUI);
        screen->bindCode(code, m_env.sdk);
        screen->show();
        QTRY_VERIFY_WITH_TIMEOUT(screen->stocks.has_value(), 5000);
        // Let the store fill the record and the chart load its data.
        QTRY_VERIFY_WITH_TIMEOUT(screen->selfDict && screen->selfDict->size() > 20, 8000);
        QTest::qWait(1500);
        screen->UpdateUI();
        const QString path = testsupport::renderToPng(screen.get(), name);
        QVERIFY(QFileInfo::exists(path));
        const QImage image(path);
        QVERIFY(!image.isNull());
        QVERIFY(image.width() >= 1242);
        screen->close();
    }
};

QTEST_MAIN(TestScreenRender)
#include "tst_ScreenRender.moc"
