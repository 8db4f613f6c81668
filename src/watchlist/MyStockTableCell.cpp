#include "watchlist/MyStockTableCell.h"

#include "app/AppDelegate.h"
#include "backend/QuilorSDK.h"
#include "market/GroupWrites.h"
#include "market/MyStockGroup.h"
#include "market/stocks.h"
#include "platform/Types.h"
#include "platform/Values.h"
#include "platform/widgets/FittedText.h"
#include "platform/widgets/PlainText.h"
#include "platform/widgets/Presenters.h"
#include "watchlist/GroupDialogLayout.h"
#include "watchlist/RowFormat.h"
#include "watchlist/ZXGView.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>

namespace {
const QString kStockupDateOk = QStringLiteral("StockupDateOk");
const QString kStockcode = QStringLiteral("stockcode");

QLabel* makeLabel(QWidget* parent, const char* objectName, int pixelSize, Qt::Alignment alignment)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromUtf8(objectName));
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    label->setFont(font);
    label->setAlignment(alignment | Qt::AlignVCenter);
    // Inside the table's viewport the role would follow its Base background.
    label->setForegroundRole(QPalette::WindowText);
    // Clicks and drags belong to the row, not to its labels.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    watchlist::setTextColor(label, watchlist::colorOf(watchlist::Tone::White));
    return label;
}
} // namespace

const QString MyStockTableCell::kIdentifier = QStringLiteral("MyStockTableCell");

MyStockTableCell::MyStockTableCell(QWidget* parent)
    : RecordCellView(parent)
{
    setObjectName(kIdentifier);
    name = makeLabel(this, "name", 13, Qt::AlignLeft);
    code = makeLabel(this, "code", 10, Qt::AlignLeft);
    price = makeLabel(this, "price", 12, Qt::AlignRight);
    wave = makeLabel(this, "wave", 11, Qt::AlignRight);
    ratio = makeLabel(this, "ratio", 10, Qt::AlignLeft);
    turnoverrate = makeLabel(this, "turnoverrate", 10, Qt::AlignLeft);
    mainvalue = makeLabel(this, "mainvalue", 10, Qt::AlignRight);
    ratio->resize(watchlist::kRatioNarrowWidth, 16);
    resize(218, 40);
    layoutLabels();
}

MyStockTableCell::~MyStockTableCell()
{
    // A row that goes with its window stops the store's refreshes of its code.
    unregisterQuote();
}

// The row counts as showing its code while it is on a list: it registers
// once when it is placed and lets go once when it is taken off, rebound to
// another code or destroyed, so that the store's count stays right.
void MyStockTableCell::registerQuote()
{
    // A code the row cannot label is one it shows nothing of.
    const bool shows = watchlist::codeLabelFor(rowCode()).rule != watchlist::CodeLabelRule::StopBinding;
    if (!parentWidget() || selfDict.isEmpty() || !shows) {
        unregisterQuote();
        return;
    }
    const QString code = rowCode();
    if (m_registered && code == m_registeredCode)
        return;
    unregisterQuote();
    QuilorSDK* client = sdk();
    stocks* store = client ? client->iStocks() : nullptr;
    if (!store)
        return;
    store->AddwillDoRefreshDict(selfDict);
    m_store = store;
    m_registeredCode = code;
    m_registered = true;
}

void MyStockTableCell::unregisterQuote()
{
    if (m_registered && m_store)
        m_store->DelwillDoRefreshDict({ { kStockcode, m_registeredCode } });
    m_registered = false;
    m_registeredCode.clear();
}

void MyStockTableCell::layoutLabels()
{
    // Two lines laid out in the row's real width, so the compact window's
    // narrower rows keep their right edge in sight.
    const int w = width();
    const int codeWidth = qMax(62, w * 30 / 100 - 4);
    name->setGeometry(4, 3, codeWidth, 18);
    const int priceX = name->geometry().right() + 1;
    price->setGeometry(priceX, 3, qMax(56, w * 24 / 100), 18);
    const int waveX = price->geometry().right() + 3;
    wave->setGeometry(waveX, 3, w - 4 - waveX, 18);

    code->setGeometry(4, 22, codeWidth, 16);
    const int ratioX = codeWidth + 4;
    ratio->setGeometry(ratioX, 22, ratio->width(), 16);
    turnoverrate->setGeometry(ratioX + 43, 22, 45, 16);
    const int mainX = ratioX + 88;
    mainvalue->setGeometry(mainX, 22, w - 4 - mainX, 16);
}

