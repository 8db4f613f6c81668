#pragma once

#include "market/stocks.h"

#include <QLabel>
#include <QString>
#include <QVariantList>
#include <QWidget>

class QuilorSDK;

// Every quote field of a security screen: header, price, volume, fund flow,
// margin, order book and last deals (the index form adds the member counts
// and the warning level). It fetches nothing and keeps no state between runs.
class QuotePanel : public QWidget {
    Q_OBJECT
public:
    enum Kind { Stock, Index };
    explicit QuotePanel(Kind kind, QWidget* parent = nullptr);
    ~QuotePanel() override;

    // Fills the fields from the store's record of `curCode` and the day list
    // (newest first; nullptr before the first reply). Answers the record it
    // read (the screen's selfDict), or nullptr when it wrote nothing.
    StockQuoteDict UpdateUI(const QString& curCode, QuilorSDK* sdk, const QVariantList* dayList);

    // A field by its outlet name ("priceTextField" ...), for tests.
    QLabel* field(const QString& outletName) const;
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};
