// Fuzzes the answers of a browser-side server as the browser commands read them. The first input
// byte picks the call answered (Connect, the requests of WWW_Activate, WWW_GetWindowInfo and
// WWW_OpenURL, or a poke), the second the shape of the answer on the bus (a reply with arguments of
// one type or another, or an error whose name is the rest of the input), the rest is its content.
//
// Every answer gives either data or one of the DDE errors the program can name; data read twice
// reads the same; an address and title read from a reply, written as a reply again, read back the
// same, and go into a card's texts and out again unchanged.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "browser/BrowserChoice.h"
#include "browser/DdeCodec.h"
#include "browser/DdeErrors.h"
#include "common/Win1252.h"
#include "ui/browser/DdeWire.h"

namespace {

struct Answer {
    bool isReply = true;
    QString errorName;
    QString signature;
    QList<QVariant> arguments;
};

template <typename T>
T numberFrom(const QByteArray& bytes) {
    T value = 0;
    std::memcpy(&value, bytes.constData(), std::min<std::size_t>(sizeof value, static_cast<std::size_t>(bytes.size())));
    return value;
}

// The answer as the bus would hand it over: the signature always names the arguments' types.
Answer answerOf(std::uint8_t shape, const QByteArray& content) {
    Answer a;
    const QByteArray half = content.left(content.size() / 2);
    switch (shape % 8) {
        case 0:
            a.arguments = {content};
            a.signature = QStringLiteral("ay");
            break;
        case 1:
            a.isReply = false;
            a.errorName = QString::fromUtf8(content);
            break;
        case 2:
            a.arguments = {QString::fromUtf8(content)};
            a.signature = QStringLiteral("s");
            break;
        case 3:
            a.arguments = {QVariant::fromValue<uint>(numberFrom<uint>(content))};
            a.signature = QStringLiteral("u");
            break;
        case 4:
            a.arguments = {QVariant::fromValue<qulonglong>(numberFrom<qulonglong>(content))};
            a.signature = QStringLiteral("t");
            break;
        case 5:
            a.arguments = {half, content.mid(half.size())};
            a.signature = QStringLiteral("ayay");
            break;
        case 6:
            break;  // an empty reply
        default:
            a.arguments = {content, QVariant::fromValue<uint>(numberFrom<uint>(content))};
            a.signature = QStringLiteral("ayu");
            break;
    }
    return a;
}

bool sameValues(const std::vector<dde::Value>& a, const std::vector<dde::Value>& b) {
    return a == b;
}

// A text a reply can carry whole: the format has no way to write a backslash just before the
// closing quote.
bool travelsWhole(const std::string& text) {
    return text.empty() || text.back() != '\\';
}

// A card text goes into the card editor as UTF-8 and comes back as Windows-1252.
void throughCardEditor(const std::string& text) {
    std::string back;
    if (!utf8ToWin1252(QString::fromStdString(win1252ToUtf8(text)).toStdString(), back) || back != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint8_t call = data[0] % 5;
    const QByteArray content(reinterpret_cast<const char*>(data) + 2, static_cast<qsizetype>(size - 2));
    const Answer a = answerOf(data[1], content);

    if (call == 0) {
        const std::uint64_t conversation = dde::readConnectAnswer(a.isReply, a.signature, a.arguments);
        if (conversation != 0 && a.signature != QLatin1String("t")) std::abort();
        return 0;
    }

    const dde::TransactionType type = call == 4 ? dde::XTYP_POKE : dde::XTYP_REQUEST;
    const dde::TransactionAnswer answer =
        dde::readTransactionAnswer(type, a.isReply, a.errorName, a.signature, a.arguments);
    const dde::TransactionAnswer again =
        dde::readTransactionAnswer(type, a.isReply, a.errorName, a.signature, a.arguments);
    if (answer.data != again.data || answer.error != again.error) std::abort();
    if (answer.data.has_value() == (answer.error != dde::DMLERR_NO_ERROR)) std::abort();
    if (!answer.data) {
        // The "Error" box names every error the layer keeps.
        const std::string shown = dde::errorText(answer.error);
        if (shown.empty() || shown == "Uknown Error") std::abort();
        return 0;
    }
    if (type == dde::XTYP_POKE) {
        if (!answer.data->empty()) std::abort();
        return 0;
    }

    const std::string& reply = *answer.data;
    if (call != 2) {
        // WWW_Activate and WWW_OpenURL answer a window id, 4 raw bytes.
        const auto id = dde::readReply(reply, "DW");
        if (id.size() != 1) std::abort();
        if (reply.size() >= 4 && dde::rawNumber(dde::numberOf(id[0])) != reply.substr(0, 4)) std::abort();
        return 0;
    }

    // WWW_GetWindowInfo: the address and title Get Web Page makes a card of.
    const auto info = dde::readReply(reply, "QCS,QCS");
    if (info.size() != 2 || !sameValues(info, dde::readReply(reply, "QCS,QCS"))) std::abort();
    const std::string address = dde::textOf(info[0]);
    const std::string title = dde::textOf(info[1]);
    if (address.find('\0') != std::string::npos || title.find('\0') != std::string::npos) std::abort();
    if (travelsWhole(address) && travelsWhole(title)) {
        std::string rewritten = dde::buildItem("QCS,QCS", {dde::Value{address}, dde::Value{title}});
        rewritten += '\0';
        if (!sameValues(dde::readReply(rewritten, "QCS,QCS"), info)) std::abort();
    }
    // The address loses its user part before it reaches the card: what is left has none, and is no
    // longer than what came.
    const browser::ReportedAddress reported = browser::withoutUserPart(address);
    if (browser::withoutUserPart(reported.address).hadUserPart || reported.address.size() > address.size()) {
        std::abort();
    }
    if (!reported.hadUserPart && (reported.address != address || !reported.userId.empty())) std::abort();
    throughCardEditor(reported.address);
    throughCardEditor(reported.userId);
    throughCardEditor(reported.password);
    throughCardEditor(title);
    return 0;
}