void MyStockTableCell::resizeEvent(QResizeEvent* event)
{
    TableCellView::resizeEvent(event);
    layoutLabels();
}

QuilorSDK* MyStockTableCell::sdk() const
{
    AppDelegate* delegate = AppDelegate::shared();
    return delegate ? delegate->iQuilorSDK() : nullptr;
}

MyStockGroup* MyStockTableCell::listGroupModel() const
{
    if (auto* panel = qobject_cast<ZXGView*>(delegateCell.data())) {
        if (panel->iMyStockGroup)
            return panel->iMyStockGroup;
    }
    QuilorSDK* client = sdk();
    return client ? client->iMyStockGroup() : nullptr;
}

QString MyStockTableCell::rowCode() const
{
    return stockCodeOf(selfDict);
}

const QVariantMap& MyStockTableCell::commandRecord() const
{
    return m_menuRecord.isEmpty() ? selfDict : m_menuRecord;
}

QString MyStockTableCell::field(const QString& key) const
{
    // An absent key stays absent in the request.
    const QVariantMap& record = commandRecord();
    return record.contains(key) ? platform::stringOf(record, key) : QString();
}

QVariantMap MyStockTableCell::rowGroup() const
{
    return watchlist::groupOfRow(commandRecord(), listGroupModel());
}

void MyStockTableCell::UpdateCell(const QVariantMap& record)
{
    if (record.isEmpty())
        return;
    selfDict = record;
    selfDict.insert(QStringLiteral("isRunningHttp"), QStringLiteral("NO"));
    selfDict.insert(QStringLiteral("dataUploaded"), QStringLiteral("YES"));
    // A row rebound in place moves its registration to the new code.
    if (parentWidget())
        registerQuote();
    const QString stockcode = platform::stringOf(record, kStockcode);
    platform::setFittedText(name, platform::stringOf(record, QStringLiteral("stockname")));

    // A reused row shows nothing of the stock it showed before: the code and
    // quote labels start empty and white, and only this record fills them.
    const watchlist::CodeLabel label = watchlist::codeLabelFor(stockcode);
    platform::setFittedText(code, label.rule == watchlist::CodeLabelRule::Set ? label.text : QString());
    for (QLabel* field : { price, wave, ratio, turnoverrate, mainvalue })
        platform::setFittedText(field, QString());
    for (QLabel* field : { name, code, price, wave, ratio, turnoverrate, mainvalue })
        watchlist::setTextColor(field, watchlist::colorOf(watchlist::Tone::White));
    if (label.rule == watchlist::CodeLabelRule::StopBinding)
        return;

    QuilorSDK* client = sdk();
    stocks* store = client ? client->iStocks() : nullptr;
    if (!store)
        return;
    const StockQuoteDict quote = store->recordFor(stockcode);
    if (quote) {
        UpdateUI(quote.get());
    } else {
        const QVariantMap own = selfDict;
        UpdateUI(&own);
    }
}

