#pragma once
// The DDE layer's messages as the bus delivers them, read without the bus: a call another program
// makes to the program's own server, and the answer a server gives to the program's connect,
// request or poke. Only Qt Core types, so the fuzz targets read them as the program does.

#include <QList>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <optional>
#include <string>

#include "browser/DdeErrors.h"
#include "ui/browser/Ddeml.h"

namespace dde {

/// A call to the program's own server.
struct ServerCall {
    enum class Kind {
        Connect,       // service, topic
        Request,       // conversation, item
        Poke,          // conversation, item, data
        Disconnect,    // conversation
        BadArguments,  // a method of the interface with arguments of other types: INVALIDPARAMETER
        Unknown,       // no method of the interface: left to the bus
    };
    Kind kind = Kind::Unknown;
    // Connect: the names as Windows-1252; nothing for a name Windows-1252 cannot hold.
    std::optional<std::string> service;
    std::optional<std::string> topic;
    std::uint64_t conversation = 0;
    std::string item;
    std::string data;
};

/// Reads a call by its method name, its signature and its arguments (as the bus gives them).
ServerCall readServerCall(const QString& member, const QString& signature, const QList<QVariant>& arguments);

/// The conversation id a server's answer to Connect gives; 0 when it refuses or answers otherwise.
std::uint64_t readConnectAnswer(bool isReply, const QString& signature, const QList<QVariant>& arguments);

/// What a server's answer to a request or poke gives: the data (an empty text for an acknowledged
/// poke), or nothing and the DDE error that stands for the answer.
struct TransactionAnswer {
    std::optional<std::string> data;
    DWORD error = DMLERR_NO_ERROR;
};

/// Reads the answer to a transaction of `type`: a reply (`isReply`) with its signature and arguments,
/// or an error answer named `errorName`.
TransactionAnswer readTransactionAnswer(TransactionType type, bool isReply, const QString& errorName,
                                        const QString& signature, const QList<QVariant>& arguments);

}  // namespace dde
