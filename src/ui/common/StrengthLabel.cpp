#include "ui/common/StrengthLabel.h"

#include <QLineEdit>

#include "common/Wipe.h"
#include "crypto/PasswordStrength.h"

StrengthLabel::StrengthLabel(QLineEdit* field, QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("passwordStrength"));
    setTextFormat(Qt::PlainText);
    connect(field, &QLineEdit::textChanged, this, &StrengthLabel::update);
    update(field->text());
}

QString StrengthLabel::textFor(const QString& password) {
    if (password.isEmpty()) {
        return {};
    }
    QByteArray utf8 = password.toUtf8();
    std::string text(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    utf8.fill('\0');
    const PasswordStrength strength = estimateStrength(text);
    wipeSecret(text);
    return QStringLiteral("%1: guessed offline in %2")
        .arg(QString::fromStdString(strengthName(strength.score)),
             QString::fromStdString(offlineGuessTime(strength.log10Guesses)));
}

void StrengthLabel::update(const QString& password) {
    setText(textFor(password));
    // Also for screen readers, which announce the change.
    setAccessibleName(text());
}
