#include "watchlist/StockSearch.h"

#include "app/SecurityScreen.h"
#include "market/MarketCodes.h"
#include "platform/Types.h"
#include "platform/Values.h"
#include "platform/widgets/PlainText.h"
#include "watchlist/Logging.h"

#include <QAction>
#include <QMenu>
#include <QRegularExpression>

namespace watchlist {

bool searchTextQualifies(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    static const QRegularExpression letters(QStringLiteral("^[A-Za-z]+$"));
    static const QRegularExpression ideographs(QStringLiteral("^[\\x{4E00}-\\x{9FA5}]+$"));
    const qsizetype length = text.size();
    if (digits.match(text).hasMatch())
        return length >= 5;
    if (letters.match(text).hasMatch())
        return length >= 2;
    if (ideographs.match(text).hasMatch())
        return length >= 2;
    return length >= 4;
}

QString searchHitTitle(const QVariantMap& hit, const QFontMetrics& metrics)
{
    // A name too long for a menu line ends in "…"; the code always shows whole.
    const QString name = metrics.elidedText(
        platform::stringOf(hit, QStringLiteral("stockname")), Qt::ElideRight, kHitNameWidth);
    return platform::stringWithFormat("%@  %@", name, platform::stringOf(hit, QStringLiteral("code")));
}

QMenu* makeSearchResultMenu(const QVariantList& hits, QWidget* parent, std::function<void(QAction*)> chosen)
{
    auto* menu = new QMenu(QStringLiteral("results"), parent);
    int skipped = 0;
    for (const QVariant& item : hits) {
        // A server sending more than asked must not cover the screen with them.
        if (menu->actions().size() >= kSearchPageSize)
            break;
        if (item.typeId() != QMetaType::QVariantMap) {
            qCWarning(lcWatchlist, "a search hit that is not a record: %s",
                qUtf8Printable(platform::stringOf(item).left(80)));
            continue;
        }
        const QVariantMap hit = item.toMap();
        if (!market::isSecurityCode(platform::stringOf(hit, QStringLiteral("code")))) {
            ++skipped;
            continue;
        }
        QAction* action = menu->addAction(platform::menuText(searchHitTitle(hit, menu->fontMetrics())));
        action->setData(platform::stringOf(hit, QStringLiteral("code")));
        QObject::connect(action, &QAction::triggered, menu, [chosen, action]() {
            if (chosen)
                chosen(action);
        });
    }
    if (skipped > 0)
        qCWarning(lcWatchlist, "%d search hits without a real code left out", skipped);
    return menu;
}

platform::ViewController* openSearchHit(
    platform::ViewController* presenter, const QString& code, std::function<void()> myStockChanged)
{
    const char* identifier = code.size() == 6 ? app::kStockScreenId
        : code.size() == 10                   ? app::kIndexScreenId
                                              : nullptr;
    if (!identifier)
        return nullptr;
    return app::openSecurityScreen(presenter, QString::fromUtf8(identifier), code, std::move(myStockChanged));
}

SearchRequest::SearchRequest(int serial, Handler handler, QObject* parent)
    : QObject(parent)
    , m_serial(serial)
    , m_handler(std::move(handler))
{
}

bool SearchRequest::HttpResult(const QVariant& result, int, bool)
{
    if (m_handler)
        m_handler(m_serial, result);
    deleteLater();
    return true;
}

bool SearchRequest::HttpEvent(int code, const QString& description, int)
{
    qCWarning(lcWatchlist, "search failed (%d %s)", code, qUtf8Printable(description));
    deleteLater();
    return true;
}

} // namespace watchlist
