#include "platform/linux/DBusWire.h"

#include <QUrl>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quintara {

namespace {

constexpr qsizetype maximumMessage = 128 << 20;

qsizetype alignUp(qsizetype value, int n)
{
    return (value + n - 1) / n * n;
}

int alignment(char type)
{
    switch (type) {
    case 'n':
    case 'q':
        return 2;
    case 'b':
    case 'i':
    case 'u':
    case 'h':
    case 's':
    case 'o':
    case 'a':
        return 4;
    case 'x':
    case 't':
    case 'd':
    case '(':
    case '{':
        return 8;
    default:
        return 1;
    }
}

// Moves `type` past one complete type of a signature.
bool skipType(const char *&type)
{
    switch (*type) {
    case 'a':
        ++type;
        return skipType(type);
    case '(':
    case '{': {
        const char close = *type == '(' ? ')' : '}';
        ++type;
        while (*type && *type != close)
            if (!skipType(type))
                return false;
        if (*type != close)
            return false;
        ++type;
        return true;
    }
    case '\0':
        return false;
    default:
        ++type;
        return true;
    }
}

bool writeAll(int socket, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t written = ::send(socket, data, size_t(size), MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd fd{socket, POLLOUT, 0};
            if (::poll(&fd, 1, 5000) <= 0)
                return false;
            continue;
        }
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

int connectUnix(const QString &entry)
{
    const qsizetype colon = entry.indexOf(QLatin1Char(':'));
    if (colon < 0 || entry.left(colon) != QLatin1String("unix"))
        return -1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socklen_t length = 0;
    for (const QString &pair : entry.mid(colon + 1).split(QLatin1Char(','))) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        const QString key = pair.left(equals);
        // Values escape bytes as %XX.
        const QByteArray value = QByteArray::fromPercentEncoding(pair.mid(equals + 1).toUtf8());
        const bool abstract = key == QLatin1String("abstract");
        if ((key != QLatin1String("path") && !abstract) ||
            value.size() + 2 > qsizetype(sizeof(address.sun_path)))
            continue;
        const int offset = abstract ? 1 : 0; // an abstract name starts with a zero byte
        std::memcpy(address.sun_path + offset, value.constData(), size_t(value.size()));
        length =
            socklen_t(offsetof(sockaddr_un, sun_path) + offset + value.size() + (abstract ? 0 : 1));
    }
    if (length == 0)
        return -1;
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return -1;
    if (::connect(socket, reinterpret_cast<sockaddr *>(&address), length) != 0) {
        ::close(socket);
        return -1;
    }
    return socket;
}

} // namespace

void DBusWriter::align(int n)
{
    while (m_data.size() % n)
        m_data.append('\0');
}

void DBusWriter::byte(std::uint8_t value)
{
    m_data.append(char(value));
}

void DBusWriter::uint32(std::uint32_t value)
{
    align(4);
    char bytes[4];
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((value >> (8 * i)) & 0xff);
    m_data.append(bytes, 4);
}

void DBusWriter::string(const QByteArray &value)
{
    uint32(std::uint32_t(value.size()));
    m_data.append(value);
    m_data.append('\0');
}

void DBusWriter::signature(const QByteArray &value)
{
    byte(std::uint8_t(value.size()));
    m_data.append(value);
    m_data.append('\0');
}

DBusWriter::ArrayMark DBusWriter::beginArray(int elementAlignment)
{
    uint32(0);
    const qsizetype lengthAt = m_data.size() - 4;
    // The padding before the first element is there even when there is none.
    align(elementAlignment);
    return {lengthAt, m_data.size()};
}

void DBusWriter::endArray(ArrayMark mark)
{
    const std::uint32_t length = std::uint32_t(m_data.size() - mark.start);
    for (int i = 0; i < 4; ++i)
        m_data[mark.lengthAt + i] = char((length >> (8 * i)) & 0xff);
}

bool DBusReader::align(int n)
{
    m_position = alignUp(m_position, n);
    if (m_position > m_data.size())
        m_ok = false;
    return m_ok;
}

std::uint8_t DBusReader::byte()
{
    if (!m_ok || m_position + 1 > m_data.size()) {
        m_ok = false;
        return 0;
    }
    return std::uint8_t(m_data.at(m_position++));
}

