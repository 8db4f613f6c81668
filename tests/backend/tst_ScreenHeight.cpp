#include "TestSupport.h"

#include "backend/QuilorSDK.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

// The backend library links no GUI module; in a GUI application it still
// finds the primary screen's visible height.
class tst_ScreenHeight : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void screenHeight_isThePrimaryScreensAvailableHeight()
    {
        testsupport::IsolatedSettings settings;
        QScreen* screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        QuilorSDK client(
            QStringLiteral("http://127.0.0.1:9"), QStringLiteral("2001"), QStringLiteral("400030000"));
        QCOMPARE(client.screenHeight(), screen->availableGeometry().height());
        QVERIFY(client.screenHeight() > 0);
    }
};

QTEST_MAIN(tst_ScreenHeight)
#include "tst_ScreenHeight.moc"
