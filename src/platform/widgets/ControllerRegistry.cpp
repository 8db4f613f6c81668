#include "platform/widgets/ControllerRegistry.h"

#include "platform/Logging.h"
#include "platform/widgets/ViewController.h"

#include <QHash>

namespace platform {

namespace {
QHash<QString, ControllerRegistry::Factory>& factories()
{
    static QHash<QString, ControllerRegistry::Factory> table;
    return table;
}
} // namespace

void ControllerRegistry::registerFactory(const QString& identifier, Factory factory)
{
    factories().insert(identifier, std::move(factory));
}

bool ControllerRegistry::has(const QString& identifier)
{
    return factories().contains(identifier);
}

QWidget* ControllerRegistry::instantiate(const QString& identifier)
{
    const auto it = factories().constFind(identifier);
    if (it == factories().constEnd()) {
        qCWarning(lcPlatform, "no class registered as %s", qUtf8Printable(identifier));
        return nullptr;
    }
    return (*it)();
}

ViewController* ControllerRegistry::instantiateController(const QString& identifier)
{
    QWidget* widget = instantiate(identifier);
    auto* controller = qobject_cast<ViewController*>(widget);
    if (widget && !controller)
        delete widget;
    return controller;
}

void ControllerRegistry::clear()
{
    factories().clear();
}

} // namespace platform
