#pragma once

#include <QColor>
#include <QList>
#include <QRect>
#include <QStringList>
#include <QVariantList>
#include <QWidget>

// A grid of texts under an optional title strip. The view takes the height
// its title and rows need; the caller reads it, sets the origin and adds it
// to a superview.
class ListBaseView : public QWidget {
    Q_OBJECT
public:
    // What a cell's sign marker does to its text and colour.
    enum class Tone { Plain, Rise, Fall };
    struct MarkedText {
        QString text;
        Tone tone = Tone::Plain;
        bool operator==(const MarkedText& other) const = default;
    };

    // frame: origin and width are used. listArray: rows, each an array of
    // texts (a header row is an ordinary first row). columnWidthArray:
    // decimal texts in points. Alignments: 0 left, 1 right, 2 centred.
    ListBaseView(const QRect& frame, const QString& mainTitle, const QVariantList& listArray,
        const QStringList& columnWidthArray, int rowHight, const QColor& bgColor, const QColor& lineColor,
        const QColor& textTitleColor, int textTitleAlignment, const QColor& textColor, int textAlignment,
        QWidget* parent = nullptr);

    // The colour of every column but the first.
    void setTextColor(const QColor& color);
    QColor textColor() const { return m_textColor; }

    QString mainTitle() const { return m_title; }
    const QList<QStringList>& rows() const { return m_rows; }
    const QList<qreal>& columnWidths() const { return m_widths; }
    int rowHight() const { return m_rowHight; }

    // The height a grid of `rowCount` rows takes, with the title strip when
    // the title is not empty.
    static int heightFor(const QString& mainTitle, int rowCount, int rowHight);

    // The sign-marker rule: "+" draws red and is dropped; "-" draws green and
    // is kept only when the number the whole text starts with is below zero
    // (a text not starting with a number counts as 0); anything else plain.
    static MarkedText markedText(const QString& cell);

    // The colour a cell is drawn in: the marker's, else the column's.
    QColor colorForCell(int column, const QString& cell) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title;
    QList<QStringList> m_rows;
    QList<qreal> m_widths;
    int m_rowHight;
    QColor m_bgColor;
    QColor m_lineColor;
    QColor m_titleColor;
    int m_titleAlignment;
    QColor m_textColor;
    int m_textAlignment;
};
