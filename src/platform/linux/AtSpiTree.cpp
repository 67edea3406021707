#include "platform/linux/AtSpiTree.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>

namespace quintara {

namespace {

// A busy application may take a while; one that does not answer at all is given up for the
// rest of the pass, so that it costs one wait, not one per element.
constexpr int replyTimeoutMs = 25000;
constexpr qsizetype requestsAhead = 512;
constexpr std::uint32_t pushButtonRole = 43;
constexpr char accessible[] = "org.a11y.atspi.Accessible";
constexpr char properties[] = "org.freedesktop.DBus.Properties";
// Collection match types and sort order.
constexpr std::int32_t matchAll = 1, matchAny = 2;
constexpr std::uint32_t sortCanonical = 1;

QString key(const AccessibilityTree::Element &element)
{
    return element.bus + QLatin1Char(' ') + element.path;
}

QVariant sessionCall(const QString &interface, const QString &member, const QVariantList &args)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"), interface, member);
    call.setArguments(args);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().first();
}

QByteArray stringBody(std::initializer_list<QByteArray> strings)
{
    DBusWriter body;
    for (const QByteArray &s : strings)
        body.string(s);
    return body.data();
}

} // namespace

AtSpiTree::AtSpiTree() = default;
AtSpiTree::~AtSpiTree() = default;

bool AtSpiTree::isTrusted()
{
    const QVariant enabled =
        sessionCall(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                    {QStringLiteral("org.a11y.Status"), QStringLiteral("IsEnabled")});
    if (!enabled.value<QDBusVariant>().variant().toBool())
        return false;
    const QString address =
        sessionCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress"), {}).toString();
    if (address.isEmpty())
        return false;
    if (!m_wire.isOpen() || m_wire.address() != address) {
        m_ahead.clear();
        m_next.clear();
        m_wire.open(address);
    }
    return m_wire.isOpen();
}

std::uint32_t AtSpiTree::ask(const Element &element, const char *interface, const char *member,
                             const QByteArray &signature, const QByteArray &body)
{
    return m_wire.call(element.bus.toUtf8(), element.path.toUtf8(), interface, member, signature,
                       body);
}

std::optional<DBusIncoming> AtSpiTree::answer(const Element &element, std::uint32_t serial)
{
    if (m_stalled.contains(element.bus)) {
        m_wire.forget(serial);
        return std::nullopt;
    }
    std::optional<DBusIncoming> reply = m_wire.reply(serial, replyTimeoutMs);
    if (m_wire.timedOut())
        m_stalled.insert(element.bus);
    return reply;
}

QList<AccessibilityTree::Element> AtSpiTree::elements(const Element &element, std::uint32_t serial)
{
    const std::optional<DBusIncoming> reply = answer(element, serial);
    return reply ? references(*reply) : QList<Element>();
}

QList<AccessibilityTree::Element> AtSpiTree::references(const DBusIncoming &reply)
{
    QList<Element> found;
    if (reply.signature != "a(so)")
        return found;
    DBusReader body = reply.body();
    const qsizetype end = body.beginArray(8);
    while (body.ok() && body.position() < end) {
        body.align(8);
        const QByteArray bus = body.string();
        const QByteArray path = body.string();
        if (body.ok())
            found.append({QString::fromUtf8(bus), QString::fromUtf8(path)});
    }
    return found;
}

std::optional<QByteArray> AtSpiTree::property(const Element &element, const char *name)
{
    const std::optional<DBusIncoming> reply =
        answer(element, ask(element, properties, "Get", "ss", stringBody({accessible, name})));
    if (!reply || reply->signature != "v")
        return std::nullopt;
    return reply->body().variantString();
}

QList<AccessibilityTree::Application> AtSpiTree::applications()
{
    dropAhead();
    m_stalled.clear();
    const Element registry{QStringLiteral("org.a11y.atspi.Registry"),
                           QStringLiteral("/org/a11y/atspi/accessible/root")};
    QList<Application> found;
    for (const Element &element : elements(registry, ask(registry, accessible, "GetChildren")))
        found.append({element, {}, -1, {}});
    // Every question at once, then the answers.
    QList<std::pair<std::uint32_t, std::uint32_t>> asked;
    for (const Application &application : found)
        asked.append(
            {ask(application.element, properties, "Get", "ss", stringBody({accessible, "Name"})),
             m_wire.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                         "GetConnectionUnixProcessID", "s",
                         stringBody({application.element.bus.toUtf8()}))});
    for (qsizetype i = 0; i < found.size(); ++i) {
        if (const auto reply = answer(found[i].element, asked[i].first);
            reply && reply->signature == "v")
            found[i].name = QString::fromUtf8(reply->body().variantString().value_or(QByteArray()));
        if (const auto reply = m_wire.reply(asked[i].second, replyTimeoutMs);
            reply && reply->signature == "u") {
            found[i].pid = reply->body().uint32();
            QFile comm(QStringLiteral("/proc/%1/comm").arg(found[i].pid));
            if (comm.open(QIODevice::ReadOnly))
                found[i].processName = QString::fromUtf8(comm.readAll().trimmed());
        }
    }
    return found;
}

