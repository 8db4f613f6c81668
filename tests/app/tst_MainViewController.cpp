#include "app/AppDelegate.h"
#include "app/ErrorMessages.h"
#include "app/MainViewController.h"
#include "app/SecurityScreen.h"
#include "app/ZXGFatherView.h"

#include "TestSupport.h"
#include "backend/QuilorSDK.h"
#include "backend/User.h"
#include "market/SharedModels.h"
#include "platform/widgets/ControllerRegistry.h"

#include <QPointer>
#include <QTest>

namespace {

// A security screen that records how it was opened.
class StandInScreen : public platform::ViewController, public SecurityScreen {
public:
    explicit StandInScreen(const QString& kind)
        : kind(kind)
    {
        opened << this;
    }
    void bindCode(const QString& c, QuilorSDK* s) override
    {
        code = c;
        sdk = s;
        visibleAtBind = isVisible();
    }
    void setMyStockChanged(std::function<void()> block) override
    {
        myStockChanged = std::move(block);
        visibleAtBlock = isVisible();
    }

    QString kind;
    QString code;
    QuilorSDK* sdk = nullptr;
    bool visibleAtBind = true;
    bool visibleAtBlock = false;
    std::function<void()> myStockChanged;
    static QList<QPointer<StandInScreen>> opened;
};
QList<QPointer<StandInScreen>> StandInScreen::opened;

class StandInOffer : public platform::ViewController {
public:
    StandInOffer() { setObjectName(QStringLiteral("GoVIPViewController")); }
};

// The embedded list as the home screen sees it.
class StandInList : public QWidget {
    Q_OBJECT
public:
    Q_INVOKABLE void initByFather(QObject* father) { fathers << father; }
    Q_INVOKABLE void UpDateGroup() { ++updates; }
    QList<QObject*> fathers;
    int updates = 0;
};

} // namespace

class tst_MainViewController : public QObject {
    Q_OBJECT

    testsupport::IsolatedSettings m_settings;
    std::unique_ptr<AppDelegate> m_delegate;

    QString openedKind(QWidget* window)
    {
        if (!window)
            return QString();
        if (auto* screen = dynamic_cast<StandInScreen*>(window))
            return screen->kind;
        return window->objectName();
    }

private Q_SLOTS:
    void init()
    {
        using platform::ControllerRegistry;
        ControllerRegistry::clear();
        ControllerRegistry::registerFactory(QString::fromUtf8(app::kStockScreenId),
            []() -> QWidget* { return new StandInScreen(QStringLiteral("stock")); });
        ControllerRegistry::registerFactory(QString::fromUtf8(app::kIndexScreenId),
            []() -> QWidget* { return new StandInScreen(QStringLiteral("index")); });
        ControllerRegistry::registerClass<StandInOffer>(QStringLiteral("GoVIPViewController"));
    }

    void initTestCase()
    {
        market::installSharedModels();
        platform::ViewController::setPresentsModally(false);
        // No server is needed: the client is only handed to the screens.
        m_delegate = std::make_unique<AppDelegate>();
        m_delegate->setIQuilorSDK(new QuilorSDK(QStringLiteral("http://127.0.0.1:9"), QStringLiteral("2001"),
            QStringLiteral("400030000"), m_delegate.get()));
    }
    void cleanupTestCase() { m_delegate.reset(); }

