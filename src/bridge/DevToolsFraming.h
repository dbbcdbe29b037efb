#pragma once
// How DevTools protocol messages travel on the browser's pipe: each is a JSON text followed by one
// NUL byte, and a read from the pipe may end anywhere, inside a message too.

#include <QByteArray>
#include <QList>

/// Takes the complete messages (without their NUL) out of `pending`, the bytes read so far, in the
/// order they came; the start of a message not yet complete stays in `pending` for the next read.
QList<QByteArray> takeDevToolsMessages(QByteArray& pending);
