#include "TestSupport.h"
#include "platform/Configuration.h"
#include "platform/Paths.h"

#include <QFile>
#include <QTest>

using platform::Configuration;

class tst_Configuration : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void defaults_arePublicHosts();
    void settingsFile_thenEnvironment();
    void damagedSettings_fallBackToDefaults();
    void join_putsOneSlash_data();
    void join_putsOneSlash();
};

void tst_Configuration::defaults_arePublicHosts()
{
    testsupport::IsolatedSettings settings;
    const Configuration c = Configuration::load();
    QVERIFY(c.backendUrl.isEmpty());
    for (const QString& host :
        { c.neteaseQuoteUrl, c.neteaseChartUrl, c.neteaseCompanyUrl, c.tencentQuoteUrl, c.eastmoneyUrl })
        QVERIFY2(host.startsWith(QLatin1String("http://")), qPrintable(host));
}

void tst_Configuration::settingsFile_thenEnvironment()
{
    testsupport::IsolatedSettings settings;
    QFile file(settings.configDir() + QStringLiteral("/settings.json"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"backendUrl": "http://127.0.0.1:9/api", "tencentQuoteUrl": "http://127.0.0.1:9/t"})");
    file.close();
    Configuration c = Configuration::load();
    QCOMPARE(c.backendUrl, QStringLiteral("http://127.0.0.1:9/api"));
    QCOMPARE(c.tencentQuoteUrl, QStringLiteral("http://127.0.0.1:9/t"));

    qputenv("LST_TENCENT_QUOTE_URL", "http://127.0.0.1:8/env");
    c = Configuration::load();
    qunsetenv("LST_TENCENT_QUOTE_URL");
    QCOMPARE(c.tencentQuoteUrl, QStringLiteral("http://127.0.0.1:8/env"));
    QCOMPARE(c.backendUrl, QStringLiteral("http://127.0.0.1:9/api"));
}

void tst_Configuration::damagedSettings_fallBackToDefaults()
{
    testsupport::IsolatedSettings settings;
    QFile file(settings.configDir() + QStringLiteral("/settings.json"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("{\"backendUrl\": ");
    file.close();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("settings.json does not parse")));
    const Configuration c = Configuration::load();
    QVERIFY(c.backendUrl.isEmpty());
    QVERIFY(!c.tencentQuoteUrl.isEmpty());
}

void tst_Configuration::join_putsOneSlash_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("neither") << QStringLiteral("http://h:1") << QStringLiteral("user")
                             << QStringLiteral("http://h:1/user");
    QTest::newRow("both") << QStringLiteral("http://h:1/api/") << QStringLiteral("/user")
                          << QStringLiteral("http://h:1/api/user");
    QTest::newRow("base slashes") << QStringLiteral("http://h:1//") << QStringLiteral("q=sh600000")
                                  << QStringLiteral("http://h:1/q=sh600000");
    QTest::newRow("query kept") << QStringLiteral("http://h:1")
                                << QStringLiteral("/app/stock/0600000_noticelist.json?count=20&page=0")
                                << QStringLiteral(
                                       "http://h:1/app/stock/0600000_noticelist.json?count=20&page=0");
}

void tst_Configuration::join_putsOneSlash()
{
    QFETCH(QString, base);
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(Configuration::join(base, path).toString(), expected);
}

QTEST_GUILESS_MAIN(tst_Configuration)
#include "tst_Configuration.moc"
