#include "ui/common/StrengthLabel.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QThreadPool>
#include <atomic>

#include "common/Wipe.h"
#include "crypto/PasswordKey.h"
#include "crypto/PasswordStrength.h"

namespace {

// The costs for new passwords are tuned by timing one derivation (about a second, 256 MiB). A file
// password's line needs that time; it is taken once, on a worker thread, so the dialog opens at once
// and typing never waits. The key made at OK then needs no tuning of its own.
void tuneInBackground(QPointer<StrengthLabel> label) {
    static std::atomic<bool> started{false};
    if (newKeySeconds() || started.exchange(true)) {
        return;
    }
    QThreadPool::globalInstance()->start([label] {
        costForNewPassword();
        QMetaObject::invokeMethod(QCoreApplication::instance(), [label] {
            if (label)
                label->refresh();
        });
    });
}

}  // namespace

StrengthLabel::StrengthLabel(QLineEdit* field, QWidget* parent) : QLabel(parent), m_field(field) {
    setObjectName(QStringLiteral("passwordStrength"));
    setTextFormat(Qt::PlainText);
    connect(field, &QLineEdit::textChanged, this, &StrengthLabel::refresh);
    refresh();
}

StrengthLabel::StrengthLabel(QLineEdit* field, QCheckBox* oldFormat, QWidget* parent) : StrengthLabel(field, parent) {
    m_oldFormat = oldFormat;
    m_fileCost = true;
    // This line is longer than a card's: it wraps, in room for two lines kept from the start, so the
    // dialog's layout does not jump as the person types.
    setWordWrap(true);
    setMinimumHeight(2 * fontMetrics().lineSpacing());
    if (oldFormat) {
        connect(oldFormat, &QCheckBox::toggled, this, &StrengthLabel::refresh);
    }
    tuneInBackground(this);
    refresh();
}

double StrengthLabel::newKeySecondsHere() {
    return newKeySeconds().value_or(kNewKeySeconds);
}

QString StrengthLabel::textFor(const QString& password, std::optional<double> keySeconds) {
    if (password.isEmpty()) {
        return {};
    }
    QByteArray utf8 = password.toUtf8();
    std::string text(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    utf8.fill('\0');
    const PasswordStrength strength = estimateStrength(text);
    wipeSecret(text);
    const QString name = QString::fromStdString(strengthName(strength.score));
    if (!keySeconds) {
        return QStringLiteral("%1: guessed offline in %2")
            .arg(name, QString::fromStdString(offlineGuessTime(strength.log10Guesses)));
    }
    return QStringLiteral("%1: guessed in %2 per core at this file's cost")
        .arg(name, QString::fromStdString(guessTime(strength.log10Guesses, guessesPerSecondAt(*keySeconds))));
}

void StrengthLabel::refresh() {
    const bool fast = !m_fileCost || (m_oldFormat && m_oldFormat->isChecked());
    setText(textFor(m_field->text(), fast ? std::nullopt : std::optional<double>(newKeySecondsHere())));
    // Also for screen readers, which announce the change.
    setAccessibleName(text());
}
