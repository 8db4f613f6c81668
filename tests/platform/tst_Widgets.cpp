#include "TestSupport.h"
#include "platform/widgets/Colors.h"
#include "platform/widgets/ControllerRegistry.h"
#include "platform/widgets/Presenters.h"
#include "platform/widgets/TableRowView.h"
#include "platform/widgets/ViewController.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWindow>

using namespace platform;

namespace {
class Probe : public ViewController {
public:
    QStringList* events = nullptr;
    QSize fixed;
    void viewDidLoad() override { *events << QStringLiteral("load"); }
    void viewDidAppear() override { *events << QStringLiteral("appear"); }
    void viewDidDisappear() override { *events << QStringLiteral("disappear"); }
    QSize windowWillResize(const QSize& proposed) override { return fixed.isValid() ? fixed : proposed; }
};
} // namespace

class tst_Widgets : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void hooks_runInOrder();
    void presentedController_doesNotBlock_andDiesOnDismiss();
    void presentedWindow_standsOverItsOpener_data();
    void presentedWindow_standsOverItsOpener();
    void windowWillResize_holdsTheAnsweredSize();
    void registry_makesControllersByIdentifier();
    void alerts_goThroughThePresenter();
    void menus_areRecordedAndChosen();
    void userNotifications_areRecorded();
    void userNotifications_withoutTrayShowInTheWindow();
    void inputs_areAnsweredOrCancelled();
    void qtInput_okOnEmptyIsNoCancel_data();
    void qtInput_okOnEmptyIsNoCancel();
    void tableRow_paintsBackgroundAndSelection();
};

void tst_Widgets::initTestCase()
{
    ViewController::setPresentsModally(false);
}

void tst_Widgets::hooks_runInOrder()
{
    QStringList events;
    Probe probe;
    probe.events = &events;
    probe.show();
    QVERIFY(QTest::qWaitForWindowExposed(&probe));
    probe.hide();
    probe.show();
    probe.close();
    QCOMPARE(events,
        (QStringList { QStringLiteral("load"), QStringLiteral("appear"), QStringLiteral("disappear"),
            QStringLiteral("appear"), QStringLiteral("disappear") }));
}

void tst_Widgets::presentedController_doesNotBlock_andDiesOnDismiss()
{
    QStringList parentEvents, childEvents;
    Probe parent;
    parent.events = &parentEvents;
    parent.show();
    auto* child = new Probe;
    child->events = &childEvents;
    QPointer<Probe> guard(child);
    parent.presentViewControllerAsModalWindow(child);
    // Returned at once with the child shown as its own window.
    QVERIFY(child->isVisible());
    QVERIFY(child->isWindow());
    QCOMPARE(child->presentingViewController(), &parent);
    QCOMPARE(childEvents.first(), QStringLiteral("load"));
    child->dismissController();
    QTRY_VERIFY(guard.isNull());
    QCOMPARE(childEvents.last(), QStringLiteral("disappear"));
    QVERIFY(parent.isVisible());
}

void tst_Widgets::presentedWindow_standsOverItsOpener_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("small: centred on the opener") << QSize(120, 60);
    QTest::newRow("larger than the screen: held to it") << QSize(4000, 3000);
}

