#include "watchlist/EditGroupTableCellView.h"

#include "app/AppDelegate.h"
#include "app/WindowReply.h"
#include "backend/QuilorSDK.h"
#include "market/GroupWrites.h"
#include "market/MyStockGroup.h"
#include "platform/Types.h"
#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "watchlist/GroupDialogLayout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

const QString EditGroupTableCellView::kIdentifier = QStringLiteral("EditGroupTableCellView");

namespace {
QPushButton* makeButton(const QString& title, const QString& name, QWidget* parent)
{
    auto* button = new QPushButton(title, parent);
    button->setObjectName(name);
    button->setFixedSize(28, 22);
    button->setStyleSheet(QStringLiteral("QPushButton { background-color: #30343c; color: white; border: 1px "
                                         "solid #555; border-radius: 3px; }"));
    return button;
}
} // namespace

EditGroupTableCellView::EditGroupTableCellView(QWidget* parent)
    : RecordCellView(parent)
{
    setObjectName(kIdentifier);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 6, 4);
    layout->setSpacing(3);
    textField = new watchlist::ElidedLabel(this);
    textField->setObjectName(QStringLiteral("textField"));
    QPalette palette = textField->palette();
    palette.setColor(QPalette::WindowText, platform::Colors::white());
    textField->setPalette(palette);
    layout->addWidget(textField, 1);

    renameButton = makeButton(QStringLiteral("改"), QStringLiteral("renameButton"), this);
    deleteButton = makeButton(QStringLiteral("删"), QStringLiteral("deleteButton"), this);
    moveToFirstButton = makeButton(QStringLiteral("顶"), QStringLiteral("moveToFirstButton"), this);
    moveToPreButton = makeButton(QStringLiteral("↑"), QStringLiteral("moveToPreButton"), this);
    moveToNextButton = makeButton(QStringLiteral("↓"), QStringLiteral("moveToNextButton"), this);
    renameButton->setToolTip(QStringLiteral("重命名"));
    deleteButton->setToolTip(QStringLiteral("删除"));
    moveToFirstButton->setToolTip(QStringLiteral("移到最前"));
    moveToPreButton->setToolTip(QStringLiteral("上移一位"));
    moveToNextButton->setToolTip(QStringLiteral("下移一位"));
    for (QPushButton* button :
        { renameButton, deleteButton, moveToFirstButton, moveToPreButton, moveToNextButton })
        layout->addWidget(button);
    connect(renameButton, &QPushButton::clicked, this, &EditGroupTableCellView::renamePressed);
    connect(deleteButton, &QPushButton::clicked, this, &EditGroupTableCellView::deletePressed);
    connect(moveToFirstButton, &QPushButton::clicked, this, &EditGroupTableCellView::moveToFirstPressed);
    connect(moveToPreButton, &QPushButton::clicked, this, &EditGroupTableCellView::moveToPrePressed);
    connect(moveToNextButton, &QPushButton::clicked, this, &EditGroupTableCellView::moveToNextPressed);
}

void EditGroupTableCellView::UpdateCell(const QVariantMap& dict)
{
    if (dict.isEmpty())
        return;
    selfDict = dict;
    textField->setFullText(platform::stringOf(selfDict, QStringLiteral("userstockgroupname")));
}

void EditGroupTableCellView::renamePressed()
{
    sendEvent(QStringLiteral("DoRename"));
}

void EditGroupTableCellView::deletePressed()
{
    sendEvent(QStringLiteral("DoDelete"));
}

void EditGroupTableCellView::sendMove(std::optional<int> step)
{
    const QString id = platform::stringOf(selfDict, QStringLiteral("id"));
    AppDelegate* delegate = AppDelegate::shared();
    QuilorSDK* client = delegate ? delegate->iQuilorSDK() : nullptr;
    if (id.isEmpty() || !client)
        return;
    // Once the manager has closed, the new order still reaches the group model.
    const QPointer<MyStockGroup> model = client->iMyStockGroup();
    auto* reply = new app::WindowReply(
        this, this,
        [model](const app::ReplyOutcome& outcome) {
            if (outcome.ok && model)
                model->refreshData();
        },
        client);
    // One place up or down from where the group stands when the move is
    // sent, which a move answered meanwhile may have changed.
    market::GroupWrites::of(client)->writeGroups(backend::kApiAddGroup, reply,
        market::GroupWrites::changeGroup(
            id, QString(), [step](const QVariantMap& group, const QVariantList&) -> std::optional<QString> {
                if (!step)
                    return QStringLiteral("0");
                const long long order
                    = platform::integerValue(group.value(QStringLiteral("userstockgrouporder")));
                return platform::stringWithFormat("%d", int(order + *step));
            }));
}

void EditGroupTableCellView::moveToFirstPressed()
{
    sendMove(std::nullopt);
}

void EditGroupTableCellView::moveToPrePressed()
{
    sendMove(-1);
}

void EditGroupTableCellView::moveToNextPressed()
{
    sendMove(1);
}

bool EditGroupTableCellView::HttpResult(const QVariant&, int api, bool)
{
    if (api == backend::kApiAddGroup)
        sendEvent(QStringLiteral("DoRefresh"));
    return true;
}
