#include "app/ErrorMessages.h"

#include "platform/Types.h"
#include "platform/widgets/Presenters.h"

#include <QLocale>

namespace app {

namespace {

// Only the codes whose meaning the client relies on; anything else falls
// back to the unknown-error text.
QVariantMap builtInTable()
{
    const bool chinese = QLocale::system().language() == QLocale::Chinese;
    QVariantMap table;
    if (chinese) {
        table.insert(QStringLiteral("-1001"), QStringLiteral("目标分组中已有这只股票"));
        table.insert(QStringLiteral("-1051"), QStringLiteral("已有同名的股票组"));
    } else {
        table.insert(QStringLiteral("-1001"), QStringLiteral("The target group already holds this stock."));
        table.insert(QStringLiteral("-1051"), QStringLiteral("A group with this name already exists."));
    }
    return table;
}

QVariantMap& table()
{
    static QVariantMap t = builtInTable();
    return t;
}

} // namespace

QVariantMap errorDict()
{
    return table();
}

void setErrorDict(const QVariantMap& newTable)
{
    table() = newTable;
}

QString errorText(int code)
{
    const QString text = platform::stringOf(table(), QString::number(code));
    return text.isEmpty() ? QString::fromUtf8(kUnknownErrorText) : text;
}

void showServerError(QWidget* parent, int code, std::function<void(int)> done)
{
    platform::showAlert(parent, errorText(code), std::move(done));
}

} // namespace app
