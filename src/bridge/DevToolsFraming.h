#pragma once
// How DevTools protocol messages travel on the browser's pipe: each is a JSON text followed by one
// NUL byte, and a read from the pipe may end anywhere, inside a message too.

#include <QByteArray>
#include <QList>

/// The longest message the bridge takes from the browser. The longest the browser really sends (a
/// target list, a page's title) are a few KiB; a browser that sends more without an end is cut off
/// instead of filling the memory.
inline constexpr qsizetype kMaxDevToolsMessageBytes = qsizetype{64} * 1024 * 1024;

/// Cuts the bytes read from the pipe into messages, keeping the start of one not yet complete.
class DevToolsFraming {
public:
    explicit DevToolsFraming(qsizetype maxMessageBytes = kMaxDevToolsMessageBytes) : m_max(maxMessageBytes) {}

    /// Adds `size` bytes read from the pipe and returns the messages (without their NUL) they
    /// complete, in order. Once a message, complete or not, is longer than the limit, tooLong() is
    /// true: the messages before it are returned, and nothing more ever is.
    QList<QByteArray> add(const char* data, qsizetype size);

    bool tooLong() const { return m_tooLong; }
    qsizetype maxMessageBytes() const { return m_max; }
    /// The start of the message not yet complete.
    const QByteArray& pending() const { return m_pending; }

private:
    qsizetype m_max;
    QByteArray m_pending;
    bool m_tooLong = false;
};