void MyStockTableCell::UpdateUI(const QVariantMap* quote)
{
    const QString rowcode = rowCode();
    StockQuoteDict held;
    if (!quote) {
        QuilorSDK* client = sdk();
        stocks* store = client ? client->iStocks() : nullptr;
        if (!store)
            return;
        held = store->recordFor(rowcode);
        if (!held)
            return;
        quote = held.get();
    }
    const std::optional<watchlist::QuoteFields> fields = watchlist::quoteFieldsFor(rowcode, *quote);
    if (!fields)
        return;

    const QColor color = watchlist::colorOf(fields->tone);
    for (QLabel* label : { name, price, code, wave, ratio, turnoverrate })
        watchlist::setTextColor(label, color);
    if (fields->whitenMainvalue)
        watchlist::setTextColor(mainvalue, color);

    // Narrow labels shrink or elide a long figure, never drop its sign or digits.
    if (fields->name)
        platform::setFittedText(name, *fields->name);
    if (fields->price)
        platform::setFittedText(price, *fields->price);
    // A price the feed could not give reads as no change.
    if (fields->price == QStringLiteral("--"))
        watchlist::setTextColor(price, watchlist::colorOf(watchlist::Tone::White));
    platform::setFittedText(wave, fields->wave);
    if (fields->ratio)
        platform::setFittedText(ratio, *fields->ratio);
    if (fields->turnoverrate)
        platform::setFittedText(turnoverrate, *fields->turnoverrate);

    if (fields->layout == watchlist::RatioLayout::Stock)
        turnoverrate->show();
    else if (fields->layout == watchlist::RatioLayout::Index)
        turnoverrate->hide();
    const int width = watchlist::ratioWidthFor(fields->layout, ratio->width());
    if (width != ratio->width())
        ratio->resize(width, ratio->height());

    if (fields->mainvalue) {
        watchlist::setTextColor(mainvalue, watchlist::colorOf(*fields->mainvalueTone));
        platform::setFittedText(mainvalue, *fields->mainvalue);
    }
}

void MyStockTableCell::StockupDateOk(const platform::Notification& notification)
{
    const QVariantMap record = platform::dictFromVariant(notification.object);
    if (stockCodeOf(record) == rowCode())
        UpdateUI();
}

void MyStockTableCell::viewDidMoveToSuperview()
{
    // A row taken off the list has nothing to show, so it registers nothing.
    if (!parentWidget() || selfDict.isEmpty())
        return;
    registerQuote();
    if (!m_registered)
        return;
    platform::NotificationCenter* center = platform::NotificationCenter::defaultCenter();
    center->removeObserver(this, kStockupDateOk);
    center->addObserver(this, kStockupDateOk,
        [this](const platform::Notification& notification) { StockupDateOk(notification); });
}

void MyStockTableCell::removeFromSuperview()
{
    TableCellView::removeFromSuperview();
    unregisterQuote();
    platform::NotificationCenter::defaultCenter()->removeObserver(this);
}

void MyStockTableCell::mouseDown(int clickCount)
{
    if (clickCount == 2)
        sendEvent(QStringLiteral("DoubleClick"));
}

void MyStockTableCell::countPress(QMouseEvent* event, bool doubleClick)
{
    if (event->button() != Qt::LeftButton) {
        // Another button ends a sequence of left clicks.
        m_clickCount = 0;
        return;
    }
    const QPoint pos = event->globalPosition().toPoint();
    const ulong time = event->timestamp();
    const bool near = (pos - m_lastPressPos).manhattanLength() <= QApplication::startDragDistance();
    const bool inSequence = m_clickCount > 0 && near && time >= m_lastPressTime
        && time - m_lastPressTime <= ulong(QApplication::doubleClickInterval());
    if (doubleClick) {
        // Some deliveries send the press as well as the double click for the
        // same click: count that click once.
        if (inSequence && time == m_lastPressTime)
            return;
        m_clickCount = inSequence ? qMax(m_clickCount + 1, 2) : 2;
    } else {
        m_clickCount = inSequence ? m_clickCount + 1 : 1;
    }
    m_lastPressTime = time;
    m_lastPressPos = pos;
    mouseDown(m_clickCount);
}

void MyStockTableCell::mousePressEvent(QMouseEvent* event)
{
    countPress(event, false);
    // The list still sees the press, as for any click (it starts drags).
    TableCellView::mousePressEvent(event);
}

void MyStockTableCell::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Qt hands the second press of a double click over as this event alone.
    countPress(event, true);
    event->ignore();
}

void MyStockTableCell::contextMenuEvent(QContextMenuEvent* event)
{
    menuForEvent(event->globalPos());
    event->accept();
}