void tst_Widgets::presentedWindow_standsOverItsOpener()
{
    QFETCH(QSize, size);
    QStringList events;
    Probe opener;
    opener.events = &events;
    opener.setGeometry(60, 50, 300, 200);
    opener.show();
    QVERIFY(QTest::qWaitForWindowExposed(&opener));
    auto* child = new Probe;
    child->events = &events;
    child->fixed = size;
    child->resize(size);
    opener.presentViewControllerAsModalWindow(child);
    QVERIFY(QTest::qWaitForWindowExposed(child));
    QVERIFY(child->windowHandle());
    QCOMPARE(child->windowHandle()->transientParent(), opener.windowHandle());
    // A dialog, the only kind whose opener X11 window managers are told of,
    // and without a minimize button of its own.
    const Qt::WindowFlags flags = child->windowHandle()->flags();
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Dialog);
    QVERIFY((flags & Qt::CustomizeWindowHint) && !(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    const QRect area = opener.screen()->availableGeometry();
    if (size.width() < area.width()) {
        QCOMPARE(child->frameGeometry().center(), opener.frameGeometry().center());
    } else {
        // Even a window that insists on its size, with its frame.
        QCOMPARE(child->frameGeometry(), area);
        child->resize(size);
        QTRY_COMPARE(child->frameGeometry(), area);
    }
    child->close();
}

void tst_Widgets::windowWillResize_holdsTheAnsweredSize()
{
    QStringList events;
    Probe probe;
    probe.events = &events;
    probe.fixed = QSize(666, 573);
    probe.show();
    QVERIFY(QTest::qWaitForWindowExposed(&probe));
    probe.resize(900, 900);
    QTRY_COMPARE(probe.size(), QSize(666, 573));
}

void tst_Widgets::registry_makesControllersByIdentifier()
{
    ControllerRegistry::registerClass<Probe>(QStringLiteral("Probe"));
    ControllerRegistry::registerClass<QWidget>(QStringLiteral("PlainView"));
    QVERIFY(ControllerRegistry::has(QStringLiteral("Probe")));
    std::unique_ptr<ViewController> made(ControllerRegistry::instantiateController(QStringLiteral("Probe")));
    QVERIFY(dynamic_cast<Probe*>(made.get()));
    std::unique_ptr<QWidget> view(ControllerRegistry::instantiate(QStringLiteral("PlainView")));
    QVERIFY(view);
    // A plain view asked for as a controller is not leaked and not returned.
    QVERIFY(!ControllerRegistry::instantiateController(QStringLiteral("PlainView")));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no class registered as Nope")));
    QVERIFY(!ControllerRegistry::instantiate(QStringLiteral("Nope")));
    ControllerRegistry::clear();
    QVERIFY(!ControllerRegistry::has(QStringLiteral("Probe")));
}

void tst_Widgets::alerts_goThroughThePresenter()
{
    testsupport::AlertRecorder alerts;
    alerts.answers = { 1 };
    int chosen = -1;
    showAlert(nullptr,
        AlertSpec {
            QStringLiteral("删除股票组?"), QString(), { QStringLiteral("确定"), QStringLiteral("取消") } },
        [&](int index) { chosen = index; });
    QCOMPARE(chosen, 1);
    showAlert(nullptr, QStringLiteral("网络错误"), [&](int index) { chosen = index; });
    QCOMPARE(chosen, 0);
    QCOMPARE(alerts.messages(), (QStringList { QStringLiteral("删除股票组?"), QStringLiteral("网络错误") }));
    QCOMPARE(alerts.alerts.last().buttons, QStringList { QStringLiteral("确定") });
}

void tst_Widgets::menus_areRecordedAndChosen()
{
    testsupport::MenuRecorder menus;
    QMenu menu;
    QString triggered;
    menu.addAction(QStringLiteral("&Open"), [&] { triggered = QStringLiteral("Open"); });
    menu.addSeparator();
    QMenu* move = menu.addMenu(QStringLiteral("Move"));
    move->addAction(QStringLiteral("股票组1"), [&] { triggered = QStringLiteral("1"); });
    move->addAction(QStringLiteral("股票组2"), [&] { triggered = QStringLiteral("2"); });
    menus.choice = { QStringLiteral("Move"), QStringLiteral("股票组2") };
    popUpMenu(&menu, QPoint(), nullptr);
    QCOMPARE(triggered, QStringLiteral("2"));
    QCOMPARE(menus.shown.size(), 1);
    QCOMPARE(menus.shown.first(),
        (QStringList { QStringLiteral("Open"), QStringLiteral("-"), QStringLiteral("Move>"),
            QStringLiteral("  股票组1"), QStringLiteral("  股票组2") }));
    triggered.clear();
    menus.choice.clear();
    popUpMenu(&menu, QPoint(), nullptr);
    QVERIFY(triggered.isEmpty());
    menus.choice = { QStringLiteral("Missing") };
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no item")));
    popUpMenu(&menu, QPoint(), nullptr);
    QVERIFY(triggered.isEmpty());
}

void tst_Widgets::userNotifications_areRecorded()
{
    testsupport::NotificationRecorder notices;
    deliverUserNotification(QStringLiteral("岚石通"), QStringLiteral("获取数据失败"));
    QCOMPARE(notices.delivered.size(), 1);
    QCOMPARE(notices.delivered.first().informativeText, QStringLiteral("获取数据失败"));
    QCOMPARE(notices.delivered.first().soundName, QStringLiteral("default"));
}

void tst_Widgets::userNotifications_withoutTrayShowInTheWindow()
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        QSKIP("this desktop has a tray");
    QWidget window;
    window.resize(400, 300);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    deliverUserNotification(QStringLiteral("自选股"), QStringLiteral("网络不给力，请重试！"));
    auto* shown = window.findChild<QLabel*>();
    QVERIFY(shown && shown->isVisible());
    QVERIFY(shown->text().contains(QStringLiteral("网络不给力，请重试！")));
    QVERIFY(window.rect().contains(shown->geometry()));
}

