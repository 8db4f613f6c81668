#pragma once

#include "platform/widgets/ViewController.h"

#include <QPointer>
#include <QString>

class ZXGFatherView;

// The home screen of the main window. It hosts the embedded self-selected
// list and opens the security screens for it.
class MainViewController : public platform::ViewController {
    Q_OBJECT
public:
    explicit MainViewController(QWidget* parent = nullptr);

    // The window's controller (or nothing) that shows this screen.
    void initByController(QObject* controller);
    QObject* controller() const { return m_controller; }

    ZXGFatherView* zxgFatherView() const { return m_father; }

    // Opens the screen of `code`: 6 characters the stock screen, 10 the index
    // screen ("888888.idx" for members only); other lengths open nothing.
    // Answers the window opened, or nullptr.
    Q_INVOKABLE platform::ViewController* AddSingSingleStock(const QString& code);

    // Has the embedded list reload its group (after a screen changed it).
    void reloadListGroup();

    void viewDidLoad() override;

private:
    void placeList();

    QPointer<QObject> m_controller;
    ZXGFatherView* m_father = nullptr;
};