QMenu* MyStockTableCell::getMenu()
{
    auto* menu = new QMenu(QStringLiteral("Set"));
    const auto addItem = [this, menu](const char* title, const char* identifier) {
        QAction* item = menu->addAction(QString::fromUtf8(title));
        item->setData(QString::fromUtf8(identifier));
        connect(item, &QAction::triggered, this, [this, item]() { cellMenuItemPressed(item); });
    };
    addItem("移到最前", "moveToFirst");
    addItem("上移一位", "moveToPre");
    addItem("下移一位", "moveToNext");

    m_menuRecord = selfDict;
    MyStockGroup* groups = listGroupModel();
    // The groups offered are the others than the row's own.
    const QVariantMap current = rowGroup();
    if (groups && groups->iGroupArray.size() >= 2 && current.contains(QStringLiteral("id"))) {
        const QString currentId = platform::stringOf(current, QStringLiteral("id"));
        const auto addGroups = [&](const char* title, const char* submenuTitle, bool move) {
            // A Qt submenu takes its title from the item holding it, so the
            // submenu's own name is kept as its object name.
            auto* submenu = new QMenu(menu);
            submenu->setObjectName(QString::fromUtf8(submenuTitle));
            for (const QVariant& value : groups->iGroupArray) {
                const QVariantMap group = value.toMap();
                const QString id = platform::stringOf(group, QStringLiteral("id"));
                if (id == currentId)
                    continue;
                QAction* item = submenu->addAction(
                    platform::menuText(platform::stringOf(group, QStringLiteral("userstockgroupname"))));
                item->setData(id);
                connect(item, &QAction::triggered, this, [this, item, move]() {
                    if (move)
                        cellMenuMoveToPressed(item);
                    else
                        cellMenuCopyToPressed(item);
                });
            }
            QAction* holder = menu->addAction(QString::fromUtf8(title));
            holder->setMenu(submenu);
        };
        addGroups("移动到分组", "Move", true);
        addGroups("拷贝到分组", "Copy", false);
    }
    addItem("设置提醒", "setComment");
    addItem("删除", "deleteFromGroup");
    return menu;
}

void MyStockTableCell::menuForEvent(const QPoint& globalPos)
{
    QMenu* menu = getMenu();
    platform::popUpMenu(menu, globalPos, this);
    // Nothing of the menu outlives its showing.
    menu->deleteLater();
    m_menuRecord.clear();
}

void MyStockTableCell::cellMenuItemPressed(QAction* item)
{
    const QString identifier = item ? item->data().toString() : QString();
    if (identifier == QStringLiteral("deleteFromGroup")) {
        const QVariantMap current = rowGroup();
        const QString groupName = platform::stringOf(current, QStringLiteral("userstockgroupname"));
        const QString groupId = current.contains(QStringLiteral("id"))
            ? platform::stringOf(current, QStringLiteral("id"))
            : QString();
        const QString stockcode = field(kStockcode);
        // The name shown, unless the row shows another stock by now.
        const QString stockName = m_menuRecord.isEmpty() || m_menuRecord == selfDict
            ? name->text()
            : platform::stringOf(m_menuRecord, QStringLiteral("stockname"));
        const platform::AlertSpec alert { platform::stringWithFormat(
                                              "您确定要把\"%@\"从分组\"%@\"中删除吗？", stockName, groupName),
            QString(), { QStringLiteral("确定"), QStringLiteral("取消") } };
        QPointer<MyStockTableCell> self(this);
        platform::showAlert(window(), alert, [self, stockcode, groupId](int button) {
            if (!self || button != 0)
                return;
            self->sendWrite(backend::kApiDelStockFromGroup, groupId,
                market::GroupWrites::inTurn([stockcode, groupId](QuilorSDK* client, MHTTPObserver* observer) {
                    return client->delStockFromGroup(stockcode, groupId, nullptr, observer);
                }));
        });
    } else if (identifier == QStringLiteral("setComment")) {
        sendEvent(QStringLiteral("setComment"), commandRecord());
    } else if (identifier == QStringLiteral("moveToFirst")) {
        sendReorder(std::nullopt);
    } else if (identifier == QStringLiteral("moveToPre") || identifier == QStringLiteral("moveToNext")) {
        if (!commandRecord().contains(QStringLiteral("userstockorder")))
            return;
        sendReorder(identifier == QStringLiteral("moveToPre") ? -1 : 1);
    }
}