std::uint32_t DBusReader::uint32()
{
    if (!align(4) || m_position + 4 > m_data.size()) {
        m_ok = false;
        return 0;
    }
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t b = std::uint8_t(m_data.at(m_position + i));
        value |= m_bigEndian ? b << (8 * (3 - i)) : b << (8 * i);
    }
    m_position += 4;
    return value;
}

QByteArray DBusReader::terminated(qsizetype length)
{
    if (!m_ok || m_position + length + 1 > m_data.size()) {
        m_ok = false;
        return {};
    }
    QByteArray value = m_data.mid(m_position, length);
    m_position += length + 1;
    return value;
}

QByteArray DBusReader::string()
{
    const std::uint32_t length = uint32();
    return terminated(qsizetype(length));
}

QByteArray DBusReader::signature()
{
    const std::uint8_t length = byte();
    return terminated(qsizetype(length));
}

qsizetype DBusReader::beginArray(int elementAlignment)
{
    const std::uint32_t length = uint32();
    align(elementAlignment);
    const qsizetype end = m_position + qsizetype(length);
    if (!m_ok || end > m_data.size()) {
        m_ok = false;
        return m_position;
    }
    return end;
}

bool DBusReader::skip(const char *&type)
{
    const char code = *type;
    switch (code) {
    case 's':
    case 'o':
        string();
        ++type;
        break;
    case 'g':
        signature();
        ++type;
        break;
    case 'v': {
        const QByteArray inner = signature();
        const char *innerType = inner.constData();
        if (m_ok && !skip(innerType))
            return false;
        ++type;
        break;
    }
    case 'a': {
        ++type;
        const qsizetype end = beginArray(alignment(*type));
        if (m_ok)
            m_position = end;
        if (!skipType(type))
            m_ok = false;
        break;
    }
    case '(':
    case '{': {
        const char close = code == '(' ? ')' : '}';
        align(8);
        ++type;
        while (m_ok && *type && *type != close)
            skip(type);
        if (*type != close)
            m_ok = false;
        else
            ++type;
        break;
    }
    case '\0':
        m_ok = false;
        break;
    default: {
        const int size = alignment(code);
        align(size);
        m_position += size;
        if (m_position > m_data.size())
            m_ok = false;
        ++type;
    }
    }
    return m_ok;
}

std::optional<QByteArray> DBusReader::variantString()
{
    const QByteArray type = signature();
    if (type == "s" || type == "o") {
        QByteArray value = string();
        if (m_ok)
            return value;
        return std::nullopt;
    }
    const char *t = type.constData();
    skip(t);
    return std::nullopt;
}

DBusWire::~DBusWire()
{
    close();
}

bool DBusWire::open(const QString &address)
{
    close();
    for (const QString &entry : address.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        m_socket = connectUnix(entry);
        if (m_socket >= 0)
            break;
    }
    if (m_socket < 0)
        return false;
    m_address = address;
    // Authenticate as the user this process runs as.
    const QByteArray uid = QByteArray::number(::getuid()).toHex();
    const QByteArray hello = QByteArray(1, '\0') + "AUTH EXTERNAL " + uid + "\r\n";
    if (!writeAll(m_socket, hello.constData(), hello.size())) {
        close();
        return false;
    }
    while (!m_in.contains("\r\n"))
        if (!readMore(5000)) {
            close();
            return false;
        }
    const bool accepted = m_in.startsWith("OK ");
    m_in.clear();
    if (!accepted || !writeAll(m_socket, "BEGIN\r\n", 7)) {
        close();
        return false;
    }
    const std::uint32_t serial =
        call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello");
    if (!reply(serial, 5000)) {
        close();
        return false;
    }
    return true;
}

void DBusWire::close()
{
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
    m_out.clear();
    m_in.clear();
    m_waiting.clear();
    m_replies.clear();
}

