#pragma once

#include "platform/AccessibilityTree.h"
#include "platform/linux/DBusWire.h"

#include <QHash>
#include <QSet>
#include <QVector>

namespace quintara {

// AT-SPI 2 over a private connection to the accessibility bus. Searches walk the tree depth
// first, the last child first; to spare a round trip per element, the role and children of the
// elements such a walk reads next are asked for ahead, many requests at once.
class AtSpiTree final : public AccessibilityTree {
public:
    AtSpiTree();
    ~AtSpiTree() override;

    bool isTrusted() override;
    QList<Application> applications() override;
    QList<Element> windows(const Element &application) override;
    Role role(const Element &element) override;
    QString name(const Element &element) override;
    QStringList labels(const Element &element) override;
    QList<Element> children(const Element &element) override;
    std::optional<QList<Element>> pushButtons(const Element &element, int limit) override;

private:
    struct Ahead {
        std::uint32_t role = 0;
        std::uint32_t children = 0;
    };

    std::uint32_t ask(const Element &element, const char *interface, const char *member,
                      const QByteArray &signature = {}, const QByteArray &body = {});
    std::optional<QByteArray> property(const Element &element, const char *name);
    // The reply to a request to `element`'s application, unless that application stopped
    // answering during this search.
    std::optional<DBusIncoming> answer(const Element &element, std::uint32_t serial);
    QList<Element> elements(const Element &element, std::uint32_t serial);
    static QList<Element> references(const DBusIncoming &reply);
    // Forgets every request made ahead.
    void dropAhead();
    // Asks ahead for the elements a walk reads next, keeping a bounded number in flight.
    void askAhead();

    DBusWire m_wire;
    QHash<QString, Ahead> m_ahead;     // by bus and path
    QVector<Element> m_next;           // elements the walk will read, the next one last
    QSet<QString> m_withoutCollection; // applications that do not search for us
    QSet<QString> m_stalled;           // applications that stopped answering in this pass
};

} // namespace quintara
