#include "watchlist/AddGroupViewController.h"

#include "app/AppDelegate.h"
#include "app/WindowReply.h"
#include "backend/QuilorSDK.h"
#include "market/GroupWrites.h"
#include "market/MyStockGroup.h"
#include "platform/Types.h"
#include "platform/Values.h"
#include "platform/widgets/Presenters.h"
#include "watchlist/GroupDialogLayout.h"

#include <QLineEdit>
#include <QPushButton>

namespace {
QString failureText(int code)
{
    return watchlist::groupFailureText(code, QStringLiteral("网络不给力，添加分组失败，请重试!"));
}
} // namespace

AddGroupViewController::AddGroupViewController(QWidget* parent)
    : platform::ViewController(parent)
{
    setObjectName(QStringLiteral("AddGroupViewController"));
    watchlist::layOutGroupDialog(
        this, QStringLiteral("分组名称："), &nameTextField, &okButton, &cancelButton);
    connect(okButton, &QPushButton::clicked, this, &AddGroupViewController::OKBtnPressed);
    connect(cancelButton, &QPushButton::clicked, this, &AddGroupViewController::dismissController);
}

void AddGroupViewController::setIMyStockGroup(MyStockGroup* group)
{
    iMyStockGroup = group;
    m_userId = group ? group->userId() : QString();
}

void AddGroupViewController::viewDidLoad()
{
    setTitle(QStringLiteral("添加群组"));
}

void AddGroupViewController::viewDidDisappear()
{
    if (addCancel)
        addCancel();
}

void AddGroupViewController::OKBtnPressed()
{
    const QString name = nameTextField->text().trimmed();
    if (!name.isEmpty())
        AddGroup(name);
}

void AddGroupViewController::AddGroup(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) {
        platform::showAlert(this, QStringLiteral("分组名不能空！"));
        return;
    }
    if (watchlist::groupNameTooLong(trimmed)) {
        platform::showAlert(this, watchlist::kGroupNameTooLong);
        return;
    }
    // The duplicate test is against the user's group names; a new group goes last.
    qsizetype groupCount = 0;
    if (iMyStockGroup) {
        groupCount = iMyStockGroup->iGroupArray.size();
        for (const QVariant& group : std::as_const(iMyStockGroup->iGroupArray)) {
            if (platform::stringOf(group.toMap(), QStringLiteral("userstockgroupname")) == trimmed) {
                platform::showAlert(this, QStringLiteral("新建分组不能重复！"));
                return;
            }
        }
    }
    AppDelegate* delegate = AppDelegate::shared();
    QuilorSDK* client = delegate ? delegate->iQuilorSDK() : nullptr;
    // Once the dialog has closed, its reply still updates the list's groups
    // or reports the failure over the list.
    auto* reply = client ? new app::WindowReply(this, this,
                      app::runOrReport(addOK, presentingViewController(),
                          [](const app::ReplyOutcome& outcome) { return failureText(outcome.code); }),
                      client)
                         : nullptr;
    if (!reply) {
        platform::showAlert(this, QStringLiteral("网络不给力，添加分组失败，请重试!"));
        return;
    }
    const QString order = platform::stringWithFormat("%lu", (unsigned long)groupCount);
    market::GroupWrites::of(client)->writeGroupsInTurn(
        backend::kApiAddGroup, reply,
        [trimmed, order](QuilorSDK* client, MHTTPObserver* observer) {
            return client->addStockGroup(trimmed, order, QString(), nullptr, observer);
        },
        m_userId);
}

bool AddGroupViewController::HttpResult(const QVariant&, int api, bool)
{
    if (api != backend::kApiAddGroup)
        return true;
    QPointer<AddGroupViewController> self(this);
    platform::showAlert(this, QStringLiteral("添加群组成功!"), [self](int) {
        if (!self || !self->addOK)
            return;
        self->addOK();
        self->dismissController();
    });
    return true;
}

bool AddGroupViewController::HttpEvent(int code, const QString&, int api)
{
    if (api == backend::kApiAddGroup)
        platform::showAlert(this, failureText(code));
    return true;
}
