#pragma once

#include "backend/MHTTPObserver.h"
#include "backend/QuilorSDK.h"
#include "charts/KLineHistoryView.h"

#include <QPointer>

// The day K-line chart: two years of day bars, or the product's own index
// from the backend.
class DayKLineView : public KLineHistoryView, public MHTTPObserver {
    Q_OBJECT
public:
    DayKLineView(const QRect& frame, const QVariantMap& stock, platform::ViewController* father,
        std::function<void(const QVariantMap&)> callBack, QWidget* parent = nullptr);

    // The backend client the product's index is read from. The composition
    // root sets the default once; a host may give a chart its own.
    static void setDefaultSDK(QuilorSDK* sdk);
    static QuilorSDK* defaultSDK();
    void setQuilorSDK(QuilorSDK* sdk) { m_sdk = sdk; }
    QuilorSDK* quilorSDK() const;

    void GetBrannocDayK();
    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

protected:
    bool loadFromBackend() override;

private:
    QPointer<QuilorSDK> m_sdk;
};
