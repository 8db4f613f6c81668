#pragma once

#include "backend/MHTTPObserver.h"
#include "market/stocks.h"
#include "platform/NotificationCenter.h"
#include "platform/widgets/ViewController.h"
#include "screens/RecentDaysCells.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

class QLabel;
class QTableView;
class QuilorSDK;

namespace recentdays {
class DayTableModel;
}

// The members' window of an instrument's recent days: a header with the
// live figures from the quote store and the multi-day main-value sums, and
// a sortable table with one line per trading day. Owns no timer: the header
// follows "StockupDateOk", the rows come from one backend request (or from
// the opening screen).
class RecentDaysViewController : public platform::ViewController, public MHTTPObserver {
    Q_OBJECT
public:
    static constexpr int kWidth = 1300;
    static constexpr int kHeight = 660;
    // Rows the table asks for itself.
    static constexpr int kPageSize = 88;
    // A failed request is repeated at most this many times in a row, the
    // pause doubling from the base each time.
    static constexpr int kRetryLimit = 5;

    // The pause of the bind steps (1 s) and the first repeat after a
    // failure (1 s); tests shorten them.
    static void setDelays(int bindDelayMs, int retryBaseMs);

    // Makes the table of `identifier` through the controller registry and
    // binds it to `code`: with the opening screen's rows when it has them,
    // else to fetch its own. The caller presents it. Null when nothing could
    // be made or the code is empty.
    static RecentDaysViewController* makeBound(
        const QString& identifier, const QString& code, const std::optional<QVariantList>& stocks);

    ~RecentDaysViewController() override;

    recentdays::Kind kind() const { return m_kind; }
    // The backend operation whose reply this table takes (90006 or 99006).
    int ownApi() const;

    void InitByCode(const QString& code);
    void InitByCodeAndStocks(const QString& code, const QVariantList& StockHis);

    void DorefreshStockDay();
    void UpdateUI();
    void refreshTableView();
    void StockupDateOk(const platform::Notification& notification);

    // Data source of `table`.
    int numberOfRowsInTableView(QTableView* tableView) const;
    recentdays::Cell tableView(
        QTableView* tableView, const QString& objectValueForTableColumn, int row) const;
    void tableView(QTableView* tableView, const QList<recentdays::SortDescriptor>& sortDescriptorsDidChange);

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

    void viewDidLoad() override;
    void viewDidAppear() override;
    void viewDidDisappear() override;

    QString curCode;
    StockQuoteDict selfDict;
    std::optional<QVariantList> stockDicts;
    QTableView* table = nullptr;

    // Header labels (all kinds share these; each class names its own too).
    QLabel* nameTextField = nullptr;
    QLabel* codeTextField = nullptr;
    QLabel* priceTextField = nullptr;
    QLabel* valuepriceTextField = nullptr;
    QLabel* valuerateTextField = nullptr;
    QLabel* mainvalueTextField = nullptr;
    QLabel* transaction100countTextField = nullptr;
    QLabel* transactionvaluecountTextField = nullptr;
    QLabel* marketvalueTextField = nullptr;
    QLabel* PETextField = nullptr;
    QLabel* marketstatusTextField = nullptr;

    // Any header label by its name (null for a name the class lacks).
    QLabel* label(const QString& name) const { return m_labels.value(name); }
    // The row the sums read: the newest day, whatever order the table shows.
    const std::optional<QVariantMap>& newestRow() const { return m_newestRow; }
    // Failed requests in a row since the last reply.
    int failuresInRow() const { return m_failures; }

Q_SIGNALS:
    // After each header update run and each request (for observers such as
    // tests; nothing in the window depends on them).
    void updatedUI();
    void dayListRequested();

protected:
    explicit RecentDaysViewController(recentdays::Kind kind, QWidget* parent = nullptr);
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildLayout();
    void takeRows(const QVariantList& rows);
    void fitColumns();
    QuilorSDK* client() const;

    // Room beside a cell's text: the view's margins and the grid line.
    static constexpr int kCellPadding = 12;

    recentdays::Kind m_kind;
    QHash<QString, QLabel*> m_labels;
    recentdays::DayTableModel* m_model = nullptr;
    std::optional<QVariantMap> m_newestRow;
    int m_failures = 0;
};
