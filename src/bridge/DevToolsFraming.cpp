#include "bridge/DevToolsFraming.h"

#include <cstring>

QList<QByteArray> DevToolsFraming::add(const char* data, qsizetype size) {
    QList<QByteArray> messages;
    if (m_tooLong)
        return messages;
    // Only the new bytes are searched for the end, so a long message costs its length once.
    const char* at = data;
    const char* const end = data + size;
    while (at < end) {
        const char* nul = static_cast<const char*>(std::memchr(at, '\0', static_cast<std::size_t>(end - at)));
        const qsizetype piece = (nul ? nul : end) - at;
        if (m_pending.size() + piece > m_max) {
            m_tooLong = true;
            m_pending.clear();
            m_pending.squeeze();
            return messages;
        }
        m_pending.append(at, piece);
        if (!nul)
            break;
        messages.append(m_pending);
        m_pending.clear();
        at = nul + 1;
    }
    return messages;
}
