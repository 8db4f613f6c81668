#include "platform/Configuration.h"

#include "platform/Json.h"
#include "platform/Logging.h"
#include "platform/Paths.h"

#include <QFile>

#include <optional>

namespace platform {

namespace {
std::optional<Configuration> g_current;

QString pick(const QVariantMap& file, const char* key, const char* env, const QString& fallback)
{
    const QString fromEnv = qEnvironmentVariable(env);
    if (!fromEnv.isEmpty())
        return fromEnv;
    const QString fromFile = file.value(QString::fromLatin1(key)).toString();
    if (!fromFile.isEmpty())
        return fromFile;
    return fallback;
}
} // namespace

Configuration Configuration::load()
{
    QVariantMap file;
    QFile f(configFolder() + QStringLiteral("/settings.json"));
    if (f.open(QIODevice::ReadOnly)) {
        const auto parsed = parseJson(f.readAll());
        if (parsed)
            file = parsed->toMap();
        else
            qCWarning(lcPlatform, "settings.json does not parse; using defaults");
    }
    Configuration c;
    c.backendUrl = pick(file, "backendUrl", "LST_BACKEND_URL", QString());
    c.neteaseQuoteUrl
        = pick(file, "neteaseQuoteUrl", "LST_NETEASE_QUOTE_URL", QStringLiteral("http://api.money.126.net"));
    c.neteaseChartUrl
        = pick(file, "neteaseChartUrl", "LST_NETEASE_CHART_URL", QStringLiteral("http://img1.money.126.net"));
    c.neteaseCompanyUrl = pick(
        file, "neteaseCompanyUrl", "LST_NETEASE_COMPANY_URL", QStringLiteral("http://quotes.money.163.com"));
    c.tencentQuoteUrl
        = pick(file, "tencentQuoteUrl", "LST_TENCENT_QUOTE_URL", QStringLiteral("http://qt.gtimg.cn"));
    c.eastmoneyUrl = pick(file, "eastmoneyUrl", "LST_EASTMONEY_URL", QStringLiteral("http://s1.dfcfw.com"));
    c.userAgent = pick(file, "userAgent", "LST_USER_AGENT", QString());
    c.operatorUserId = pick(file, "operatorUserId", "LST_OPERATOR_USER_ID", QString()).trimmed();
    return c;
}

const Configuration& Configuration::current()
{
    if (!g_current)
        g_current = load();
    return *g_current;
}

void Configuration::setCurrent(const Configuration& configuration)
{
    g_current = configuration;
}

Configuration Configuration::allAt(const QString& baseUrl)
{
    Configuration c;
    c.backendUrl = baseUrl;
    c.neteaseQuoteUrl = baseUrl;
    c.neteaseChartUrl = baseUrl;
    c.neteaseCompanyUrl = baseUrl;
    c.tencentQuoteUrl = baseUrl;
    c.eastmoneyUrl = baseUrl;
    return c;
}

QUrl Configuration::join(const QString& base, const QString& path)
{
    QString b = base;
    while (b.endsWith(QLatin1Char('/')))
        b.chop(1);
    if (path.startsWith(QLatin1Char('/')))
        return QUrl(b + path);
    return QUrl(b + QLatin1Char('/') + path);
}

} // namespace platform
