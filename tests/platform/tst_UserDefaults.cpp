#include "TestSupport.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

using platform::UserDefaults;

class tst_UserDefaults : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void values_surviveRestart();
    void removedKey_staysRemovedAfterRestart();
    void damagedFile_startsEmptyAndIsRepaired();
    void writes_leaveNoPartialFiles();
    void twoCopies_keepEachOthersChanges();
    void isolation_givesEachTestItsOwnFolder();

private:
    std::unique_ptr<testsupport::IsolatedSettings> m_settings;
};

void tst_UserDefaults::init()
{
    m_settings = std::make_unique<testsupport::IsolatedSettings>();
}

void tst_UserDefaults::cleanup()
{
    m_settings.reset();
}

void tst_UserDefaults::values_surviveRestart()
{
    auto* defaults = UserDefaults::standardUserDefaults();
    const QVariantList groups { QVariantMap { { QStringLiteral("id"), QStringLiteral("7") },
        { QStringLiteral("userstockgroupname"), QStringLiteral("股票组1") } } };
    defaults->setObject(QStringLiteral("400030000"), QStringLiteral("qvmid"));
    defaults->setObject(groups, QStringLiteral("savedGroupArray"));
    defaults->setObject(QVariantMap { { QStringLiteral("User-Agent"), QStringLiteral("UA/1") } },
        QStringLiteral("appSettingDict"));
    defaults->setInteger(3, QStringLiteral("kSegIdx"));

    UserDefaults::resetStandardUserDefaults();
    auto* again = UserDefaults::standardUserDefaults();
    QCOMPARE(again->stringForKey(QStringLiteral("qvmid")), QStringLiteral("400030000"));
    QCOMPARE(again->objectForKey(QStringLiteral("savedGroupArray")), QVariant(groups));
    QCOMPARE(again->objectForKey(QStringLiteral("appSettingDict"))
                 .toMap()
                 .value(QStringLiteral("User-Agent"))
                 .toString(),
        QStringLiteral("UA/1"));
    QCOMPARE(again->integerForKey(QStringLiteral("kSegIdx")), 3LL);
    QVERIFY(again->stringForKey(QStringLiteral("missing")).isNull());
    QCOMPARE(again->integerForKey(QStringLiteral("missing")), 0LL);
}

void tst_UserDefaults::removedKey_staysRemovedAfterRestart()
{
    auto* defaults = UserDefaults::standardUserDefaults();
    defaults->setObject(QStringLiteral("1"), QStringLiteral("a"));
    defaults->setObject(QStringLiteral("2"), QStringLiteral("b"));
    defaults->removeObjectForKey(QStringLiteral("a"));
    defaults->setObject(QVariant(), QStringLiteral("b")); // an invalid value removes too
    UserDefaults::resetStandardUserDefaults();
    QVERIFY(!UserDefaults::standardUserDefaults()->objectForKey(QStringLiteral("a")).isValid());
    QVERIFY(!UserDefaults::standardUserDefaults()->objectForKey(QStringLiteral("b")).isValid());
}

void tst_UserDefaults::damagedFile_startsEmptyAndIsRepaired()
{
    const QString path = UserDefaults::standardUserDefaults()->filePath();
    UserDefaults::resetStandardUserDefaults();
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"qvmid\": \"12"); // cut short
    }
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("damaged settings file")));
    auto* defaults = UserDefaults::standardUserDefaults();
    QVERIFY(!defaults->objectForKey(QStringLiteral("qvmid")).isValid());
    defaults->setObject(QStringLiteral("5"), QStringLiteral("qvmid"));
    UserDefaults::resetStandardUserDefaults();
    QCOMPARE(
        UserDefaults::standardUserDefaults()->stringForKey(QStringLiteral("qvmid")), QStringLiteral("5"));
}

void tst_UserDefaults::writes_leaveNoPartialFiles()
{
    auto* defaults = UserDefaults::standardUserDefaults();
    for (int i = 0; i < 20; ++i)
        defaults->setObject(QString::number(i), QStringLiteral("k%1").arg(i));
    const QDir folder(QFileInfo(defaults->filePath()).absolutePath());
    QCOMPARE(folder.entryList(QDir::Files), QStringList { QFileInfo(defaults->filePath()).fileName() });
}

void tst_UserDefaults::twoCopies_keepEachOthersChanges()
{
    const QString path = UserDefaults::standardUserDefaults()->filePath();
    UserDefaults::standardUserDefaults()->setObject(QStringLiteral("x"), QStringLiteral("old"));
    UserDefaults first(path);
    UserDefaults second(path);
    first.setObject(QStringLiteral("2"), QStringLiteral("curGroupIdx"));
    first.removeObjectForKey(QStringLiteral("old"));
    second.setObject(QStringLiteral("1"), QStringLiteral("kSegIdx"));

    const UserDefaults after(path);
    QCOMPARE(after.stringForKey(QStringLiteral("curGroupIdx")), QStringLiteral("2"));
    QCOMPARE(after.stringForKey(QStringLiteral("kSegIdx")), QStringLiteral("1"));
    QVERIFY(!after.objectForKey(QStringLiteral("old")).isValid());
}

void tst_UserDefaults::isolation_givesEachTestItsOwnFolder()
{
    const QString first = platform::configFolder();
    QVERIFY(first.startsWith(m_settings->configDir()));
    QVERIFY(platform::cacheFolder().startsWith(m_settings->cacheDir()));
    UserDefaults::standardUserDefaults()->setObject(QStringLiteral("x"), QStringLiteral("only-here"));
    m_settings = std::make_unique<testsupport::IsolatedSettings>();
    QVERIFY(platform::configFolder() != first);
    QVERIFY(!UserDefaults::standardUserDefaults()->objectForKey(QStringLiteral("only-here")).isValid());
}

QTEST_GUILESS_MAIN(tst_UserDefaults)
#include "tst_UserDefaults.moc"
