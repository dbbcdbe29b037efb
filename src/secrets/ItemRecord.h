#pragma once
// What makes a card an item of the Secret Service: one line of its note,
//   secret-service:id=3&creator=%2Fusr%2Fbin%2Fsecret-tool&a.service=git&secret=base64
// (pairs in the form of a URL query, every byte outside A-Z a-z 0-9 - . _ ~ / percent-encoded, so the
// line is plain ASCII in every file form and every program carries it as note text). The card's Name
// is the item's label and its fourth field (Password in every category that has one) the secret.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "cardstore/Card.h"

class CardStore;

namespace secrets {

using Attributes = QMap<QString, QString>;

struct ItemRecord {
    quint64 id = 0;         // the item's number in its document, for a path that lasts across runs
    QString label;          // label=...: the label, when the card's Name cannot hold it as it is
    QString creator;        // the executable of the program that stored it; empty for a card a person shares
    Attributes attributes;  // a.NAME=VALUE
    bool base64 = false;    // the password field holds the secret in base64 (secret=base64)
    QString contentType;    // type=...; empty for "text/plain"
    QStringList allowed;    // allow=PATH, repeated: programs the person let read it always
    bool operator==(const ItemRecord&) const = default;
};

/// The record line of a card's note (its first line that starts with "secret-service:"), if it has one.
std::optional<ItemRecord> findItemRecord(std::string_view note);

/// The record as its note line.
std::string recordLine(const ItemRecord& record);

/// The note with its record line replaced by `record`, or with that line added at its end (CR LF).
std::string noteWithRecord(std::string_view note, const ItemRecord& record);

/// The note without its record line and that line's break.
std::string noteWithoutRecord(std::string_view note);

/// The password field's text for a secret and whether it went into base64: the secret as
/// Windows-1252 text when it is UTF-8 whose every character Windows-1252 holds, with no NUL and not
/// too long for a card; base64 of its bytes otherwise.
std::string passwordFieldFor(const QByteArray& secret, bool& base64);

/// The secret a password field holds (UTF-8 of the Windows-1252 text, or the base64 decoded).
QByteArray secretFromPasswordField(const std::string& field, bool base64);

/// The card's Name for a label: the label where Windows-1252 holds it (`exact`), else the label with
/// ? for each character it cannot hold (the record then keeps the label itself).
std::string cardNameFor(const QString& label, bool& exact);

/// A number no item of the store has (its deleted cards included), for a new item.
quint64 nextItemId(const CardStore& store);

/// True when every pair of `query` is among the record's attributes.
bool attributesMatch(const Attributes& attributes, const Attributes& query);

}  // namespace secrets
