#include "watchlist/commentStockViewController.h"

#include "app/AppDelegate.h"
#include "app/WindowReply.h"
#include "backend/QuilorSDK.h"
#include "market/GroupWrites.h"
#include "market/MyStockGroup.h"
#include "platform/Types.h"
#include "platform/Values.h"
#include "platform/widgets/Colors.h"
#include "platform/widgets/PlainText.h"
#include "platform/widgets/Presenters.h"
#include "screens/FeedText.h"
#include "watchlist/GroupDialogLayout.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <charconv>
#include <iterator>

namespace {
// The shortest digits that read back as the same float, never with an
// exponent: the form the fields take and save ("10000000", not "1e+07").
QString plainDecimal(float number)
{
    char digits[64];
    const auto written
        = std::to_chars(std::begin(digits), std::end(digits), number, std::chars_format::fixed);
    if (written.ec != std::errc())
        return QString();
    return QString::fromLatin1(digits, int(written.ptr - digits));
}

QuilorSDK* client()
{
    AppDelegate* delegate = AppDelegate::shared();
    return delegate ? delegate->iQuilorSDK() : nullptr;
}
} // namespace

commentStockViewController::commentStockViewController(QWidget* parent)
    : platform::ViewController(parent)
{
    setObjectName(QStringLiteral("commentStockViewController"));
    setTitle(QStringLiteral("设置提醒"));
    resize(300, 210);
    watchlist::applyPanelLook(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    nameCodeTextField = platform::plainLabel(QString(), this);
    nameCodeTextField->setObjectName(QStringLiteral("nameCodeTextField"));
    curPriceTextField = platform::plainLabel(QString(), this);
    curPriceTextField->setObjectName(QStringLiteral("curPriceTextField"));
    layout->addWidget(nameCodeTextField);
    layout->addWidget(curPriceTextField);

    auto* grid = new QGridLayout;
    const auto addValue = [this, grid](int row, const QString& caption, const QString& name,
                              QCheckBox** button, QLineEdit** field) {
        *button = new QCheckBox(caption, this);
        (*button)->setObjectName(name + QStringLiteral("Button"));
        *field = new QLineEdit(this);
        (*field)->setObjectName(name + QStringLiteral("TextField"));
        // Digits and the separators a price may be typed with; what is not a
        // whole number is refused on saving, so the field keeps what was typed.
        (*field)->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.,]{0,12}")), *field));
        grid->addWidget(*button, row, 0);
        grid->addWidget(*field, row, 1);
    };
    addValue(0, QStringLiteral("股价低于"), QStringLiteral("lprice"), &lpriceButton, &lpriceTextField);
    addValue(1, QStringLiteral("股价高于"), QStringLiteral("hprice"), &hpriceButton, &hpriceTextField);
    addValue(2, QStringLiteral("提醒价位"), QStringLiteral("vprice"), &vpriceButton, &vpriceTextField);
    layout->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cancelButton = new QPushButton(QStringLiteral("取消"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    okButton = new QPushButton(QStringLiteral("确定"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setDefault(true);
    buttons->addWidget(cancelButton);
    buttons->addWidget(okButton);
    layout->addLayout(buttons);
    connect(okButton, &QPushButton::clicked, this, &commentStockViewController::OKBtnPressed);
    connect(cancelButton, &QPushButton::clicked, this, &commentStockViewController::dismissController);
}

void commentStockViewController::viewDidAppear()
{
    nameCodeTextField->setText(
        platform::stringWithFormat("%@(%@)", platform::stringOf(selfDict, QStringLiteral("stockname")),
            platform::stringOf(selfDict, QStringLiteral("stockcode"))));
    showPrice();

    const struct {
        const char* key;
        QLineEdit* field;
        QCheckBox* button;
    } values[] = { { "lprice", lpriceTextField, lpriceButton }, { "hprice", hpriceTextField, hpriceButton },
        { "vprice", vpriceTextField, vpriceButton } };
    for (const auto& value : values) {
        const QString key = QString::fromUtf8(value.key);
        if (!selfDict.contains(key))
            continue;
        const float number = platform::floatValue(selfDict.value(key));
        if (number > 0) {
            value.field->setText(plainDecimal(number));
            value.button->setChecked(true);
        }
    }
}

void commentStockViewController::showPrice()
{
    // The line shows the figures of the record the editor was given, never
    // the live quote: without them it stays empty.
    const QVariantMap& source = selfDict;
    if (!source.contains(QStringLiteral("cprice")) || !source.contains(QStringLiteral("valuerate"))) {
        curPriceTextField->clear();
        return;
    }
    // A figure the record cannot mean ("--", "nan") shows "--", not its text.
    const QString price = feedtext::asIs(source.value(QStringLiteral("cprice")));
    if (!feedtext::isNumber(source.value(QStringLiteral("valuerate")))) {
        watchlist::setTextColor(curPriceTextField, platform::Colors::white());
        curPriceTextField->setText(platform::stringWithFormat("%@ (%@)", price, feedtext::dash()));
        return;
    }
    QString rate = platform::stringOf(source, QStringLiteral("valuerate")).trimmed();
    const float change = platform::floatValue(rate);
    // The formats write the sign themselves.
    if (rate.startsWith(QLatin1Char('-')) || rate.startsWith(QLatin1Char('+')))
        rate.remove(0, 1);
    if (change > 0) {
        watchlist::setTextColor(curPriceTextField, platform::Colors::red());
        curPriceTextField->setText(platform::stringWithFormat("%@ (+%@%%)", price, rate));
    } else if (change < 0) {
        watchlist::setTextColor(curPriceTextField, platform::Colors::green());
        curPriceTextField->setText(platform::stringWithFormat("%@ (-%@%%)", price, rate));
    } else {
        watchlist::setTextColor(curPriceTextField, platform::Colors::white());
        curPriceTextField->setText(platform::stringWithFormat("%@ (%@%%)", price, rate));
    }
}

QString commentStockViewController::alertValue(bool on, const QString& fieldText)
{
    if (!on)
        return QStringLiteral("0");
    return platform::stringWithFormat("%.2f", double(platform::floatValue(fieldText)));
}

bool commentStockViewController::isCompleteValue(const QString& fieldText)
{
    // An empty field stands for 0; otherwise digits, with decimals behind a
    // point, and nothing else: "2,300", "12," and "." are not prices.
    static const QRegularExpression number(QStringLiteral("^[0-9]+(\\.[0-9]+)?$"));
    return fieldText.isEmpty() || number.match(fieldText).hasMatch();
}

void commentStockViewController::OKBtnPressed()
{
    const struct {
        QCheckBox* button;
        QLineEdit* field;
    } values[] = { { lpriceButton, lpriceTextField }, { hpriceButton, hpriceTextField },
        { vpriceButton, vpriceTextField } };
    for (const auto& value : values) {
        const QString text = value.field->text().trimmed();
        if (value.button->isChecked() && !isCompleteValue(text)) {
            platform::showAlert(this,
                platform::stringWithFormat(
                    "%@\"%@\"不是有效的价格，请输入数字，例如 12.50。", value.button->text(), text));
            value.field->setFocus();
            return;
        }
    }

    QuilorSDK* sdk = client();
    MyStockGroup* model = sdk ? sdk->iMyStockGroup() : nullptr;
    // The group the row was loaded from, not whichever the list shows now.
    const QVariantMap group = watchlist::groupOfRow(selfDict, model);
    const QString groupId
        = group.contains(QStringLiteral("id")) ? platform::stringOf(group, QStringLiteral("id")) : QString();
    const QString code = selfDict.contains(QStringLiteral("stockcode"))
        ? platform::stringOf(selfDict, QStringLiteral("stockcode"))
        : QString();
    const QString low = alertValue(lpriceButton->isChecked(), lpriceTextField->text().trimmed());
    const QString high = alertValue(hpriceButton->isChecked(), hpriceTextField->text().trimmed());
    const QString third = alertValue(vpriceButton->isChecked(), vpriceTextField->text().trimmed());
    // A save still reloads the list, or is reported failed, when the editor
    // is closed before its reply.
    auto* reply = sdk ? new app::WindowReply(this, this,
                      app::runOrReport(commentOK, presentingViewController(),
                          [](const app::ReplyOutcome&) { return QStringLiteral("修改提醒失败，请重试!"); }),
                      sdk)
                      : nullptr;
    // The stock keeps the order it holds when the save is sent, which a move
    // answered meanwhile may have changed.
    const bool queued = reply && !code.isEmpty()
        && market::GroupWrites::of(sdk)->write(
            backend::kApiAddStockToGroup, groupId, reply,
            [code, groupId, low, high, third](const QVariantList& rows) {
                const QVariantMap member = market::GroupWrites::memberOf(rows, code);
                if (member.isEmpty())
                    return market::GroupWrites::refuse(
                        market::GroupWrites::kNotInGroup, QStringLiteral("stock no longer in the group"));
                market::GroupWrites::Plan plan;
                plan.send
                    = [code, groupId, low, high, third, name = market::GroupWrites::argOf(member, "name"),
                          order = market::GroupWrites::argOf(member, "userstockorder")](
                          QuilorSDK* client, MHTTPObserver* observer) {
                          return client->addStockToGroup(
                              code, name, order, groupId, low, high, third, nullptr, observer);
                      };
                return plan;
            },
            platform::stringOf(selfDict, watchlist::kRowUserKey));
    // A request that could not even start (no stock code or no current group) must not look like silence.
    if (!queued) {
        delete reply;
        failed();
    }
}

void commentStockViewController::failed()
{
    platform::showAlert(this, QStringLiteral("修改提醒失败，请重试!"));
}

bool commentStockViewController::HttpResult(const QVariant&, int api, bool)
{
    if (api != backend::kApiAddStockToGroup)
        return true;
    QPointer<commentStockViewController> self(this);
    platform::showAlert(this, QStringLiteral("修改提醒成功!"), [self](int) {
        if (!self || !self->commentOK)
            return;
        self->commentOK();
        self->dismissController();
    });
    return true;
}

bool commentStockViewController::HttpEvent(int code, const QString&, int api)
{
    if (api != backend::kApiAddStockToGroup)
        return true;
    // A refusal that is no network failure says what happened.
    const QString refusal = market::GroupWrites::refusalText(code);
    if (refusal.isNull())
        failed();
    else
        platform::showAlert(this, refusal);
    return true;
}