    void addSingSingleStock_routesByLengthAndMembership_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("power");
        QTest::addColumn<QString>("vipmacopen"); // null: absent
        QTest::addColumn<QString>("opened");
        QTest::newRow("stock code") << "600000"
                                    << "4001" << QString() << "stock";
        QTest::newRow("index code") << "000001.idx"
                                    << "4001" << QString() << "index";
        QTest::newRow("own index, gold member") << "888888.idx"
                                                << "4002"
                                                << "0"
                                                << "index";
        QTest::newRow("own index, diamond member") << "888888.idx"
                                                   << "4004" << QString() << "index";
        QTest::newRow("own index, ordinary, offer on") << "888888.idx"
                                                       << "4001"
                                                       << "1"
                                                       << "GoVIPViewController";
        QTest::newRow("own index, 5000, offer on") << "888888.idx"
                                                   << "5000"
                                                   << "1"
                                                   << "GoVIPViewController";
        QTest::newRow("own index, no level, offer off") << "888888.idx"
                                                        << "" << QString() << "";
        QTest::newRow("own index, ordinary, switch 0") << "888888.idx"
                                                       << "4001"
                                                       << "0"
                                                       << "";
        QTest::newRow("own index, ordinary, switch -1") << "888888.idx"
                                                        << "0"
                                                        << "-1"
                                                        << "";
        QTest::newRow("five characters") << "60000"
                                         << "4002"
                                         << "1"
                                         << "";
        QTest::newRow("seven characters") << "6000001"
                                          << "4002"
                                          << "1"
                                          << "";
        QTest::newRow("eleven characters") << "000001.idxx"
                                           << "4002"
                                           << "1"
                                           << "";
        QTest::newRow("empty") << ""
                               << "4002"
                               << "1"
                               << "";
    }
    void addSingSingleStock_routesByLengthAndMembership()
    {
        QFETCH(QString, code);
        QFETCH(QString, power);
        QFETCH(QString, vipmacopen);
        QFETCH(QString, opened);
        m_delegate->iQuilorSDK()->iUser()->power = power;
        m_delegate->appDict.clear();
        if (!vipmacopen.isNull())
            m_delegate->appDict.insert(QStringLiteral("vipmacopen"), vipmacopen);

        MainViewController main;
        main.initByController(nullptr);
        StandInScreen::opened.clear();
        platform::ViewController* window = main.AddSingSingleStock(code);
        QCOMPARE(openedKind(window), opened);
        if (auto* screen = dynamic_cast<StandInScreen*>(window)) {
            // The opening order: bind, present, then hand over the block.
            QCOMPARE(screen->code, code);
            QCOMPARE(screen->sdk, m_delegate->iQuilorSDK());
            QVERIFY(!screen->visibleAtBind);
            QVERIFY(screen->visibleAtBlock);
            QVERIFY(screen->myStockChanged);
            QCOMPARE(screen->presentingViewController(), &main);
        } else if (window) {
            QCOMPARE(window->isVisible(), true);
            QVERIFY(StandInScreen::opened.isEmpty());
        } else {
            QVERIFY(StandInScreen::opened.isEmpty());
        }
    }

    void openSecurityScreen_unknownOrWrongClass_opensNothing()
    {
        MainViewController main;
        QVERIFY(
            !app::openSecurityScreen(&main, QStringLiteral("NoSuchScreen"), QStringLiteral("600000"), {}));
        // A registered controller that is not a security screen is discarded.
        QVERIFY(!app::openSecurityScreen(
            &main, QStringLiteral("GoVIPViewController"), QStringLiteral("600000"), {}));
        QVERIFY(main.findChildren<StandInOffer*>().isEmpty());
    }

    void embeddedList_isPlacedAndReloadedAfterAGroupChange()
    {
        auto* made = new QList<QPointer<StandInList>>;
        platform::ControllerRegistry::registerFactory(QStringLiteral("ZXGView"), [made]() -> QWidget* {
            auto* list = new StandInList;
            *made << list;
            return list;
        });
        MainViewController main;
        main.loadViewIfNeeded();
        QCOMPARE(made->size(), 1);
        StandInList* list = made->first();
        QCOMPARE(list->parentWidget(), main.zxgFatherView());
        QCOMPARE(main.zxgFatherView()->listView(), list);
        QCOMPARE(list->fathers, (QList<QObject*> { &main }));

        m_delegate->iQuilorSDK()->iUser()->power = QStringLiteral("4001");
        auto* screen = dynamic_cast<StandInScreen*>(main.AddSingSingleStock(QStringLiteral("600519")));
        QVERIFY(screen);
        QCOMPARE(list->updates, 0);
        screen->myStockChanged();
        QCOMPARE(list->updates, 1);
        delete made;
    }

    void withoutList_containerStaysEmpty()
    {
        auto main = std::make_unique<MainViewController>();
        main->loadViewIfNeeded();
        QVERIFY(!main->zxgFatherView()->listView());
        auto* screen = dynamic_cast<StandInScreen*>(main->AddSingSingleStock(QStringLiteral("600000")));
        QVERIFY(screen);
        const std::function<void()> block = screen->myStockChanged;
        block(); // no list to reload
        main.reset();
        block(); // the home screen is gone: nothing happens
    }

    void errorText_looksUpTheCode()
    {
        QCOMPARE(
            app::errorText(-987654), QStringLiteral("An unknown error occurred, please upgrade the app."));
        QVERIFY(app::errorText(-1051) != app::errorText(-987654));
        app::setErrorDict({ { QStringLiteral("-1002"), QStringLiteral("密码错误") } });
        QCOMPARE(app::errorText(-1002), QStringLiteral("密码错误"));
        testsupport::AlertRecorder alerts;
        app::showServerError(nullptr, -1002);
        QCOMPARE(alerts.messages(), QStringList { QStringLiteral("密码错误") });
        QVERIFY(alerts.alerts.first().buttons.isEmpty()
            || alerts.alerts.first().buttons == QStringList { QStringLiteral("确定") });
    }
};

QTEST_MAIN(tst_MainViewController)
#include "tst_MainViewController.moc"