void MyStockTableCell::sendReorder(std::optional<int> step)
{
    const QVariantMap current = rowGroup();
    const QString groupId = current.contains(QStringLiteral("id"))
        ? platform::stringOf(current, QStringLiteral("id"))
        : QString();
    const QString code = field(kStockcode);
    // The order and alerts the stock holds when the move is sent, which an
    // edit answered meanwhile may have changed.
    sendWrite(backend::kApiAddStockToGroup, groupId, [code, groupId, step](const QVariantList& rows) {
        const QVariantMap member = market::GroupWrites::memberOf(rows, code);
        if (member.isEmpty())
            return market::GroupWrites::refuse(
                market::GroupWrites::kNotInGroup, QStringLiteral("stock no longer in the group"));
        const auto value = [&member](const char* key) { return market::GroupWrites::argOf(member, key); };
        // No bound: the backend decides what -1 or one past the end means.
        const QString order = step
            ? platform::stringWithFormat("%d", int(platform::integerValue(value("userstockorder"))) + *step)
            : QStringLiteral("0");
        market::GroupWrites::Plan plan;
        plan.send = [code, groupId, order, name = value("name"), low = value("lprice"),
                        high = value("hprice"),
                        third = value("vprice")](QuilorSDK* client, MHTTPObserver* observer) {
            return client->addStockToGroup(code, name, order, groupId, low, high, third, nullptr, observer);
        };
        return plan;
    });
}

void MyStockTableCell::sendWrite(int api, const QString& groupId, market::GroupWrites::Build build)
{
    QuilorSDK* client = sdk();
    if (client)
        market::GroupWrites::of(client)->write(
            api, groupId, this, std::move(build), field(watchlist::kRowUserKey));
}

void MyStockTableCell::cellMenuMoveToPressed(QAction* item)
{
    moveOrCopy(item, QStringLiteral("0"));
}

void MyStockTableCell::cellMenuCopyToPressed(QAction* item)
{
    moveOrCopy(item, QStringLiteral("1"));
}

void MyStockTableCell::moveOrCopy(QAction* item, const QString& type)
{
    MyStockGroup* groups = listGroupModel();
    const QVariantMap current = rowGroup();
    if (!item || !commandRecord().contains(kStockcode) || !groups || current.isEmpty())
        return;
    const QString currentId = current.contains(QStringLiteral("id"))
        ? platform::stringOf(current, QStringLiteral("id"))
        : QString();
    const QString code = field(kStockcode);
    const QString targetId = item->data().toString();
    sendWrite(backend::kApiMoveOrCopyStock, currentId,
        market::GroupWrites::inTurn(
            [code, currentId, targetId, type](QuilorSDK* client, MHTTPObserver* observer) {
                return client->moveOrCopyStockToGroup(code, currentId, targetId, type, nullptr, observer);
            }));
}

void MyStockTableCell::alert(const QString& message)
{
    platform::showAlert(window(), message);
}

bool MyStockTableCell::HttpResult(const QVariant&, int api, bool)
{
    if (api == backend::kApiAddStockToGroup || api == backend::kApiDelStockFromGroup
        || api == backend::kApiMoveOrCopyStock)
        sendEvent(QStringLiteral("DoRefresh"));
    return true;
}

bool MyStockTableCell::HttpEvent(int code, const QString&, int api)
{
    // A group deleted meanwhile (elsewhere) is no network failure.
    if (code == market::GroupWrites::kNoSuchGroup) {
        alert(market::GroupWrites::refusalText(code));
        sendEvent(QStringLiteral("DoRefresh"));
        return true;
    }
    // The stock left the group while the command waited: the list catches up.
    if (code == market::GroupWrites::kNotInGroup
        && (api == backend::kApiAddStockToGroup || api == backend::kApiDelStockFromGroup)) {
        sendEvent(QStringLiteral("DoRefresh"));
        return true;
    }
    // A refusal that is no network failure says what happened.
    if (const QString refusal = market::GroupWrites::refusalText(code); !refusal.isNull())
        alert(refusal);
    else if (api == backend::kApiMoveOrCopyStock)
        alert(QStringLiteral("网络不给力，请重试!"));
    else if (api == backend::kApiDelStockFromGroup)
        alert(QStringLiteral("网络不给力，删除自选股失败，请重试!"));
    else if (api == backend::kApiAddStockToGroup)
        alert(QStringLiteral("网络不给力，请重试!"));
    return true;
}
