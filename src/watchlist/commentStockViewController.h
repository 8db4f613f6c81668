#pragma once

#include "backend/MHTTPObserver.h"
#include "platform/widgets/ViewController.h"
#include "watchlist/ZXGView.h"

#include <QVariantMap>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The price-alert editor of one stock of a group: low price, high price and
// a third value, each with its own switch, saved with the stock's membership.
class commentStockViewController : public platform::ViewController,
                                   public watchlist::CommentEditor,
                                   public MHTTPObserver {
    Q_OBJECT
public:
    explicit commentStockViewController(QWidget* parent = nullptr);

    QVariantMap selfDict;
    std::function<void()> commentOK;

    QLabel* nameCodeTextField = nullptr;
    QLabel* curPriceTextField = nullptr;
    QLineEdit* lpriceTextField = nullptr;
    QCheckBox* lpriceButton = nullptr;
    QLineEdit* hpriceTextField = nullptr;
    QCheckBox* hpriceButton = nullptr;
    QLineEdit* vpriceTextField = nullptr;
    QCheckBox* vpriceButton = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;

    void setSelfDict(const QVariantMap& dict) override { selfDict = dict; }
    void setCommentOK(std::function<void()> block) override { commentOK = std::move(block); }

    void viewDidAppear() override;
    void OKBtnPressed();

    // The value one switch and field stand for: "%.2f" of the field when
    // on, "0" when off.
    static QString alertValue(bool on, const QString& fieldText);
    // Whether a field's text is a price that can be saved as typed.
    static bool isCompleteValue(const QString& fieldText);

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

private:
    void showPrice();
    void failed();
};
