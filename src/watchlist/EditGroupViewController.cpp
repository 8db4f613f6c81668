#include "watchlist/EditGroupViewController.h"

#include "app/AppDelegate.h"
#include "app/WindowReply.h"
#include "backend/QuilorSDK.h"
#include "market/GroupWrites.h"
#include "market/MyStockGroup.h"
#include "platform/Types.h"
#include "platform/widgets/Presenters.h"
#include "watchlist/GroupDialogLayout.h"

#include <QLineEdit>
#include <QPushButton>

namespace {
QString failureText(int code)
{
    return watchlist::groupFailureText(code, QStringLiteral("网络不给力，修改分组名失败，请重试!"));
}
} // namespace

EditGroupViewController::EditGroupViewController(QWidget* parent)
    : platform::ViewController(parent)
{
    setObjectName(QStringLiteral("EditGroupViewController"));
    watchlist::layOutGroupDialog(
        this, QStringLiteral("新分组名："), &nameTextField, &okButton, &cancelButton);
    connect(okButton, &QPushButton::clicked, this, &EditGroupViewController::OKBtnPressed);
    connect(cancelButton, &QPushButton::clicked, this, &EditGroupViewController::dismissController);
}

void EditGroupViewController::setIMyStockGroup(MyStockGroup* group)
{
    iMyStockGroup = group;
    m_groupTaken = group != nullptr;
    m_groupId = group ? platform::stringOf(group->GetCurGroupDict(), QStringLiteral("id")) : QString();
    m_userId = group ? group->userId() : QString();
}

void EditGroupViewController::viewDidLoad()
{
    setTitle(QStringLiteral("修改分组名"));
}

void EditGroupViewController::viewDidDisappear()
{
    if (editCancel)
        editCancel();
}

void EditGroupViewController::OKBtnPressed()
{
    const QString name = nameTextField->text().trimmed();
    if (name.isEmpty())
        return;
    if (watchlist::groupNameTooLong(name)) {
        platform::showAlert(this, watchlist::kGroupNameTooLong);
        return;
    }
    QVariantMap group = iMyStockGroup ? iMyStockGroup->GetCurGroupDict() : QVariantMap();
    if (m_groupTaken && iMyStockGroup) {
        // The group chosen when the dialog opened, wherever it is by now.
        group.clear();
        for (const QVariant& candidate : std::as_const(iMyStockGroup->iGroupArray)) {
            if (!m_groupId.isEmpty()
                && platform::stringOf(candidate.toMap(), QStringLiteral("id")) == m_groupId)
                group = candidate.toMap();
        }
    }
    const QString id = platform::stringOf(group, QStringLiteral("id"));
    if (id.isEmpty()) {
        platform::showAlert(this, QStringLiteral("获取当前分组出错！"));
        return;
    }
    AppDelegate* delegate = AppDelegate::shared();
    QuilorSDK* client = delegate ? delegate->iQuilorSDK() : nullptr;
    // Once the dialog has closed, its reply still updates the list's groups
    // or reports the failure over the list.
    auto* reply = client ? new app::WindowReply(this, this,
                      app::runOrReport(editOK, presentingViewController(),
                          [](const app::ReplyOutcome& outcome) { return failureText(outcome.code); }),
                      client)
                         : nullptr;
    if (!reply) {
        platform::showAlert(this, QStringLiteral("网络不给力，修改分组名失败，请重试!"));
        return;
    }
    // Sent with the order the group holds by then: a move made meanwhile stays.
    market::GroupWrites::of(client)->writeGroups(
        backend::kApiAddGroup, reply, market::GroupWrites::changeGroup(id, name), m_userId);
}

bool EditGroupViewController::HttpResult(const QVariant&, int api, bool)
{
    if (api != backend::kApiAddGroup)
        return true;
    QPointer<EditGroupViewController> self(this);
    platform::showAlert(this, QStringLiteral("修改分组名成功!"), [self](int) {
        if (!self || !self->editOK)
            return;
        self->editOK();
        self->dismissController();
    });
    return true;
}

bool EditGroupViewController::HttpEvent(int code, const QString&, int api)
{
    if (api == backend::kApiAddGroup)
        platform::showAlert(this, failureText(code));
    return true;
}
