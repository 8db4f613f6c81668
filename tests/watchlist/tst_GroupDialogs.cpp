#include "WatchlistTestEnv.h"
#include "backend/BackendProtocol.h"
#include "market/MyStockGroup.h"
#include "watchlist/AddGroupViewController.h"
#include "watchlist/EditGroupViewController.h"
#include "watchlist/PopUpButton.h"
#include "watchlist/Registration.h"
#include "watchlist/ZXGView.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

class tst_GroupDialogs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void add_refusedBeforeSending_data();
    void add_refusedBeforeSending();
    void add_successRunsBlockAndCloses();
    void add_pastedNameKeepsWholeCharacters_data();
    void add_pastedNameKeepsWholeCharacters();
    void add_failureKeepsDialogOpen_data();
    void add_failureKeepsDialogOpen();
    void rename_successRenamesCurrentGroup();
    void rename_withoutCurrentGroupId();
    void rename_failureKeepsDialogOpen_data();
    void rename_failureKeepsDialogOpen();
    void closing_runsCancelBlock();
    void render_dialogs();

private:
    void setUpPanel();
    template <typename T> T* openDialog(const char* key);

    std::unique_ptr<WatchlistTestEnv> m_env;
    std::unique_ptr<platform::ViewController> m_host;
    ZXGView* m_panel = nullptr;
};

void tst_GroupDialogs::init()
{
    m_env = std::make_unique<WatchlistTestEnv>();
    watchlist::registerControllers();
}

void tst_GroupDialogs::cleanup()
{
    m_host.reset();
    m_panel = nullptr;
    m_env.reset();
}

void tst_GroupDialogs::setUpPanel()
{
    m_panel = showPanel(m_host);
    QVERIFY(QTest::qWaitFor(
        [this]() {
            return m_panel->tableArray.size() == 3 && m_panel->iPopUpButton->itemArray().size() == 2;
        },
        5000));
}

template <typename T> T* tst_GroupDialogs::openDialog(const char* key)
{
    setUpPanel();
    itemWithData(m_panel->groupSetMenu(), QString::fromUtf8(key))->trigger();
    return m_host->findChild<T*>();
}

void tst_GroupDialogs::add_refusedBeforeSending_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("empty field") << QString() << QStringList();
    QTest::newRow("blanks only") << QStringLiteral("  ") << QStringList();
    QTest::newRow("name of a group the user has")
        << QStringLiteral("股票组2") << QStringList { QStringLiteral("新建分组不能重复！") };
}

void tst_GroupDialogs::add_refusedBeforeSending()
{
    QFETCH(QString, name);
    QFETCH(QStringList, messages);
    auto* dialog = openDialog<AddGroupViewController>("addGroup");
    QVERIFY(dialog);
    QCOMPARE(dialog->title(), QStringLiteral("添加群组"));
    QCOMPARE(dialog->iMyStockGroup.data(), m_panel->iMyStockGroup.data());
    testsupport::AlertRecorder alerts;
    dialog->nameTextField->setText(name);
    dialog->okButton->click();
    QTest::qWait(200);
    QCOMPARE(alerts.messages(), messages);
    QVERIFY(m_env->bodiesFor(backend::kApiAddGroup).isEmpty());

    // Called with no name at all it says so.
    dialog->AddGroup(QString());
    QCOMPARE(alerts.messages().last(), QStringLiteral("分组名不能空！"));
}

void tst_GroupDialogs::add_successRunsBlockAndCloses()
{
    QPointer<AddGroupViewController> dialog = openDialog<AddGroupViewController>("addGroup");
    QVERIFY(dialog);
    testsupport::AlertRecorder alerts;
    // A stock code is no group name: the test is against group names only.
    dialog->nameTextField->setText(QStringLiteral("600000"));
    dialog->okButton->click();
    QTRY_COMPARE(alerts.messages(), QStringList { QStringLiteral("添加群组成功!") });
    const QVariantMap body = m_env->bodiesFor(backend::kApiAddGroup).first();
    QCOMPARE(body.value(QStringLiteral("userstockgroupname")).toString(), QStringLiteral("600000"));
    QCOMPARE(body.value(QStringLiteral("userstockgrouporder")).toString(), QStringLiteral("2"));
    QVERIFY(!body.contains(QStringLiteral("id")));
    // The OK block reloads the panel's groups; the dialog goes away.
    QTRY_COMPARE(titles(m_panel->iPopUpButton), strings({ "自选股", "股票组2", "600000" }));
    QTRY_VERIFY(!dialog);
}

// The 20-character limit counts and cuts what the user sees as characters.
void tst_GroupDialogs::add_pastedNameKeepsWholeCharacters_data()
{
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("kept");
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString accented = QString(19, QLatin1Char('a')) + QStringLiteral("e\u0301");
    QTest::newRow("a and ten emoji") << QLatin1Char('a') + emoji.repeated(10)
                                     << QLatin1Char('a') + emoji.repeated(10);
    QTest::newRow("trailing combining accent") << accented << accented;
    QTest::newRow("one emoji too many") << emoji.repeated(21) << emoji.repeated(20);
}

void tst_GroupDialogs::add_pastedNameKeepsWholeCharacters()
{
    QFETCH(QString, pasted);
    QFETCH(QString, kept);
    auto* dialog = openDialog<AddGroupViewController>("addGroup");
    QVERIFY(dialog);
    testsupport::AlertRecorder alerts;
    QGuiApplication::clipboard()->setText(pasted);
    QTest::keyClick(dialog->nameTextField, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(dialog->nameTextField->text(), kept);
    QTest::mouseClick(dialog->okButton, Qt::LeftButton);
    QTRY_COMPARE(alerts.messages(), QStringList { QStringLiteral("添加群组成功!") });
    QCOMPARE(m_env->bodiesFor(backend::kApiAddGroup)
                 .first()
                 .value(QStringLiteral("userstockgroupname"))
                 .toString(),
        kept);
}

void tst_GroupDialogs::add_failureKeepsDialogOpen_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("duplicate on the server") << -1051 << QStringLiteral("分组名称不能重复!");
    QTest::newRow("other failure") << -1006 << QStringLiteral("网络不给力，添加分组失败，请重试!");
}