QList<AccessibilityTree::Element> AtSpiTree::windows(const Element &application)
{
    dropAhead();
    return elements(application, ask(application, accessible, "GetChildren"));
}

AccessibilityTree::Role AtSpiTree::role(const Element &element)
{
    auto ahead = m_ahead.find(key(element));
    std::uint32_t serial = 0;
    if (ahead != m_ahead.end() && ahead->role) {
        serial = std::exchange(ahead->role, 0);
    } else {
        serial = ask(element, accessible, "GetRole");
        askAhead();
    }
    const std::optional<DBusIncoming> reply = answer(element, serial);
    if (!reply || reply->signature != "u")
        return Role::other;
    return reply->body().uint32() == pushButtonRole ? Role::pushButton : Role::other;
}

QString AtSpiTree::name(const Element &element)
{
    return QString::fromUtf8(property(element, "Name").value_or(QByteArray()));
}

QStringList AtSpiTree::labels(const Element &element)
{
    const std::uint32_t name =
        ask(element, properties, "Get", "ss", stringBody({accessible, "Name"}));
    const std::uint32_t description =
        ask(element, properties, "Get", "ss", stringBody({accessible, "Description"}));
    QStringList found;
    for (std::uint32_t serial : {name, description})
        if (const auto reply = answer(element, serial); reply && reply->signature == "v")
            if (const auto text = reply->body().variantString())
                found.append(QString::fromUtf8(*text));
    return found;
}

QList<AccessibilityTree::Element> AtSpiTree::children(const Element &element)
{
    auto ahead = m_ahead.find(key(element));
    std::uint32_t serial = 0;
    if (ahead != m_ahead.end() && ahead->children) {
        serial = ahead->children;
        if (ahead->role)
            m_wire.forget(ahead->role);
        m_ahead.erase(ahead);
    } else {
        serial = ask(element, accessible, "GetChildren");
    }
    const QList<Element> found = elements(element, serial);
    // A depth-first walk reads these next, the last one first.
    m_next.append(found);
    askAhead();
    return found;
}

void AtSpiTree::askAhead()
{
    while (!m_next.isEmpty() && m_wire.outstanding() < requestsAhead) {
        const Element element = m_next.takeLast();
        const QString name = key(element);
        if (m_ahead.contains(name))
            continue;
        m_ahead.insert(
            name, {ask(element, accessible, "GetRole"), ask(element, accessible, "GetChildren")});
    }
    m_wire.flush();
}

void AtSpiTree::dropAhead()
{
    for (const Ahead &ahead : std::as_const(m_ahead)) {
        m_wire.forget(ahead.role);
        m_wire.forget(ahead.children);
    }
    m_ahead.clear();
    m_next.clear();
}

std::optional<QList<AccessibilityTree::Element>> AtSpiTree::pushButtons(const Element &element,
                                                                        int limit)
{
    // The match rule (aiia{ss}iaiiasib): states, attributes, roles and interfaces, each with
    // how to match it; roles and states are bit sets.
    DBusWriter rule;
    rule.beginStruct();
    if (m_withoutCollection.contains(element.bus))
        return std::nullopt;
    auto bits = [&rule](int words, std::optional<std::uint32_t> set) {
        const DBusWriter::ArrayMark mark = rule.beginArray(4);
        for (int word = 0; word < words; ++word)
            rule.uint32(set && *set / 32 == std::uint32_t(word) ? 1u << (*set % 32) : 0);
        rule.endArray(mark);
    };
    bits(2, std::nullopt); // no state
    rule.int32(matchAll);
    rule.endArray(rule.beginArray(8)); // no attribute
    rule.int32(matchAll);
    bits(4, pushButtonRole);
    rule.int32(matchAny);
    rule.endArray(rule.beginArray(4)); // no interface
    rule.int32(matchAll);
    rule.boolean(false);
    rule.uint32(sortCanonical);
    rule.int32(limit);
    rule.boolean(true); // into the children's children too
    const std::uint32_t serial = ask(element, "org.a11y.atspi.Collection", "GetMatches",
                                     "(aiia{ss}iaiiasib)uib", rule.data());
    const std::optional<DBusIncoming> reply = answer(element, serial);
    if (!reply || reply->signature != "a(so)") {
        if (!m_stalled.contains(element.bus))
            m_withoutCollection.insert(element.bus);
        return std::nullopt;
    }
    return references(*reply);
}

} // namespace quintara
