#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace quintara {

// Other applications' user-interface trees, read through the desktop's accessibility service.
// Every call blocks until the application answers (or gives up), so a tree is used off the
// main thread, by one thread at a time. Reads that fail give empty values.
class AccessibilityTree {
public:
    struct Element {
        QString bus;  // the application's connection
        QString path; // the element's object
        bool operator==(const Element &) const = default;
    };
    struct Application {
        Element element;
        QString name;        // the name it registered with
        qint64 pid = -1;     // its process, when known
        QString processName; // that process's name, when known
    };
    enum class Role { other, pushButton };

    virtual ~AccessibilityTree() = default;

    // The service can be reached and is switched on.
    virtual bool isTrusted() = 0;
    virtual QList<Application> applications() = 0;
    // An application's windows, in its order.
    virtual QList<Element> windows(const Element &application) = 0;
    virtual Role role(const Element &element) = 0;
    // The accessible name (a window's title, a button's label).
    virtual QString name(const Element &element) = 0;
    // The accessible name and description that are present.
    virtual QStringList labels(const Element &element) = 0;
    virtual QList<Element> children(const Element &element) = 0;
    // The push buttons below `element`, at most `limit`, found by the application itself in
    // one request; nothing when it does not take such requests (the caller walks then).
    virtual std::optional<QList<Element>> pushButtons(const Element &element, int limit) = 0;
};

} // namespace quintara
