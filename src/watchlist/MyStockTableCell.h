#pragma once

#include "backend/MHTTPObserver.h"
#include "market/GroupWrites.h"
#include "platform/NotificationCenter.h"
#include "watchlist/RecordCellView.h"

#include <QPointer>
#include <QVariantMap>

#include <optional>

class QAction;
class QLabel;
class QMenu;
class MyStockGroup;
class QuilorSDK;
class stocks;

// One row of the self-selected list: the stock's name, code label and live
// quote fields, its context menu and the group commands behind it.
class MyStockTableCell : public RecordCellView, public MHTTPObserver {
    Q_OBJECT
public:
    explicit MyStockTableCell(QWidget* parent = nullptr);
    ~MyStockTableCell() override;

    static const QString kIdentifier; // "MyStockTableCell"

    QLabel* name = nullptr;
    QLabel* code = nullptr;
    QLabel* price = nullptr;
    QLabel* wave = nullptr;
    QLabel* mainvalue = nullptr;
    QLabel* turnoverrate = nullptr;
    QLabel* ratio = nullptr;

    // Binds the row to a group member record (an empty one does nothing).
    void UpdateCell(const QVariantMap& record);
    // Redraws the quote fields from `quote`, or from the store's record.
    void UpdateUI(const QVariantMap* quote = nullptr);
    void StockupDateOk(const platform::Notification& notification);

    void viewDidMoveToSuperview() override;
    void removeFromSuperview() override;

    // A mouse-down with its click count; exactly two is a double click.
    void mouseDown(int clickCount);

    // The context menu, built anew for each right click.
    QMenu* getMenu();
    void menuForEvent(const QPoint& globalPos);
    void cellMenuItemPressed(QAction* item);
    void cellMenuMoveToPressed(QAction* item);
    void cellMenuCopyToPressed(QAction* item);

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

    // Whether the row is registered with the quote store now.
    bool isRegistered() const { return m_registered; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutLabels();
    // Counts the clicks of a sequence by the events' own times, as Qt does.
    void countPress(QMouseEvent* event, bool doubleClick);
    QString field(const QString& key) const;
    QString rowCode() const;
    // The record a menu command acts on: the one the menu was opened for,
    // even if the row is rebound while the menu is open.
    const QVariantMap& commandRecord() const;
    QVariantMap rowGroup() const;
    // To the top without a step, else one place up (-1) or down (1).
    void sendReorder(std::optional<int> step);
    void sendWrite(int api, const QString& groupId, market::GroupWrites::Build build);
    void moveOrCopy(QAction* item, const QString& type);
    void alert(const QString& message);
    QuilorSDK* sdk() const;
    MyStockGroup* listGroupModel() const;

    void registerQuote();
    void unregisterQuote();

    QVariantMap m_menuRecord;
    bool m_registered = false;
    QString m_registeredCode;
    QPointer<stocks> m_store;
    ulong m_lastPressTime = 0;
    QPoint m_lastPressPos;
    int m_clickCount = 0;
};
