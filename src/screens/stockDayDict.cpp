#include "screens/stockDayDict.h"

#include "platform/Types.h"
#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "screens/Logging.h"

#include <array>

namespace stockDayDict {

using platform::Colors;

namespace {

struct StageRow {
    const char* text;
    QColor (*colour)();
};

// Indexed by the stage value.
const std::array<StageRow, 9> kStockStages = { {
    { "横盘或未知", &Colors::white },
    { "主力建仓", &Colors::green },
    { "洗盘，建仓完毕", &Colors::red },
    { "拉升股价", &Colors::red },
    { "洗盘，涨停前", &Colors::red },
    { "涨停", &Colors::red },
    { "出货", &Colors::green },
    { "砸盘", &Colors::green },
    { "崩盘", &Colors::green },
} };

const std::array<StageRow, 4> kIndexStages = { {
    { "横盘或未知", &Colors::white },
    { "出货报警", &Colors::green },
    { "正常", &Colors::white },
    { "峰值", &Colors::red },
} };

template <std::size_t N>
Stage stageOf(const std::array<StageRow, N>& table, const QVariant& value, QColor (*otherColour)())
{
    // Numeric equality, so "1" and "1.0" are the same stage.
    const float number = platform::floatValue(value);
    for (std::size_t i = 0; i < N; ++i) {
        if (number == float(i))
            return { QString::fromUtf8(table[i].text), table[i].colour() };
    }
    return { platform::stringOf(value), otherColour() };
}

} // namespace

std::optional<QVariantList> rowsOfReply(const QVariant& reply, qsizetype pageSize)
{
    if (reply.metaType().id() != QMetaType::QVariantList)
        return std::nullopt;
    QVariantList rows = reply.toList();
    if (rows.isEmpty())
        return std::nullopt;
    if (rows.size() > pageSize) {
        // Every row would be measured and drawn: a server's excess must not freeze the table.
        qCWarning(lcScreens, "day list of %lld rows cut to the %lld asked for",
            static_cast<long long>(rows.size()), static_cast<long long>(pageSize));
        rows.resize(std::max<qsizetype>(pageSize, 0));
    }
    return rows;
}

bool isDay(const QVariantMap& row, const QString& yyyyMMdd)
{
    const QString day = platform::stringOf(row, QStringLiteral("curdate"));
    return !day.isEmpty() && day == yyyyMMdd;
}

const QStringList& marginKeys()
{
    static const QStringList keys = {
        QStringLiteral("financingbalance"),
        QStringLiteral("financingthepurchaseamount"),
        QStringLiteral("financingtorepaytheamount"),
        QStringLiteral("marginbalance"),
        QStringLiteral("shortsellingvolume"),
        QStringLiteral("securitieslendingrepaymentamount"),
    };
    return keys;
}

int marginRowIndex(const QVariantList& rows)
{
    if (rows.isEmpty())
        return -1;
    const QVariantMap newest = rows.first().toMap();
    const QVariant balance = newest.value(QStringLiteral("financingbalance"));
    // Many backends leave today's margin figures at "0" until the exchange
    // publishes them, so the day before stands in.
    if ((!balance.isValid() || platform::floatValue(balance) == 0.0f) && rows.size() >= 2)
        return 1;
    return 0;
}

Stage stockStage(const QVariant& volume)
{
    return stageOf(kStockStages, volume, &Colors::yellow);
}

Stage indexStage(const QVariant& rank)
{
    return stageOf(kIndexStages, rank, &Colors::white);
}

} // namespace stockDayDict
