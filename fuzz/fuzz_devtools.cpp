// Fuzzes the DevTools protocol messages the browser writes to quorvane-browser's pipe, taken apart
// and followed as the bridge does. The input up to its first NUL is a script: after each message the
// bridge starts the script's next operation (open an address in the last active, a new or the first
// window, or one with a user part in a new or the first window; bring a window forward; ask for a
// window's address and title), so that the messages that follow can answer it; the script's length
// also sets how many bytes each read from the pipe gives (1 to 4,096) and, one time in two, a small
// limit on a message's length (16 bytes to 4 KiB) in place of the bridge's 64 MiB, so that messages
// and unfinished ones past the limit are common.
// The rest is what the browser writes, messages each ended by a NUL.
//
// Reading the pipe in pieces gives the same messages as reading it at once, and the same verdict on a
// message too long (no message after it, and nothing kept); every operation answers at most once; the
// windows keep distinct ids that are no special value, and the last active window is one of them (or
// none).

#include <QByteArray>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bridge/BrowserWindows.h"
#include "bridge/DevToolsFraming.h"

namespace {

// Counts the answers to one operation; more than one is a fault.
struct Answers {
    int count = 0;
    void note() {
        if (++count > 1) std::abort();
    }
};

void checkWindows(const BrowserWindows& windows) {
    const QList<quint32> ids = windows.windows();
    for (qsizetype i = 0; i < ids.size(); ++i) {
        if (ids[i] == 0 || ids[i] == BrowserWindows::kLastActive) std::abort();
        if (i > 0 && ids[i] <= ids[i - 1]) std::abort();
    }
    if (windows.lastActive() != 0 && !ids.contains(windows.lastActive())) std::abort();
}

}  // namespace

// The bridge runs in a Qt application (the time limit of an answered login is a timer).
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static int count = 1;
    static char name[] = "fuzz_devtools";
    static char* args[] = {name, nullptr};
    static QCoreApplication app(count, args);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype scriptEnd = input.indexOf('\0');
    const QByteArray script = scriptEnd < 0 ? input : input.left(scriptEnd);
    const QByteArray pipe = scriptEnd < 0 ? QByteArray() : input.mid(scriptEnd + 1);

    // The pipe read whole and read in pieces of the script's length, under the same limit.
    const qsizetype limit = script.size() % 2 ? qsizetype{16} << (script.size() / 2 % 9) : kMaxDevToolsMessageBytes;
    DevToolsFraming whole(limit);
    const QList<QByteArray> messages = whole.add(pipe.constData(), pipe.size());
    DevToolsFraming pieces(limit);
    QList<QByteArray> pieced;
    const qsizetype piece = qsizetype{1} << (script.size() % 13);
    for (qsizetype at = 0; at < pipe.size(); at += piece)
        pieced.append(pieces.add(pipe.constData() + at, std::min(piece, pipe.size() - at)));
    if (pieced != messages || pieces.tooLong() != whole.tooLong() || pieces.pending() != whole.pending())
        std::abort();
    for (const QByteArray& message : messages)
        if (message.size() > limit || message.contains('\0')) std::abort();
    if (whole.tooLong() && !whole.pending().isEmpty()) std::abort();

    BrowserWindows windows([](const QByteArray& message) {
        // Every command the bridge writes is a JSON object with an id and a method.
        const QJsonObject object = QJsonDocument::fromJson(message).object();
        if (!object.value(QStringLiteral("id")).isDouble() || !object.value(QStringLiteral("method")).isString())
            std::abort();
        return true;
    });
    std::vector<std::unique_ptr<Answers>> answers;
    auto expect = [&answers]() {
        answers.push_back(std::make_unique<Answers>());
        return answers.back().get();
    };
    Answers* ready = expect();
    windows.start([ready](bool) { ready->note(); });

    const QString address = QStringLiteral("https://example.org/page");
    // With a user part the page is followed for its HTTP authentication, on the browser's events.
    const QString withUser = QStringLiteral("https://u%40x:p@example.org/page");
    qsizetype step = 0;
    for (const QByteArray& message : messages) {
        windows.receive(message);
        checkWindows(windows);
        if (script.isEmpty()) continue;
        const QList<quint32> ids = windows.windows();
        const quint32 first = ids.isEmpty() ? 1 : ids.first();
        Answers* a = expect();
        auto id = [a](quint32) { a->note(); };
        auto info = [a](bool, const BrowserWindows::Info&) { a->note(); };
        switch (static_cast<unsigned char>(script[step++ % script.size()]) % 10) {
            case 0: break;
            case 1: windows.openUrl(address, BrowserWindows::kLastActive, id); break;
            case 2: windows.openUrl(address, 0, id); break;
            case 3: windows.openUrl(address, first, id); break;
            case 4: windows.activate(BrowserWindows::kLastActive, id); break;
            case 5: windows.info(BrowserWindows::kLastActive, info); break;
            case 6: windows.info(first, info); break;
            case 8: windows.openUrl(withUser, 0, id); break;
            case 9: windows.openUrl(withUser, first, id); break;
            default: windows.activate(first, id); break;
        }
        checkWindows(windows);
    }
    return 0;
}
