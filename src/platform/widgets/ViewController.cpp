#include "platform/widgets/ViewController.h"

#include <QResizeEvent>

namespace platform {

namespace {
bool g_modal = true;
}

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
    controller->setAttribute(Qt::WA_DeleteOnClose, true);
    if (g_modal)
        controller->setWindowModality(Qt::ApplicationModal);
    controller->loadViewIfNeeded();
    controller->show();
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
    const QSize allowed = windowWillResize(event->size());
    if (allowed != event->size() && allowed.isValid()) {
        m_adjusting = true;
        resize(allowed);
        m_adjusting = false;
    }
}

} // namespace platform