std::uint32_t DBusWire::call(const QByteArray &destination, const QByteArray &path,
                             const QByteArray &interface, const QByteArray &member,
                             const QByteArray &signature, const QByteArray &body)
{
    if (m_socket < 0)
        return 0;
    if (++m_serial == 0)
        ++m_serial;
    DBusWriter header;
    header.byte('l');
    header.byte(DBusIncoming::methodCall);
    header.byte(0);
    header.byte(1);
    header.uint32(std::uint32_t(body.size()));
    header.uint32(m_serial);
    const DBusWriter::ArrayMark fields = header.beginArray(8);
    auto field = [&header](std::uint8_t code, const char *type, const QByteArray &value) {
        header.beginStruct();
        header.byte(code);
        header.signature(type);
        if (*type == 'g')
            header.signature(value);
        else
            header.string(value);
    };
    field(1, "o", path);
    if (!interface.isEmpty())
        field(2, "s", interface);
    field(3, "s", member);
    field(6, "s", destination);
    if (!signature.isEmpty())
        field(8, "g", signature);
    header.endArray(fields);
    header.align(8);
    m_out.append(header.data());
    m_out.append(body);
    m_waiting.insert(m_serial);
    return m_serial;
}

bool DBusWire::flush()
{
    if (m_socket < 0)
        return false;
    if (m_out.isEmpty())
        return true;
    const bool sent = writeAll(m_socket, m_out.constData(), m_out.size());
    m_out.clear();
    if (!sent)
        close();
    return sent;
}

void DBusWire::forget(std::uint32_t serial)
{
    m_waiting.remove(serial);
    m_replies.remove(serial);
}

std::optional<DBusIncoming> DBusWire::reply(std::uint32_t serial, int timeoutMs)
{
    m_timedOut = false;
    if (serial == 0 || !flush())
        return std::nullopt;
    while (!m_replies.contains(serial)) {
        if (!m_waiting.contains(serial) || !readMore(timeoutMs)) {
            m_waiting.remove(serial);
            return std::nullopt;
        }
        takeMessages();
    }
    m_waiting.remove(serial);
    DBusIncoming message = m_replies.take(serial);
    if (message.type != DBusIncoming::methodReturn)
        return std::nullopt;
    return message;
}

bool DBusWire::readMore(int timeoutMs)
{
    if (m_socket < 0)
        return false;
    pollfd fd{m_socket, POLLIN, 0};
    int ready;
    do
        ready = ::poll(&fd, 1, timeoutMs);
    while (ready < 0 && errno == EINTR);
    if (ready <= 0) {
        m_timedOut = ready == 0;
        return false;
    }
    constexpr qsizetype chunk = 256 << 10;
    const qsizetype had = m_in.size();
    m_in.resize(had + chunk);
    const ssize_t got = ::recv(m_socket, m_in.data() + had, size_t(chunk), MSG_DONTWAIT);
    m_in.resize(had + std::max<ssize_t>(got, 0));
    if (got <= 0 && !(got < 0 && (errno == EAGAIN || errno == EINTR))) {
        close();
        return false;
    }
    return true;
}

void DBusWire::takeMessages()
{
    qsizetype at = 0;
    while (m_in.size() - at >= 16) {
        const char order = m_in.at(at);
        if (order != 'l' && order != 'B') {
            close();
            return;
        }
        const QByteArray fixed = m_in.mid(at, 16);
        DBusReader head(fixed, order == 'B', 4);
        const std::uint32_t bodyLength = head.uint32();
        head.uint32();
        const std::uint32_t fieldsLength = head.uint32();
        const qsizetype total = alignUp(16 + qsizetype(fieldsLength), 8) + qsizetype(bodyLength);
        if (total > maximumMessage) {
            close();
            return;
        }
        if (m_in.size() - at < total)
            break;
        DBusIncoming message;
        message.type = DBusIncoming::Type(std::uint8_t(m_in.at(at + 1)));
        message.bigEndian = order == 'B';
        message.data = m_in.mid(at, total);
        at += total;
        if (message.type != DBusIncoming::methodReturn && message.type != DBusIncoming::error)
            continue;
        DBusReader fields(message.data, message.bigEndian, 12);
        const qsizetype end = fields.beginArray(8);
        while (fields.ok() && fields.position() < end) {
            fields.align(8);
            const std::uint8_t code = fields.byte();
            const QByteArray type = fields.signature();
            if (code == 5 && type == "u") {
                message.replySerial = fields.uint32();
            } else if (code == 8 && type == "g") {
                message.signature = fields.signature();
            } else {
                const char *t = type.constData();
                fields.skip(t);
            }
        }
        message.bodyStart = alignUp(end, 8);
        if (fields.ok() && m_waiting.contains(message.replySerial))
            m_replies.insert(message.replySerial, std::move(message));
    }
    m_in.remove(0, at);
}

} // namespace quintara
