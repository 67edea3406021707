#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <cstdint>
#include <optional>

namespace quintara {

// The D-Bus wire format, little-endian out, either order in. Alignment is counted from the
// start of the buffer, which must itself start at a multiple of 8 in the message.
class DBusWriter {
public:
    void align(int n);
    void byte(std::uint8_t value);
    void uint32(std::uint32_t value);
    void int32(std::int32_t value) { uint32(std::uint32_t(value)); }
    void boolean(bool value) { uint32(value ? 1 : 0); }
    void string(const QByteArray &value); // also an object path
    void signature(const QByteArray &value);
    // An array of elements aligned to `elementAlignment`: write them between the two.
    struct ArrayMark {
        qsizetype lengthAt, start;
    };
    ArrayMark beginArray(int elementAlignment);
    void endArray(ArrayMark mark);
    void beginStruct() { align(8); }
    const QByteArray &data() const { return m_data; }

private:
    QByteArray m_data;
};

class DBusReader {
public:
    DBusReader(const QByteArray &data, bool bigEndian, qsizetype position = 0)
        : m_data(data), m_bigEndian(bigEndian), m_position(position)
    {}
    bool ok() const { return m_ok; }
    bool atEnd() const { return m_position >= m_data.size(); }
    qsizetype position() const { return m_position; }

    bool align(int n);
    std::uint8_t byte();
    std::uint32_t uint32();
    QByteArray string(); // also an object path
    QByteArray signature();
    // Returns the end of the array's elements; read while position() < that end.
    qsizetype beginArray(int elementAlignment);
    // Skips one complete value of `type`, which starts at `*type` and is advanced past it.
    bool skip(const char *&type);
    // A variant holding a string (or object path): its text; nothing for any other content.
    std::optional<QByteArray> variantString();

private:
    // `length` bytes and the NUL after them.
    QByteArray terminated(qsizetype length);

    const QByteArray &m_data;
    bool m_bigEndian;
    qsizetype m_position;
    bool m_ok = true;
};

// A message as it came in.
struct DBusIncoming {
    enum Type : std::uint8_t { methodCall = 1, methodReturn = 2, error = 3, signal = 4 };
    Type type = methodCall;
    bool bigEndian = false;
    std::uint32_t replySerial = 0;
    QByteArray signature;
    QByteArray data; // the whole message
    qsizetype bodyStart = 0;

    DBusReader body() const { return DBusReader(data, bigEndian, bodyStart); }
};

// A private, blocking connection to one bus for one thread, which keeps many calls in flight:
// `call` only queues a request, `reply` sends what is queued and waits for the answer.
class DBusWire {
public:
    DBusWire() = default;
    ~DBusWire();
    DBusWire(const DBusWire &) = delete;
    DBusWire &operator=(const DBusWire &) = delete;

    // Connects, authenticates and says hello; false if any of it fails.
    bool open(const QString &address);
    void close();
    bool isOpen() const { return m_socket >= 0; }
    QString address() const { return m_address; }

    // Queues a method call and returns its serial (0 when the connection is closed).
    std::uint32_t call(const QByteArray &destination, const QByteArray &path,
                       const QByteArray &interface, const QByteArray &member,
                       const QByteArray &signature = {}, const QByteArray &body = {});
    // Sends everything queued.
    bool flush();
    // The reply to `serial`, waiting at most `timeoutMs` for the bus to say anything; nothing
    // for an error reply, a time-out or a broken connection (which closes it).
    std::optional<DBusIncoming> reply(std::uint32_t serial, int timeoutMs);
    // The last reply asked for did not come in time.
    bool timedOut() const { return m_timedOut; }
    // The reply to `serial` will not be asked for.
    void forget(std::uint32_t serial);
    qsizetype outstanding() const { return m_waiting.size(); }

private:
    bool readMore(int timeoutMs);
    void takeMessages();

    int m_socket = -1;
    bool m_timedOut = false;
    QString m_address;
    std::uint32_t m_serial = 0;
    QByteArray m_out;
    QByteArray m_in;
    QSet<std::uint32_t> m_waiting;
    QHash<std::uint32_t, DBusIncoming> m_replies;
};

} // namespace quintara
