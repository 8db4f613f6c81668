#pragma once

#include <QString>
#include <QWidget>

#include <functional>

namespace platform {

class ViewController;

// Stands in for the storyboard and the nibs: a controller or a view is made
// by its identifier. The executable registers every class at start; tests
// register what they need.
class ControllerRegistry {
public:
    using Factory = std::function<QWidget*()>;

    static void registerFactory(const QString& identifier, Factory factory);
    static bool has(const QString& identifier);
    static QWidget* instantiate(const QString& identifier);
    static ViewController* instantiateController(const QString& identifier);
    static void clear();

    template <typename T> static void registerClass(const QString& identifier)
    {
        registerFactory(identifier, []() -> QWidget* { return new T(); });
    }
};

} // namespace platform
