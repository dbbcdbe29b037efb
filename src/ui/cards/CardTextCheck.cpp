#include "ui/cards/CardTextCheck.h"

#include <QLocale>
#include <optional>
#include <string>

#include "cardstore/Card.h"
#include "ui/common/QtText.h"

QString noteForEditor(const QString& storedNote) {
    QString note = storedNote;
    return note.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString noteForCard(const QString& editedNote) {
    QString note = noteForEditor(editedNote);
    return note.replace('\n', QStringLiteral("\r\n"));
}

QString cardTextProblem(const QString& text, const QString& name) {
    QString why;
    const std::optional<std::string> bytes = toCardText(text, &why);
    if (!bytes) {
        return QStringLiteral("Please change the %1 field. %2").arg(name, why);
    }
    // The file keeps each text NUL-terminated, so a NUL inside would cut it short.
    if (bytes->find('\0') != std::string::npos) {
        return QStringLiteral("Please change the %1 field. It holds a NUL character, which a card cannot keep.")
            .arg(name);
    }
    if (bytes->size() > kMaxTextBytes) {
        const QLocale english(QLocale::English);
        return QStringLiteral("Please shorten the %1 field. It holds %2 characters; a card keeps at most %3.")
            .arg(name, english.toString(qulonglong(bytes->size())), english.toString(qulonglong(kMaxTextBytes)));
    }
    return QString();
}
