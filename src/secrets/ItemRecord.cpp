// The record line of an item's card and the secret in its password field.
#include "secrets/ItemRecord.h"

#include "cardstore/CardStore.h"
#include "cardstore/Categories.h"
#include "common/Win1252.h"

namespace secrets {

namespace {

constexpr std::string_view kPrefix = "secret-service:";
const QByteArray kKeep = "-._~/";

struct Line {
    std::size_t begin;
    std::size_t end;  // before CR LF
    std::string_view text;
};

std::optional<Line> findLine(std::string_view note) {
    for (std::size_t begin = 0; begin <= note.size();) {
        const std::size_t next = note.find('\n', begin);
        std::size_t end = next == std::string_view::npos ? note.size() : next;
        if (end > begin && note[end - 1] == '\r')
            --end;
        const std::string_view text = note.substr(begin, end - begin);
        if (text.substr(0, kPrefix.size()) == kPrefix)
            return Line{begin, end, text};
        if (next == std::string_view::npos)
            break;
        begin = next + 1;
    }
    return std::nullopt;
}

QByteArray encode(const QString& text) {
    return text.toUtf8().toPercentEncoding(kKeep);
}

QString decode(QByteArrayView text) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text.toByteArray()));
}

}  // namespace

std::optional<ItemRecord> findItemRecord(std::string_view note) {
    const auto line = findLine(note);
    if (!line)
        return std::nullopt;
    ItemRecord record;
    const QByteArray query(line->text.data() + kPrefix.size(), qsizetype(line->text.size() - kPrefix.size()));
    for (const QByteArray& pair : query.split('&')) {
        const qsizetype eq = pair.indexOf('=');
        if (eq <= 0)
            continue;  // a pair a later version may add, or one a person mistyped: left as it is
        const QString key = decode(pair.left(eq));
        const QString value = decode(pair.mid(eq + 1));
        if (key == "id")
            record.id = value.toULongLong();
        else if (key == "label")
            record.label = value;
        else if (key == "creator")
            record.creator = value;
        else if (key.startsWith("a."))
            record.attributes.insert(key.mid(2), value);
        else if (key == "secret")
            record.base64 = value == "base64";
        else if (key == "type")
            record.contentType = value;
        else if (key == "allow" && !record.allowed.contains(value))
            record.allowed.append(value);
    }
    return record;
}

std::string recordLine(const ItemRecord& record) {
    QByteArray line = QByteArray(kPrefix.data(), qsizetype(kPrefix.size())) + "id=" + QByteArray::number(record.id);
    if (!record.label.isEmpty())
        line += "&label=" + encode(record.label);
    if (!record.creator.isEmpty())
        line += "&creator=" + encode(record.creator);
    for (auto it = record.attributes.cbegin(); it != record.attributes.cend(); ++it)
        line += "&a." + encode(it.key()) + "=" + encode(it.value());
    if (record.base64)
        line += "&secret=base64";
    if (!record.contentType.isEmpty())
        line += "&type=" + encode(record.contentType);
    for (const QString& program : record.allowed)
        line += "&allow=" + encode(program);
    return line.toStdString();
}

std::string noteWithRecord(std::string_view note, const ItemRecord& record) {
    const std::string line = recordLine(record);
    if (const auto found = findLine(note))
        return std::string(note.substr(0, found->begin)) + line + std::string(note.substr(found->end));
    if (note.empty())
        return line;
    if (note.back() == '\n')
        return std::string(note) + line;
    return std::string(note) + "\r\n" + line;
}

std::string noteWithoutRecord(std::string_view note) {
    const auto found = findLine(note);
    if (!found)
        return std::string(note);
    std::size_t begin = found->begin, end = found->end;
    if (end < note.size() && note[end] == '\r')
        ++end;
    if (end < note.size() && note[end] == '\n')
        ++end;
    else if (begin >= 2 && note.substr(begin - 2, 2) == "\r\n")
        begin -= 2;  // the last line: its break before goes with it
    else if (begin >= 1 && note[begin - 1] == '\n')
        begin -= 1;
    return std::string(note.substr(0, begin)) + std::string(note.substr(end));
}

std::string passwordFieldFor(const QByteArray& secret, bool& base64) {
    base64 = true;
    const QString text = QString::fromUtf8(secret);
    // Only a secret that comes back byte for byte from the card's text is kept as text.
    if (!secret.contains('\0') && text.toUtf8() == secret) {
        std::string bytes;
        if (utf8ToWin1252(secret.toStdString(), bytes) && bytes.size() <= kMaxTextBytes &&
            win1252ToUtf8(bytes) == secret.toStdString()) {
            base64 = false;
            return bytes;
        }
    }
    return secret.toBase64().toStdString();
}

QByteArray secretFromPasswordField(const std::string& field, bool base64) {
    if (base64)
        return QByteArray::fromBase64(QByteArray::fromStdString(field));
    return QByteArray::fromStdString(win1252ToUtf8(field));
}

std::string cardNameFor(const QString& label, bool& exact) {
    std::string bytes;
    exact = utf8ToWin1252(label.toStdString(), bytes);
    if (!exact) {
        QString plain;
        for (const char32_t c : label.toUcs4()) {
            const QString one = QString::fromUcs4(&c, 1);
            std::string bytes1252;
            plain += utf8ToWin1252(one.toStdString(), bytes1252) ? one : QStringLiteral("?");
        }
        utf8ToWin1252(plain.toStdString(), bytes);
    }
    if (bytes.size() > kMaxTextBytes) {
        bytes.resize(kMaxTextBytes);
        exact = false;
    }
    return bytes;
}

quint64 nextItemId(const CardStore& store) {
    quint64 highest = 0;
    for (const int id : storedListOrder()) {
        const CardList* list = store.GetCategoryList(id);
        for (int i = 0; list && i < list->GetCardCount(); ++i)
            if (const auto record = findItemRecord(list->GetCardAt(i)->note))
                highest = std::max(highest, record->id);
    }
    return highest + 1;
}

bool attributesMatch(const Attributes& attributes, const Attributes& query) {
    for (auto it = query.cbegin(); it != query.cend(); ++it) {
        const auto found = attributes.constFind(it.key());
        if (found == attributes.cend() || *found != it.value())
            return false;
    }
    return true;
}

}  // namespace secrets
