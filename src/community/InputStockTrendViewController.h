#pragma once

#include "backend/MHTTPObserver.h"
#include "platform/widgets/ViewController.h"

class QButtonGroup;
class QLabel;
class QPushButton;

// The forecast dialog: the user picks tomorrow's trend of one stock and
// sends it to the backend.
class InputStockTrendViewController : public platform::ViewController, public MHTTPObserver {
    Q_OBJECT
public:
    explicit InputStockTrendViewController(QWidget* parent = nullptr);

    // Only stores the code.
    void InitStockcode(const QString& stockcode);
    QString stockcode() const { return m_code; }

    // The trend texts sent for 看涨, 看平 and 看跌.
    static QString trendValue(int choice);
    // The chosen trend (0 rise, 1 flat, 2 fall) or -1 when none is chosen.
    int choice() const;
    void setChoice(int choice);

    // What a refused forecast tells the user: the error table's text for the
    // code, else the server's own description, else a sentence saying what
    // happened; a failure without a server code is the network's.
    static QString refusalText(int code, const QString& description);

    // Sends the chosen trend; answers whether a request went out.
    bool sendTrend();

    void viewDidLoad() override;

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

private:
    QString m_code;
    QLabel* m_stockLabel = nullptr;
    QButtonGroup* m_choices = nullptr;
    QPushButton* m_sendButton = nullptr;
    bool m_sending = false;
};
