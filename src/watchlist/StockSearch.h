#pragma once

#include "backend/MHTTPObserver.h"

#include <QFontMetrics>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace platform {
class ViewController;
}

namespace watchlist {

// Whether the search field's text is long enough for its kind to be sent:
// digits from 5, Latin letters from 2, Chinese ideographs from 2, anything
// else from 4 characters.
bool searchTextQualifies(const QString& text);

// The hits asked for per search, and so the most the result menu shows.
inline constexpr int kSearchPageSize = 20;

// "name  code" (two blanks), the title of one hit in the result menu; a
// name wider than kHitNameWidth pixels in `metrics` ends in "…".
inline constexpr int kHitNameWidth = 240;
QString searchHitTitle(const QVariantMap& hit, const QFontMetrics& metrics);

// The result menu titled "results": one item per hit in reply order, the
// hit's code as the item's data, at most kSearchPageSize of them; a hit
// without a real code is left out. `chosen` gets the triggered item.
QMenu* makeSearchResultMenu(const QVariantList& hits, QWidget* parent, std::function<void(QAction*)> chosen);

// Opens a hit as a row of the list opens it: a 6-character code in the
// stock screen, a 10-character index code in the index screen, so that an
// index reads in index units and offers nothing only a stock has (limits,
// company data). Other lengths open nothing (nullptr).
platform::ViewController* openSearchHit(
    platform::ViewController* presenter, const QString& code, std::function<void()> myStockChanged);

// One search request. Replies of the panel's searches can overtake each
// other; the panel keeps only the newest text's answer by serial number.
class SearchRequest : public QObject, public MHTTPObserver {
    Q_OBJECT
public:
    using Handler = std::function<void(int serial, const QVariant& result)>;
    SearchRequest(int serial, Handler handler, QObject* parent);
    int serial() const { return m_serial; }

    bool HttpResult(const QVariant& result, int api, bool isCache) override;
    bool HttpEvent(int code, const QString& description, int api) override;

private:
    int m_serial;
    Handler m_handler;
};

} // namespace watchlist
