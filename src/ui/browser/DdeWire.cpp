#include "ui/browser/DdeWire.h"

#include <QByteArray>

#include "browser/DdeBusNames.h"
#include "common/Win1252.h"

namespace dde {

namespace {

std::string fromBytes(const QByteArray& b) {
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

/// Service and topic names travel as D-Bus strings (UTF-8); inside the program they are Windows-1252.
std::optional<std::string> nameFromWire(const QString& name) {
    std::string out;
    if (!utf8ToWin1252(name.toStdString(), out)) {
        return std::nullopt;
    }
    return out;
}

/// The DDE error a failed call on the bus stands for.
DWORD errorOf(const QString& name, TransactionType type) {
    const QString ours = QString::fromLatin1(kErrorPrefix);
    if (name.startsWith(ours)) {
        const DWORD error = errorFromWireName(name.mid(ours.size()).toStdString());
        return error != 0 ? error : DMLERR_NOTPROCESSED;
    }
    if (name == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
        name == QLatin1String("org.freedesktop.DBus.Error.Timeout") ||
        name == QLatin1String("org.freedesktop.DBus.Error.TimedOut")) {
        return type == XTYP_POKE ? DMLERR_POKEACKTIMEOUT : DMLERR_DATAACKTIMEOUT;
    }
    if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
        name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
        name == QLatin1String("org.freedesktop.DBus.Error.Disconnected")) {
        return DMLERR_SERVER_DIED;
    }
    return DMLERR_NOTPROCESSED;
}

}  // namespace

ServerCall readServerCall(const QString& member, const QString& signature, const QList<QVariant>& arguments) {
    ServerCall call;
    struct Method {
        const char* name;
        const char* signature;
        ServerCall::Kind kind;
        qsizetype arguments;
    };
    static const Method kMethods[] = {
        {"Connect", "ss", ServerCall::Kind::Connect, 2},
        {"Request", "tay", ServerCall::Kind::Request, 2},
        {"Poke", "tayay", ServerCall::Kind::Poke, 3},
        {"Disconnect", "t", ServerCall::Kind::Disconnect, 1},
    };
    for (const Method& method : kMethods) {
        if (member != QLatin1String(method.name)) {
            continue;
        }
        // The signature names the arguments' types; the count is checked too, so that no argument
        // is read that is not there.
        if (signature != QLatin1String(method.signature) || arguments.size() != method.arguments) {
            call.kind = ServerCall::Kind::BadArguments;
            return call;
        }
        call.kind = method.kind;
        if (call.kind == ServerCall::Kind::Connect) {
            call.service = nameFromWire(arguments[0].toString());
            call.topic = nameFromWire(arguments[1].toString());
            return call;
        }
        call.conversation = arguments[0].toULongLong();
        if (call.kind != ServerCall::Kind::Disconnect) {
            call.item = fromBytes(arguments[1].toByteArray());
        }
        if (call.kind == ServerCall::Kind::Poke) {
            call.data = fromBytes(arguments[2].toByteArray());
        }
        return call;
    }
    return call;
}

std::uint64_t readConnectAnswer(bool isReply, const QString& signature, const QList<QVariant>& arguments) {
    if (!isReply || signature != QLatin1String("t") || arguments.size() != 1) {
        return 0;
    }
    return arguments[0].toULongLong();
}

TransactionAnswer readTransactionAnswer(TransactionType type, bool isReply, const QString& errorName,
                                        const QString& signature, const QList<QVariant>& arguments) {
    TransactionAnswer answer;
    if (!isReply) {
        answer.error = errorOf(errorName, type);
        return answer;
    }
    if (type == XTYP_POKE) {
        if (signature == QLatin1String("u") && arguments.size() == 1 && (arguments[0].toUInt() & DDE_FACK) != 0) {
            answer.data = std::string();
        } else {
            answer.error = DMLERR_NOTPROCESSED;
        }
        return answer;
    }
    if (signature != QLatin1String("ay") || arguments.size() != 1) {
        answer.error = DMLERR_NOTPROCESSED;
        return answer;
    }
    answer.data = fromBytes(arguments[0].toByteArray());
    return answer;
}

}  // namespace dde