void tst_Widgets::inputs_areAnsweredOrCancelled()
{
    testsupport::InputRecorder inputs;
    inputs.answers = { QStringLiteral("新分组") };
    QStringList got;
    inputPresenter()->ask(
        QStringLiteral("新建分组"), QString(), QString(), nullptr, [&](const QString& t) { got << t; });
    inputPresenter()->ask(
        QStringLiteral("重命名"), QString(), QString(), nullptr, [&](const QString& t) { got << t; });
    QCOMPARE(got.size(), 2);
    QCOMPARE(got.at(0), QStringLiteral("新分组"));
    QVERIFY(got.at(1).isNull());
    QCOMPARE(inputs.asked, (QStringList { QStringLiteral("新建分组"), QStringLiteral("重命名") }));
}

void tst_Widgets::qtInput_okOnEmptyIsNoCancel_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("answer"); // null: cancelled
    QTest::newRow("OK, nothing typed") << QString() << int(Qt::Key_Return) << QStringLiteral("");
    QTest::newRow("OK, typed") << QStringLiteral("ab") << int(Qt::Key_Return) << QStringLiteral("ab");
    QTest::newRow("Escape") << QStringLiteral("ab") << int(Qt::Key_Escape) << QString();
}

void tst_Widgets::qtInput_okOnEmptyIsNoCancel()
{
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(QString, answer);
    // No recorder: Qt's own input dialog asks.
    QStringList got;
    inputPresenter()->ask(QStringLiteral("重命名"), QStringLiteral("重命名"), QString(), nullptr,
        [&](const QString& t) { got << t; });
    const auto shownField = []() -> QLineEdit* {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && window->inherits("QInputDialog"))
                return window->findChild<QLineEdit*>();
        }
        return nullptr;
    };
    QLineEdit* field = nullptr;
    QTRY_VERIFY((field = shownField()) != nullptr);
    QTest::keyClicks(field, typed);
    QTest::keyClick(field, Qt::Key(key));
    QTRY_COMPARE(got.size(), 1);
    QCOMPARE(got.first(), answer);
    QCOMPARE(got.first().isNull(), answer.isNull());
}

void tst_Widgets::tableRow_paintsBackgroundAndSelection()
{
    TableRowView row;
    row.resize(40, 10);
    row.setBackgroundColor(Colors::calibratedRGB(43 / 255.0, 43 / 255.0, 69 / 255.0));
    QImage plain = row.grab().toImage();
    QCOMPARE(plain.pixelColor(20, 5).rgb(), QColor(43, 43, 69).rgb());
    row.setSelected(true);
    QImage selected = row.grab().toImage();
    QVERIFY(selected.pixelColor(20, 5) != plain.pixelColor(20, 5));
    const QString png = testsupport::renderToPng(&row, QStringLiteral("platform_tableRow"));
    QVERIFY(!png.isEmpty());
    QVERIFY(QFile::exists(png));
}

QTEST_MAIN(tst_Widgets)
#include "tst_Widgets.moc"
