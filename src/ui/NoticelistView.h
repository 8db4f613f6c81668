#pragma once

#include <QPair>
#include <QString>
#include <QVariantList>
#include <QWidget>

class QTableWidget;

// The notice list of the company-data window: one row per notice record,
// each column showing the record's value under the column's identifier.
class NoticelistView : public QWidget {
    Q_OBJECT
public:
    explicit NoticelistView(QWidget* parent = nullptr);

    // Keeps a copy of the records and reloads the table on the main thread.
    void SetDataArr(const QVariantList& dataArr);
    QVariantList dataArr() const { return m_data; }

    // Column identifiers (record keys) and their headers, in order.
    using Column = QPair<QString, QString>;
    void setColumns(const QList<Column>& columns);
    QList<Column> columns() const { return m_columns; }

    // The text a column shows for a record ("createTime" only its date).
    static QString cellText(const QString& identifier, const QVariantMap& record);

    QTableWidget* table() const { return m_table; }

    // The double action: posts "GoToNoticeDetail" with the selected row's
    // record; nothing when no row is selected.
    void doubleAction();

private:
    void reloadData();

    QTableWidget* m_table;
    QList<Column> m_columns;
    QVariantList m_data;
};
