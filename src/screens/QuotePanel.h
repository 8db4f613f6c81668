#pragma once

#include "market/stocks.h"
#include "screens/QuotePanelFields.h"

#include <QColor>
#include <QHash>
#include <QLabel>
#include <QSize>
#include <QString>
#include <QVariantList>
#include <QWidget>

class QuilorSDK;
class QGridLayout;

// Every quote field of a security screen: header, price, volume, fund flow,
// margin, order book and last deals (the index form adds the member counts
// and the warning level). It fetches nothing and keeps no state between runs.
// It is laid out as a column of kPanelWidth points for the left of a
// 1242 x 573 screen; the chart area takes the rest.
class QuotePanel : public QWidget {
    Q_OBJECT
public:
    enum Kind { Stock, Index };
    static constexpr int kPanelWidth = 520;

    explicit QuotePanel(Kind kind, QWidget* parent = nullptr);
    ~QuotePanel() override;

    // Fills the fields from the store's record of `curCode` and the day list
    // (newest first; nullptr before the first reply). Answers the store's
    // record it read (the screen's selfDict), or nullptr when the store has
    // none; a record lacking "valuerate" or "valueprice" is answered but
    // nothing is written. `dayListFailed`: the day rows could not be had.
    StockQuoteDict UpdateUI(
        const QString& curCode, QuilorSDK* sdk, const QVariantList* dayList, bool dayListFailed = false);

    // The warning level of the product's own index into `earthquakeRank`
    // (index form only; UpdateUI runs it for that code).
    void MarketAlerts(const QString& curCode, QuilorSDK* sdk, const QVariantList* dayList);

    // Applies one computed run to the fields.
    void apply(const quotepanel::PanelUpdate& update);

    // A field by its outlet name ("priceTextField" ...), for tests.
    QLabel* field(const QString& outletName) const;
    // Its text colour as last set.
    QColor textColor(const QString& outletName) const;
    // "DealBox" or "EarthquakeBox" (index form), nullptr otherwise.
    QWidget* box(const QString& outletName) const;
    Kind kind() const { return m_kind; }

    QSize sizeHint() const override;

private:
    void buildLayout();
    QLabel* addField(QGridLayout* grid, int row, int column, const QString& caption, const QString& outlet,
        int columnSpan = 1);
    quotepanel::PanelKind panelKind() const;

    Kind m_kind;
    QHash<QString, QLabel*> m_fields;
    QHash<QString, QWidget*> m_boxes;
};
