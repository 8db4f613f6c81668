#pragma once

#include <QMargins>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>

namespace platform {

// A window's controller and its root view in one widget. Hooks run in the
// order load (once, before the first show), appear (each show), disappear
// (each hide or close). A presented controller is its own modal window and
// is destroyed when it closes; it stands over its opener (transient for it,
// centred on it, within the screen's free area), Escape presses its "取消"
// button or closes it, and Return presses the focused or the default button.
class ViewController : public QWidget {
    Q_OBJECT
public:
    explicit ViewController(QWidget* parent = nullptr);
    ~ViewController() override;

    virtual void viewDidLoad() { }
    virtual void viewDidAppear() { }
    virtual void viewDidDisappear() { }

    // Answers the size the window may take when the user or the system asks
    // for `proposed`; the default accepts it.
    virtual QSize windowWillResize(const QSize& proposed) { return proposed; }

    // Shows `controller` as a modal window owned by this one; returns at once.
    void presentViewControllerAsModalWindow(ViewController* controller);
    // The same for an opener that is no controller (nullptr: the active
    // window); the presented window belongs to nobody.
    static void presentOver(ViewController* controller, QWidget* opener);
    // Fits `window` (not shown yet) to its screen's free area and centres it
    // over `over` (nullptr: the screen); answers the decorations it was taken
    // to get. Windows that take another's place use it too.
    static QMargins placeWindowOver(QWidget* window, QWidget* over);
    // Closes this controller's window (and so destroys a presented one).
    void dismissController();

    void setTitle(const QString& title) { setWindowTitle(title); }
    QString title() const { return windowTitle(); }

    ViewController* presentingViewController() const { return m_presenter; }
    bool isViewLoaded() const { return m_loaded; }
    // Runs viewDidLoad once if it has not run (tests use it too).
    void loadViewIfNeeded();

    // The application-modal flag; tests turn it off so several windows can
    // be open at once.
    static void setPresentsModally(bool modal);

Q_SIGNALS:
    void didAppear();
    void didDisappear();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    static void presentWindow(ViewController* controller, QWidget* opener);
    QPointer<ViewController> m_presenter;
    bool m_presented = false;
    // The decorations the window is taken to get until it shows its own.
    QMargins m_frameGuess;
    bool m_loaded = false;
    bool m_appeared = false;
    bool m_adjusting = false;
};

} // namespace platform
