#include "TestSupport.h"

#include "backend/QuilorSDK.h"
#include "backend/User.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

class tst_User : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void setValueByDict_takesLoginFieldsAndKeepsGuestIdUntilNamed();
    void save_writesARealPropertyListAndLoadRestoresIt();
    void load_damagedFile_isLoggedAndReplaced_data();
    void load_damagedFile_isLoggedAndReplaced();
    void load_largeOlderFile_keepsTheLoginAndShrinks();
    void deviceUdid_isMadeOnceAndKept();
    void filePath_staysInTheCacheFolder_data();
    void filePath_staysInTheCacheFolder();
    void save_everyNameHasItsOwnFile_data();
    void save_everyNameHasItsOwnFile();
    void client_restoresTheLastLoginAtStart();

private:
    std::unique_ptr<testsupport::IsolatedSettings> m_settings;
};

void tst_User::init()
{
    m_settings = std::make_unique<testsupport::IsolatedSettings>();
}

void tst_User::cleanup()
{
    m_settings.reset();
}

void tst_User::setValueByDict_takesLoginFieldsAndKeepsGuestIdUntilNamed()
{
    User user(QStringLiteral("400030000"));
    QCOMPARE(user.qvmid, QStringLiteral("400030000"));
    QVERIFY(!user.isLogin);

    // A reply without a user id leaves the guest id in place.
    user.SetValueByDict({ { QStringLiteral("nickname"), QStringLiteral("n1") } });
    QCOMPARE(user.qvmid, QStringLiteral("400030000"));
    QCOMPARE(user.nickname, QStringLiteral("n1"));

    const QVariantMap reply { { QStringLiteral("qvmid"), QStringLiteral("400031001") },
        { QStringLiteral("username"), QStringLiteral("demo") },
        { QStringLiteral("power"), QStringLiteral("4003") },
        { QStringLiteral("vipendtime"), QStringLiteral("2030-01-01 00:00:00") },
        { QStringLiteral("extra"), QStringLiteral("dropped") } };
    user.SetValueByDict(reply);
    QCOMPARE(user.qvmid, QStringLiteral("400031001"));
    QCOMPARE(user.username, QStringLiteral("demo"));
    QCOMPARE(user.power, QStringLiteral("4003"));
    QCOMPARE(user.vipendtime, QStringLiteral("2030-01-01 00:00:00"));
    // Only the record's own fields are kept.
    QVariantMap own = reply;
    own.remove(QStringLiteral("extra"));
    QCOMPARE(user.userDict, own);

    user.Clear();
    QCOMPARE(user.qvmid, QStringLiteral("400030000"));
    QVERIFY(user.username.isEmpty());
    QVERIFY(!user.deviceid.isEmpty());
}

void tst_User::save_writesARealPropertyListAndLoadRestoresIt()
{
    User user;
    user.username = QString::fromUtf8("张三");
    user.password = QStringLiteral("0f3c");
    user.qvmid = QStringLiteral("400031009");
    user.power = QStringLiteral("4002");
    user.nickname = QString::fromUtf8("三儿 <&>");
    user.vipendtime = QStringLiteral("2031-02-03 04:05:06");
    user.isLogin = true;
    user.userDict = { { QStringLiteral("qvmid"), QStringLiteral("400031009") },
        { QStringLiteral("tags"), QVariantList { QStringLiteral("a"), QStringLiteral("b") } },
        { QStringLiteral("nested"), QVariantMap { { QStringLiteral("k"), QStringLiteral("v") } } } };
    QVERIFY(user.Save());

    QFile file(User::filePathFor(user.username));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray xml = file.readAll();
    QVERIFY(xml.startsWith("<?xml"));
    QVERIFY(xml.contains("<plist"));
    QVERIFY(QFileInfo(file).fileName().endsWith(QStringLiteral("_userInfo.plist")));
    QCOMPARE(QFileInfo(file).absolutePath(), QDir(m_settings->cacheDir()).absolutePath());

    User loaded;
    QVERIFY(loaded.Load(user.username));
    QCOMPARE(loaded.username, user.username);
    QCOMPARE(loaded.password, user.password);
    QCOMPARE(loaded.qvmid, user.qvmid);
    QCOMPARE(loaded.power, user.power);
    QCOMPARE(loaded.nickname, user.nickname);
    QCOMPARE(loaded.vipendtime, user.vipendtime);
    QCOMPARE(loaded.userDict, user.userDict);
    QVERIFY(!loaded.isLogin); // a new process has not logged in yet

    User missing;
    QVERIFY(!missing.Load(QStringLiteral("nobody")));
    QCOMPARE(missing.qvmid, QStringLiteral("400030000"));
}

void tst_User::load_damagedFile_isLoggedAndReplaced_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("garbage") << QByteArray("\x01\x02not a plist at all\xff", 22);
    QTest::newRow("cut-off xml") << QByteArray("<?xml version=\"1.0\"?><plist><dict><key>username</key>");
    QTest::newRow("binary header, junk body") << QByteArray("bplist00\x00\x01\x02\x03", 12);
    QTest::newRow("array at the root") << QByteArray(
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>x</string></array></plist>");
}

