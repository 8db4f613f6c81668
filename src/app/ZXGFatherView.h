#pragma once

#include <QWidget>

// The container of the home screen's embedded self-selected list; the list
// recognises the home screen by this class of its parent.
class ZXGFatherView : public QWidget {
    Q_OBJECT
public:
    explicit ZXGFatherView(QWidget* parent = nullptr);

    // The list placed in the container, or null while none is registered.
    QWidget* listView() const;
    void setListView(QWidget* view);

private:
    QWidget* m_list = nullptr;
};
