#include "account/GoVIPViewController.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

GoVIPViewController::GoVIPViewController(QWidget* parent)
    : platform::ViewController(parent)
{
    setObjectName(QStringLiteral("GoVIPViewController"));
    setTitle(QStringLiteral("岚石通会员"));
    resize(420, 240);
}

void GoVIPViewController::viewDidLoad()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);

    auto* heading = new QLabel(QStringLiteral("开通岚石通会员"), this);
    QFont font = heading->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    heading->setFont(font);
    layout->addWidget(heading);

    auto* offer = new QLabel(QStringLiteral("会员可查看岚石通指数、个股近日数据和每日推荐股票。"
                                            "黄金、铂金、钻石会员请在岚石通移动端或官网开通。"),
        this);
    offer->setObjectName(QStringLiteral("offerText"));
    offer->setWordWrap(true);
    layout->addWidget(offer, 1);

    auto* close = new QPushButton(QStringLiteral("确定"), this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &GoVIPViewController::dismissController);
    layout->addWidget(close, 0, Qt::AlignRight);
}
