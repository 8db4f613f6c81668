#pragma once

#include <QString>
#include <QUrl>

namespace platform {

// Every host and the backend base URL. Read from "settings.json" in the
// config folder, each key overridable by its environment variable:
//   backendUrl          LST_BACKEND_URL
//   neteaseQuoteUrl     LST_NETEASE_QUOTE_URL    (quote and status feed)
//   neteaseChartUrl     LST_NETEASE_CHART_URL    (minute and K-line history)
//   neteaseCompanyUrl   LST_NETEASE_COMPANY_URL  (company and stock app JSON)
//   tencentQuoteUrl     LST_TENCENT_QUOTE_URL
//   eastmoneyUrl        LST_EASTMONEY_URL        (fund-flow scripts)
//   userAgent           LST_USER_AGENT
//   operatorUserId      LST_OPERATOR_USER_ID     (may delete recommended stocks)
struct Configuration {
    QString backendUrl;
    QString neteaseQuoteUrl;
    QString neteaseChartUrl;
    QString neteaseCompanyUrl;
    QString tencentQuoteUrl;
    QString eastmoneyUrl;
    QString userAgent;
    QString operatorUserId;

    static Configuration load();
    // The configuration in force; tests point it at their own server.
    static const Configuration& current();
    static void setCurrent(const Configuration& configuration);

    // Every feed host and the backend at one base URL (the stand-in server).
    static Configuration allAt(const QString& baseUrl);

    // base + path, with exactly one "/" between them.
    static QUrl join(const QString& base, const QString& path);
};

} // namespace platform
