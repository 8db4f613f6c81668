#include "account/GoVIPViewController.h"
#include "account/Membership.h"
#include "account/Registration.h"

#include "TestSupport.h"
#include "platform/widgets/ControllerRegistry.h"

#include <QLabel>
#include <QTest>

class tst_Membership : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void isPayingMember_data()
    {
        QTest::addColumn<QString>("power");
        QTest::addColumn<bool>("member");
        QTest::newRow("missing") << QString() << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("ordinary") << "4001" << false;
        QTest::newRow("gold") << "4002" << true;
        QTest::newRow("platinum") << "4003" << true;
        QTest::newRow("diamond") << "4004" << true;
        QTest::newRow("just below 5000") << "4999" << true;
        QTest::newRow("5000") << "5000" << false;
        QTest::newRow("above 5000") << "6000" << false;
        QTest::newRow("not a number") << "gold" << false;
        QTest::newRow("blank before digits") << " 4002" << true;
    }
    void isPayingMember()
    {
        QFETCH(QString, power);
        QFETCH(bool, member);
        QCOMPARE(membership::isPayingMember(power), member);
    }

    void featuresOn_data()
    {
        QTest::addColumn<QVariant>("vipmacopen"); // invalid: absent
        QTest::addColumn<bool>("on");
        QTest::newRow("absent") << QVariant() << false;
        QTest::newRow("0") << QVariant(QStringLiteral("0")) << false;
        QTest::newRow("-1") << QVariant(QStringLiteral("-1")) << false;
        QTest::newRow("1") << QVariant(QStringLiteral("1")) << true;
        QTest::newRow("2") << QVariant(QStringLiteral("2")) << true;
        QTest::newRow("empty text reads as 0") << QVariant(QStringLiteral("")) << false;
        QTest::newRow("number") << QVariant(1) << true;
    }
    void featuresOn()
    {
        QFETCH(QVariant, vipmacopen);
        QFETCH(bool, on);
        QVariantMap appDict { { QStringLiteral("other"), QStringLiteral("1") } };
        if (vipmacopen.isValid())
            appDict.insert(QStringLiteral("vipmacopen"), vipmacopen);
        QCOMPARE(membership::featuresOn(appDict), on);
    }

    void offerWindow_isRegisteredAndShowsTheOffer()
    {
        account::registerControllers();
        std::unique_ptr<platform::ViewController> offer(
            platform::ControllerRegistry::instantiateController(QStringLiteral("GoVIPViewController")));
        QVERIFY(dynamic_cast<GoVIPViewController*>(offer.get()));
        offer->loadViewIfNeeded();
        auto* text = offer->findChild<QLabel*>(QStringLiteral("offerText"));
        QVERIFY(text);
        QVERIFY(!text->text().isEmpty());
    }
};

QTEST_MAIN(tst_Membership)
#include "tst_Membership.moc"