void tst_User::load_damagedFile_isLoggedAndReplaced()
{
    QFETCH(QByteArray, contents);
    const QString name = QStringLiteral("broken");
    {
        QFile file(User::filePathFor(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("damaged user record replaced")));
    User user;
    QVERIFY(!user.Load(name));
    QCOMPARE(user.qvmid, QStringLiteral("400030000"));
    QVERIFY(user.password.isEmpty());

    // The replacement is a sound record that loads without complaint.
    User again;
    QVERIFY(again.Load(name));
    QCOMPARE(again.username, name);
}

void tst_User::load_largeOlderFile_keepsTheLoginAndShrinks()
{
    // Written whole from a 20 MB login reply, under the name older versions
    // gave the file.
    const QString path = User::legacyFilePathFor(QStringLiteral("demo"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
               "<key>username</key><string>demo</string><key>password</key><string>0f3c</string>"
               "<key>qvmid</key><string>400031001</string><key>userDict</key><dict>"
               "<key>qvmid</key><string>400031001</string><key>junk</key><string>");
    file.write(QByteArray(20 * 1024 * 1024, 'x'));
    file.write("</string></dict></dict></plist>\n");
    file.close();

    User loaded;
    QVERIFY(loaded.Load(QStringLiteral("demo")));
    QCOMPARE(loaded.qvmid, QStringLiteral("400031001"));
    QCOMPARE(loaded.password, QStringLiteral("0f3c"));
    QVERIFY(!loaded.userDict.contains(QStringLiteral("junk")));
    QVERIFY(QFileInfo(User::filePathFor(QStringLiteral("demo"))).size() < 4096);
    User again;
    QVERIFY(again.Load(QStringLiteral("demo")));
    QCOMPARE(again.qvmid, QStringLiteral("400031001"));
}

void tst_User::deviceUdid_isMadeOnceAndKept()
{
    const QString first = User::deviceUdid();
    QVERIFY(first.size() >= 32);
    QCOMPARE(User::deviceUdid(), first);
    QCOMPARE(User().deviceid, first);
    platform::UserDefaults::resetStandardUserDefaults(); // a restart
    QCOMPARE(User::deviceUdid(), first);
    QCOMPARE(
        platform::UserDefaults::standardUserDefaults()->stringForKey(QStringLiteral("deviceudid")), first);
}

void tst_User::filePath_staysInTheCacheFolder_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("parent path") << QStringLiteral("../../etc/x");
    QTest::newRow("absolute") << QStringLiteral("/abs/x");
    QTest::newRow("hidden") << QStringLiteral(".profile");
    QTest::newRow("plain") << QStringLiteral("13800138000");
}

void tst_User::filePath_staysInTheCacheFolder()
{
    QFETCH(QString, name);
    const QFileInfo info(User::filePathFor(name));
    QCOMPARE(info.absolutePath(), QDir(m_settings->cacheDir()).absolutePath());
    QVERIFY(!info.fileName().startsWith(QLatin1Char('.')));
}

// Long names and names that differ only in characters a file name cannot
// hold are each saved and restored as their own user.
void tst_User::save_everyNameHasItsOwnFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("other");
    QTest::newRow("100 Chinese characters") << QString(100, QChar(u'岚')) << QString(100, QChar(u'石'));
    QTest::newRow("300 letters") << QString(300, QLatin1Char('a')) << QString(300, QLatin1Char('b'));
    QTest::newRow("a slash and a colon") << QStringLiteral("a/b") << QStringLiteral("a:b");
    QTest::newRow("a backslash and an underscore") << QStringLiteral("a\\b") << QStringLiteral("a_b");
}

void tst_User::save_everyNameHasItsOwnFile()
{
    QFETCH(QString, name);
    QFETCH(QString, other);
    const QStringList names { name, other };
    for (int i = 0; i < 2; ++i) {
        User user;
        user.username = names.at(i);
        user.qvmid = QStringLiteral("40003101%1").arg(i);
        QVERIFY(user.Save());
    }
    for (int i = 0; i < 2; ++i) {
        User loaded;
        QVERIFY(loaded.Load(names.at(i)));
        QCOMPARE(loaded.username, names.at(i));
        QCOMPARE(loaded.qvmid, QStringLiteral("40003101%1").arg(i));
    }
}

void tst_User::client_restoresTheLastLoginAtStart()
{
    User saved;
    saved.username = QStringLiteral("demo");
    saved.qvmid = QStringLiteral("400031001");
    saved.password = QStringLiteral("abc");
    QVERIFY(saved.Save());
    User::setLastLoginName(QStringLiteral("demo"));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no shared-model factory")));
    QuilorSDK client(
        QStringLiteral("http://127.0.0.1:9"), QStringLiteral("2001"), QStringLiteral("400030000"));
    QCOMPARE(client.iUser()->username, QStringLiteral("demo"));
    QCOMPARE(client.iUser()->qvmid, QStringLiteral("400031001"));
    QCOMPARE(client.iUser()->password, QStringLiteral("abc"));

    User::setLastLoginName(QString());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no shared-model factory")));
    QuilorSDK fresh(
        QStringLiteral("http://127.0.0.1:9"), QStringLiteral("2001"), QStringLiteral("400030000"));
    QCOMPARE(fresh.iUser()->qvmid, QStringLiteral("400030000"));
}

QTEST_GUILESS_MAIN(tst_User)
#include "tst_User.moc"
