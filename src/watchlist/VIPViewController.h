#pragma once

#include "backend/MHTTPObserver.h"
#include "platform/Types.h"
#include "platform/widgets/ViewController.h"
#include "watchlist/VIPRowFormat.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariantList>

#include <functional>
#include <memory>

class QAction;
class QDateEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableView;
class QuilorSDK;
class SegmentedControl;

namespace vip {
class TableModel;
}

// The members' window of the day's recommended stocks: the backend's list for
// a date and a type, each row enriched from the public feeds and refreshed one
// row at a time, with a pause after each pass.
class VIPViewController : public platform::ViewController, public MHTTPObserver {
    Q_OBJECT
public:
    explicit VIPViewController(QWidget* parent = nullptr);
    ~VIPViewController() override;

    void viewDidLoad() override;
    void viewDidDisappear() override;
    QSize windowWillResize(const QSize& proposed) override;

    // The account allowed to delete recommendations; empty means nobody.
    // Starts as LST_OPERATOR_USER_ID from the environment.
    static void setOperatorUserId(const QString& qvmid);
    static QString operatorUserId();

    // Pause between passes (10 s) and before fetching a row's fund flow again
    // after a failure (3 s); tests shorten them.
    void setDelays(int passPauseMs, int flowRetryMs);
    // Fund-flow attempts of one row in one pass before the pass moves on.
    static constexpr int kFlowAttempts = 3;
    static constexpr int kPageSize = 100;

    // Layout outlets.
    QTableView* table = nullptr;
    QDateEdit* selectDatePickerCell = nullptr;
    SegmentedControl* iSegmentedControl = nullptr;
    QProgressBar* iProgressIndicator = nullptr;
    QPushButton* refreshButton = nullptr;

    QString iDateStr;
    QVariantList commentStocks;
    QList<platform::SharedDict> stockDicts;
    platform::SharedDict selfDict;
    qint64 updateIdx = 0;
    bool isUpdateAllStocks = false;
    qint64 WillDoUpData = 0;
    bool isDoRefresh = false;

    // Column identifiers of the layout, in order.
    static QStringList columnIdentifiers();

    void datePickerCell(QDateEdit* cell, const QDate& validateProposedDateValue);
    void SegmentedValueChanged();
    void RefreshBtnPressed();
    void DoRefresh();
    void UpdateAllstockDicts();
    void UpDateNowData();
    void GetBaseData();
    void GetLBHSLData();
    void GetFFData();

    int numberOfRowsInTableView() const;
    vip::Cell tableView(const QString& objectValueForTableColumn, int row) const;
    // Sorts the rows by `key` and reloads.
    void tableView(const QString& sortDescriptorsDidChange, bool ascending);
    QMenu* getMenu(int row);
    void cellMenuAddToPressed(QAction* item);
    void cellMenuDeleItemPressed(QAction* item);
    void doubleClickInTable();
    void refreshTableView();

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

private:
    QuilorSDK* sdk() const;
    // One GET on a session of its own; `done` runs on the main thread unless
    // the pass it belongs to was superseded.
    void fetch(const QString& base, const QString& path, std::function<void(const QByteArray*)> done);
    bool passIsCurrent(quint64 token) const { return token == m_passToken; }
    void nextStep(void (VIPViewController::*step)());
    void stopProgress();
    void showContextMenu(const QPoint& pos);
    // The row a menu item was made for, found by its stock once the rows
    // changed meanwhile; -1 when the stock is no longer listed.
    int rowOfMenuItem(const QAction* item) const;

    vip::TableModel* m_model = nullptr;
    // Each list request gets its own observer so that an older request's
    // reply, overtaken by a newer one, is never delivered.
    std::unique_ptr<MHTTPObserver> m_listObserver;
    // Bumped whenever rows are rebuilt or passes stop: completions of an
    // older pass are dropped, so one pass runs at a time.
    quint64 m_passToken = 0;
    int m_flowAttempts = 0;
    int m_passPauseMs = 10000;
    int m_flowRetryMs = 3000;
};
