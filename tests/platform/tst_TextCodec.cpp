#include "TestSupport.h"
#include "platform/TextCodec.h"

#include <QTest>

class tst_TextCodec : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decodes_data();
    void decodes();
    void invalidBytes_areRefused_data();
    void invalidBytes_areRefused();
    void tencentLine_fromFixture();
    void encode_roundTrips();
};

void tst_TextCodec::decodes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two-byte name") << QByteArray("\xC6\xD6\xB7\xA2\xD2\xF8\xD0\xD0")
                                   << QStringLiteral("浦发银行");
    QTest::newRow("ASCII stays") << QByteArray("v_sh600000=\"1~") << QStringLiteral("v_sh600000=\"1~");
    QTest::newRow("padded three-char name")
        << QByteArray("\xCE\xE5 \xC1\xB8 \xD2\xBA") << QStringLiteral("五 粮 液");
    QTest::newRow("full-width letter") << QByteArray("\xCD\xF2\xBF\xC6\xA3\xC1") << QStringLiteral("万科Ａ");
    QTest::newRow("four-byte sequence") << QByteArray("\x81\x30\x84\x36") << QStringLiteral("\u00a5");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("control characters dropped, tab and line break kept")
        << QByteArray("\xC6\xD6\0\x1b[\x7f\t\n", 8) << QStringLiteral("浦[\t\n");
}

void tst_TextCodec::decodes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const auto text = platform::decodeGB18030(bytes);
    QVERIFY(text.has_value());
    QCOMPARE(*text, expected);
}

void tst_TextCodec::invalidBytes_areRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("lead byte then blank") << QByteArray("\x81\x20");
    QTest::newRow("cut after lead byte") << QByteArray("ok\xC6");
    QTest::newRow("bad four-byte tail") << QByteArray("\x81\x30\xFF\x30");
}

void tst_TextCodec::invalidBytes_areRefused()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!platform::decodeGB18030(bytes).has_value());
}

void tst_TextCodec::tencentLine_fromFixture()
{
    const QByteArray body = testsupport::readFixture(QStringLiteral("platform/tencent_sz000858.txt"));
    QVERIFY(!body.isEmpty());
    const auto text = platform::decodeGB18030(body);
    QVERIFY(text.has_value());
    const QStringList fields = text->section(QLatin1Char('"'), 1, 1).split(QLatin1Char('~'));
    QCOMPARE(fields.value(1), QStringLiteral("五粮液"));
    QCOMPARE(fields.value(2), QStringLiteral("000858"));
}

void tst_TextCodec::encode_roundTrips()
{
    const QString name = QStringLiteral("岚石通指 上证指数 创业板指");
    const QByteArray bytes = platform::encodeGB18030(name);
    QVERIFY(bytes != name.toUtf8());
    QCOMPARE(platform::decodeGB18030(bytes).value_or(QString()), name);
}

QTEST_GUILESS_MAIN(tst_TextCodec)
#include "tst_TextCodec.moc"
