#include "bridge/DevToolsFraming.h"

QList<QByteArray> takeDevToolsMessages(QByteArray& pending) {
    QList<QByteArray> messages;
    qsizetype start = 0;
    for (qsizetype end; (end = pending.indexOf('\0', start)) >= 0; start = end + 1)
        messages.append(pending.mid(start, end - start));
    pending.remove(0, start);
    return messages;
}
