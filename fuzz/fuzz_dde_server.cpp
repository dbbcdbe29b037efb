// Fuzzes the calls another program on the session bus makes to the program's own DDE server, read
// as the server reads them and answered as it answers them. The first input byte picks the method
// (Connect, Request, Poke, Disconnect, or a name of the input's own), the second the arguments'
// shape (those of the interface, or other types, too few, too many) and, for a request or poke, the
// verb of the conversation it comes on; the rest gives the arguments: texts split at the first line
// feed (service and topic, or item and poked data).
//
// A call of the interface's own shape is never refused as bad arguments; a Connect gives back the
// names it was sent wherever Windows-1252 holds them; a request gets the answer its verb promises
// (raw numbers and truth values of their size; the temporary name, quoted, for WWW_QueryViewer),
// and its item, read and written again, reads the same.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "browser/DdeCodec.h"
#include "browser/DdeOwnServer.h"
#include "browser/DdeVerbs.h"
#include "common/Win1252.h"
#include "ui/browser/DdeWire.h"

namespace {

constexpr std::uint32_t kNow = 1700000000u;
const char* const kTemporaryName = "/tmp/nstest1a2b3c";

// The type lists the server reads each verb's item with; null for the verbs it does not answer.
const char* itemTypes(int verb) {
    switch (verb) {
        case dde::WWW_Alert: return "QCS,DW,DW";
        case dde::WWW_BeginProgress: return "DW,QCS";
        case dde::WWW_MakingProgress: return "DW,QCS,DW";
        case dde::WWW_OpenURL: return "QCS,QCS,DW,DW,QCS,QCS,CS";
        case dde::WWW_QueryViewer: return "QCS,QCS";
        default: return nullptr;
    }
}

// The values of an item, written by the same type list and read again, are the same values. Some
// texts have no way through: one ending in a backslash in a quoted field, one holding a comma or
// starting with a quote in an unquoted one.
void itemReadsTheSameWritten(const std::string& item, const char* types) {
    const auto values = dde::readReply(item, types);
    if (values != dde::readReply(item, types)) std::abort();
    const std::string typeList = types;
    std::vector<dde::Arg> args;
    std::size_t code = 0;
    for (const dde::Value& v : values) {
        const bool unquoted = typeList.compare(code, 2, "CS") == 0;
        code = typeList.find(',', code) + 1;
        const std::string text = dde::textOf(v);
        if (!unquoted && !text.empty() && text.back() == '\\') return;
        if (unquoted && (text.find(',') != std::string::npos || text.rfind('"', 0) == 0)) return;
        args.emplace_back(v);
    }
    if (dde::readReply(dde::buildItem(types, args), types) != values) std::abort();
}

void checkAnswer(int verb, const std::string& item) {
    const auto answer = dde::ownServerAnswer(verb, item, kNow, [] { return std::string(kTemporaryName); });
    const char* types = itemTypes(verb);
    if (answer.has_value() != (types != nullptr)) std::abort();
    if (!answer) return;
    itemReadsTheSameWritten(item, types);
    switch (verb) {
        case dde::WWW_MakingProgress:
            if (*answer != dde::rawTruth(false)) std::abort();
            break;
        case dde::WWW_QueryViewer:
            if (answer->back() != '\0' || answer->find('\0') != answer->size() - 1 ||
                dde::textOf(dde::readReply(*answer, "QCS").at(0)) != kTemporaryName)
                std::abort();
            break;
        default:
            if (answer->size() != 4) std::abort();
    }
}

QString methodName(std::uint8_t selector, const std::string& rest) {
    static const char* const kNames[] = {"Connect", "Request", "Poke", "Disconnect"};
    if (selector % 5 < 4) return QLatin1String(kNames[selector % 5]);
    return QString::fromUtf8(rest.substr(0, rest.find('\n')));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::string rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::size_t split = rest.find('\n');
    const std::string first = rest.substr(0, split);
    const std::string second = split == std::string::npos ? std::string() : rest.substr(split + 1);
    const QByteArray firstBytes(first.data(), static_cast<qsizetype>(first.size()));
    const QByteArray secondBytes(second.data(), static_cast<qsizetype>(second.size()));
    const QString member = methodName(data[0], rest);
    const std::uint8_t shape = data[1] % 4;
    const int verb = (data[1] / 4) % (dde::kVerbCount + 1);  // kVerbCount: a topic that is no verb
    const qulonglong conversation = data[0] / 5u;

    // The arguments as the bus hands them over, their signature naming their types.
    QList<QVariant> args;
    QString signature;
    auto add = [&](const QVariant& value, const char* code) {
        args.append(value);
        signature += QLatin1String(code);
    };
    const bool isConnect = member == QLatin1String("Connect");
    switch (shape) {
        case 0:  // the interface's own types
            if (isConnect) {
                add(QString::fromUtf8(firstBytes), "s");
                add(QString::fromUtf8(secondBytes), "s");
            } else {
                add(QVariant::fromValue(conversation), "t");
                if (member != QLatin1String("Disconnect")) add(firstBytes, "ay");
                if (member == QLatin1String("Poke")) add(secondBytes, "ay");
            }
            break;
        case 1:  // texts where bytes belong, bytes where texts belong
            add(firstBytes, "ay");
            add(QString::fromUtf8(secondBytes), "s");
            break;
        case 2:  // too few
            if (member == QLatin1String("Request") || member == QLatin1String("Poke"))
                add(QVariant::fromValue(conversation), "t");
            break;
        default:  // one more
            add(QVariant::fromValue(conversation), "t");
            add(firstBytes, "ay");
            add(secondBytes, "ay");
            add(QVariant::fromValue<uint>(7), "u");
            break;
    }

    const dde::ServerCall call = dde::readServerCall(member, signature, args);
    using Kind = dde::ServerCall::Kind;
    const bool known = member == QLatin1String("Connect") || member == QLatin1String("Request") ||
                       member == QLatin1String("Poke") || member == QLatin1String("Disconnect");
    if (!known) {
        if (call.kind != Kind::Unknown) std::abort();
        return 0;
    }
    if ((shape == 0) == (call.kind == Kind::BadArguments)) std::abort();
    switch (call.kind) {
        case Kind::Connect:
            // A name comes through exactly when Windows-1252 holds it, and then as it was sent.
            for (const auto& [name, sent] : {std::pair{&call.service, args[0].toString()},
                                             std::pair{&call.topic, args[1].toString()}}) {
                std::string bytes;
                const bool holds = utf8ToWin1252(sent.toStdString(), bytes);
                if (name->has_value() != holds) std::abort();
                if (*name && QString::fromStdString(win1252ToUtf8(**name)) != sent) std::abort();
            }
            break;
        case Kind::Request:
        case Kind::Poke:
            if (call.conversation != conversation || call.item != first) std::abort();
            if (call.kind == Kind::Poke) {
                if (call.data != second) std::abort();
                dde::ownServerTakesPoke(verb);
            } else {
                checkAnswer(verb, call.item);
            }
            break;
        default:
            break;
    }
    return 0;
}
