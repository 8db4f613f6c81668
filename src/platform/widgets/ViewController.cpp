#include "platform/widgets/ViewController.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace platform {

namespace {
bool g_modal = true;

QMargins frameOf(const QWidget* window)
{
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
        outer.bottom() - inner.bottom());
}

// Bounds `window` to what `area` leaves beside the decorations `frame` and
// answers its outer rectangle centred on `centre`, moved inside `area`.
QRect boundedFrame(QWidget* window, const QRect& area, const QMargins& frame, const QPoint& centre)
{
    const QSize room = area.marginsRemoved(frame).size();
    if (QLayout* layout = window->layout())
        layout->activate();
    if (window->minimumWidth() > room.width() || window->minimumHeight() > room.height()) {
        window->setMinimumSize(window->minimumSize().boundedTo(room));
        window->setMaximumSize(window->maximumSize().boundedTo(room));
    }
    window->resize(window->size().boundedTo(room));
    QRect outer(QPoint(), window->size().grownBy(frame));
    outer.moveCenter(centre);
    outer.moveLeft(std::max(area.left(), std::min(outer.left(), area.right() + 1 - outer.width())));
    outer.moveTop(std::max(area.top(), std::min(outer.top(), area.bottom() + 1 - outer.height())));
    return outer;
}

// Until a window first shows, its decorations are a guess; once they are
// known, the window is placed again with them, once.
class FrameCheck : public QObject {
public:
    FrameCheck(QWidget* window, const QMargins& guess, const QPoint& centre)
        : QObject(window)
        , m_window(window)
        , m_guess(guess)
        , m_centre(centre)
    {
        setObjectName(QStringLiteral("frameCheck"));
        window->windowHandle()->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Expose || !m_window->windowHandle()->isExposed())
            return false;
        watched->removeEventFilter(this);
        deleteLater();
        const QMargins frame = frameOf(m_window);
        QScreen* screen = m_window->screen();
        if (frame == m_guess || !screen)
            return false;
        const QRect outer = boundedFrame(m_window, screen->availableGeometry(), frame, m_centre);
        if (outer.topLeft() != m_window->frameGeometry().topLeft())
            m_window->move(outer.topLeft());
        return false;
    }

private:
    QWidget* m_window;
    QMargins m_guess;
    QPoint m_centre;
};

// A button of `window` itself, not of a window it holds.
template <typename Pick> QPushButton* buttonOf(QWidget* window, Pick pick)
{
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->window() == window && button->isVisible() && button->isEnabled() && pick(button))
            return button;
    }
    return nullptr;
}
} // namespace

ViewController::ViewController(QWidget* parent)
    : QWidget(parent)
{
}

ViewController::~ViewController() = default;

void ViewController::setPresentsModally(bool modal)
{
    g_modal = modal;
}

void ViewController::loadViewIfNeeded()
{
    if (m_loaded)
        return;
    m_loaded = true;
    viewDidLoad();
}

void ViewController::presentViewControllerAsModalWindow(ViewController* controller)
{
    if (!controller)
        return;
    controller->m_presenter = this;
    controller->setParent(this, Qt::Window);
    presentWindow(controller, this);
}

void ViewController::presentOver(ViewController* controller, QWidget* opener)
{
    if (controller)
        presentWindow(controller, opener ? opener : QApplication::activeWindow());
}

void ViewController::presentWindow(ViewController* controller, QWidget* opener)
{
    QWidget* over = opener ? opener->window() : nullptr;
    if (over == controller)
        over = nullptr;
    controller->m_presented = true;
    controller->loadViewIfNeeded();
    // A dialog: X11 window managers learn the opener (and keep the window
    // above it, minimized with it) only from dialogs. Minimized on its own, a
    // modal window would leave the application blocked with nothing to answer.
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (controller->minimumSize() != controller->maximumSize())
        flags |= Qt::WindowMaximizeButtonHint;
    controller->setWindowFlags(flags);
    controller->setAttribute(Qt::WA_DeleteOnClose, true);
    if (g_modal)
        controller->setWindowModality(Qt::ApplicationModal);
    controller->m_frameGuess = placeWindowOver(controller, over);
    if (over && over->windowHandle()) {
        // Window managers place a window and keep it above by its transient parent.
        controller->winId();
        if (QWindow* handle = controller->windowHandle())
            handle->setTransientParent(over->windowHandle());
    }
    controller->show();
}

QMargins ViewController::placeWindowOver(QWidget* window, QWidget* over)
{
    QScreen* screen = over ? over->screen() : QGuiApplication::primaryScreen();
    if (!window || !screen)
        return QMargins();
    // Not shown yet, the window is taken to get its opener's decorations.
    const QMargins frame = over ? frameOf(over) : QMargins();
    const QRect area = screen->availableGeometry();
    const QPoint centre = over ? over->frameGeometry().center() : area.center();
    window->move(boundedFrame(window, area, frame, centre).topLeft());
    window->winId();
    delete window->findChild<QObject*>(QStringLiteral("frameCheck"), Qt::FindDirectChildrenOnly);
    new FrameCheck(window, frame, centre);
    return frame;
}

void ViewController::dismissController()
{
    close();
}

void ViewController::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    loadViewIfNeeded();
    if (!m_appeared) {
        m_appeared = true;
        viewDidAppear();
        Q_EMIT didAppear();
    }
}

void ViewController::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    if (m_appeared) {
        m_appeared = false;
        viewDidDisappear();
        Q_EMIT didDisappear();
    }
}

void ViewController::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!isWindow() || m_adjusting)
        return;
    QSize allowed = windowWillResize(event->size());
    if (m_presented && screen()) {
        const QMargins frame = frameOf(this).isNull() ? m_frameGuess : frameOf(this);
        allowed = allowed.boundedTo(screen()->availableGeometry().marginsRemoved(frame).size());
    }
    if (allowed != event->size() && allowed.isValid()) {
        m_adjusting = true;
        resize(allowed);
        m_adjusting = false;
    }
}

void ViewController::keyPressEvent(QKeyEvent* event)
{
    const bool plain = !(event->modifiers() & ~Qt::KeypadModifier);
    if (isWindow() && plain) {
        if (event->key() == Qt::Key_Escape && m_presented) {
            if (QPushButton* cancel
                = buttonOf(this, [](QPushButton* b) { return b->text() == QStringLiteral("取消"); }))
                cancel->click();
            else
                dismissController();
            return;
        }
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            auto* focused = qobject_cast<QPushButton*>(focusWidget());
            QPushButton* button = focused && focused->window() == this
                ? focused
                : buttonOf(this, [](QPushButton* b) { return b->isDefault(); });
            if (button) {
                button->click();
                return;
            }
        }
    }
    QWidget::keyPressEvent(event);
}

} // namespace platform