void tst_GroupDialogs::add_failureKeepsDialogOpen()
{
    QFETCH(int, code);
    QFETCH(QString, message);
    QPointer<AddGroupViewController> dialog = openDialog<AddGroupViewController>("addGroup");
    QVERIFY(dialog);
    m_env->backend().failApi(backend::kApiAddGroup, code);
    testsupport::AlertRecorder alerts;
    dialog->nameTextField->setText(QStringLiteral("长线"));
    dialog->okButton->click();
    QTRY_COMPARE(alerts.messages(), QStringList { message });
    QTest::qWait(100);
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->nameTextField->text(), QStringLiteral("长线"));
}

void tst_GroupDialogs::rename_successRenamesCurrentGroup()
{
    QPointer<EditGroupViewController> dialog = openDialog<EditGroupViewController>("renameGroup");
    QVERIFY(dialog);
    QCOMPARE(dialog->title(), QStringLiteral("修改分组名"));
    testsupport::AlertRecorder alerts;
    dialog->okButton->click();
    QTest::qWait(100);
    QVERIFY(alerts.alerts.isEmpty());

    dialog->nameTextField->setText(QStringLiteral("核心"));
    dialog->okButton->click();
    QTRY_COMPARE(alerts.messages(), QStringList { QStringLiteral("修改分组名成功!") });
    const QVariantMap body = m_env->bodiesFor(backend::kApiAddGroup).first();
    QCOMPARE(body.value(QStringLiteral("id")).toString(), QStringLiteral("1"));
    QCOMPARE(body.value(QStringLiteral("userstockgrouporder")).toString(), QStringLiteral("0"));
    QCOMPARE(body.value(QStringLiteral("userstockgroupname")).toString(), QStringLiteral("核心"));
    QTRY_COMPARE(titles(m_panel->iPopUpButton), strings({ "核心", "股票组2" }));
    QTRY_VERIFY(!dialog);
}

void tst_GroupDialogs::rename_withoutCurrentGroupId()
{
    QPointer<EditGroupViewController> dialog = openDialog<EditGroupViewController>("renameGroup");
    QVERIFY(dialog);
    m_panel->iMyStockGroup->setIGroupArray(
        QVariantList { dict({ { "userstockgroupname", "无号" }, { "userstockgrouporder", "0" } }) });
    testsupport::AlertRecorder alerts;
    dialog->nameTextField->setText(QStringLiteral("核心"));
    dialog->okButton->click();
    QCOMPARE(alerts.messages(), QStringList { QStringLiteral("获取当前分组出错！") });
    QTest::qWait(100);
    QVERIFY(m_env->bodiesFor(backend::kApiAddGroup).isEmpty());
    QVERIFY(dialog);
}

void tst_GroupDialogs::rename_failureKeepsDialogOpen_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code"); // 0: no injected failure
    QTest::addColumn<QString>("message");
    QTest::newRow("name of the other group")
        << QStringLiteral("股票组2") << 0 << QStringLiteral("分组名称不能重复!");
    QTest::newRow("other failure") << QStringLiteral("核心") << -1
                                   << QStringLiteral("网络不给力，修改分组名失败，请重试!");
}

void tst_GroupDialogs::rename_failureKeepsDialogOpen()
{
    QFETCH(QString, name);
    QFETCH(int, code);
    QFETCH(QString, message);
    QPointer<EditGroupViewController> dialog = openDialog<EditGroupViewController>("renameGroup");
    QVERIFY(dialog);
    if (code != 0)
        m_env->backend().failApi(backend::kApiAddGroup, code);
    testsupport::AlertRecorder alerts;
    dialog->nameTextField->setText(name);
    dialog->okButton->click();
    QTRY_COMPARE(alerts.messages(), QStringList { message });
    QTest::qWait(100);
    QVERIFY(dialog);
    QCOMPARE(titles(m_panel->iPopUpButton), strings({ "自选股", "股票组2" }));
}

void tst_GroupDialogs::closing_runsCancelBlock()
{
    QPointer<AddGroupViewController> dialog = openDialog<AddGroupViewController>("addGroup");
    QVERIFY(dialog);
    int cancelled = 0;
    dialog->setAddCancel([&cancelled]() { ++cancelled; });
    dialog->cancelButton->click();
    QCOMPARE(cancelled, 1);
    QTRY_VERIFY(!dialog);
    QVERIFY(m_env->bodiesFor(backend::kApiAddGroup).isEmpty());

    itemWithData(m_panel->groupSetMenu(), QStringLiteral("renameGroup"))->trigger();
    QPointer<EditGroupViewController> rename = m_host->findChild<EditGroupViewController*>();
    QVERIFY(rename);
    rename->setEditCancel([&cancelled]() { ++cancelled; });
    rename->close();
    QCOMPARE(cancelled, 2);
}

void tst_GroupDialogs::render_dialogs()
{
    auto* dialog = openDialog<AddGroupViewController>("addGroup");
    QVERIFY(dialog);
    dialog->nameTextField->setText(QStringLiteral("长线"));
    QVERIFY(QFile::exists(testsupport::renderToPng(dialog, QStringLiteral("watchlist_add_group"))));
}

QTEST_MAIN(tst_GroupDialogs)
#include "tst_GroupDialogs.moc"
