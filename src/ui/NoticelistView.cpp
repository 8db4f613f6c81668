#include "ui/NoticelistView.h"

#include "platform/MainThread.h"
#include "platform/NotificationCenter.h"
#include "platform/Types.h"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
const QString kCreateTime = QStringLiteral("createTime");
}

NoticelistView::NoticelistView(QWidget* parent)
    : QWidget(parent)
    , m_table(new QTableWidget(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_table);
    m_table->setObjectName(QStringLiteral("table"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->setAlternatingRowColors(true);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this]() { doubleAction(); });
    setColumns(
        { { QStringLiteral("title"), QStringLiteral("公告标题") }, { kCreateTime, QStringLiteral("日期") } });
}

void NoticelistView::setColumns(const QList<Column>& columns)
{
    m_columns = columns;
    m_table->setColumnCount(int(columns.size()));
    QStringList headers;
    for (const Column& column : columns)
        headers << column.second;
    m_table->setHorizontalHeaderLabels(headers);
    m_table->horizontalHeader()->setStretchLastSection(false);
    for (int i = 0; i < columns.size(); ++i)
        m_table->horizontalHeader()->setSectionResizeMode(
            i, columns.at(i).first == kCreateTime ? QHeaderView::ResizeToContents : QHeaderView::Stretch);
    reloadData();
}

QString NoticelistView::cellText(const QString& identifier, const QVariantMap& record)
{
    const QString value = platform::stringOf(record, identifier);
    if (identifier == kCreateTime && value.length() > 10)
        return value.left(10);
    return value;
}

void NoticelistView::SetDataArr(const QVariantList& dataArr)
{
    m_data = dataArr;
    platform::runOnMain(this, [this]() { reloadData(); });
}

void NoticelistView::reloadData()
{
    m_table->clearContents();
    m_table->setRowCount(int(m_data.size()));
    for (int row = 0; row < m_data.size(); ++row) {
        const QVariantMap record = platform::dictFromVariant(m_data.at(row));
        for (int column = 0; column < m_columns.size(); ++column)
            m_table->setItem(row, column, new QTableWidgetItem(cellText(m_columns.at(column).first, record)));
    }
}

void NoticelistView::doubleAction()
{
    const QList<QTableWidgetSelectionRange> ranges = m_table->selectedRanges();
    if (ranges.isEmpty())
        return;
    const int row = ranges.first().topRow();
    if (row < 0 || row >= m_data.size())
        return;
    platform::NotificationCenter::defaultCenter()->postNotificationName(
        QStringLiteral("GoToNoticeDetail"), platform::dictFromVariant(m_data.at(row)));
}
