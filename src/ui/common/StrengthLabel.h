#pragma once
// The line under a password field that says, as the person types, how hard the password is to
// guess. A card's password guards another party's site, whose stored hash may be fast: its line
// counts at the fast-hash rate ("Strong: guessed offline in about 3 years"). A password that protects
// one of our own files costs every guess a key derivation at the cost the file is written with: its
// line counts at that rate, for one core ("Fair: guessed in about 3 days per core at this file's
// cost"), or at the fast rate while "Old format" (which has no slow derivation) is ticked. It only
// informs; nothing is refused by it.

#include <QLabel>
#include <QPointer>
#include <optional>

class QCheckBox;
class QLineEdit;

class StrengthLabel : public QLabel {
    Q_OBJECT
public:
    /// The line for a card's password: the fast-hash figure.
    explicit StrengthLabel(QLineEdit* field, QWidget* parent = nullptr);
    /// The line for a file's password, at the file's own cost unless `oldFormat` is ticked.
    StrengthLabel(QLineEdit* field, QCheckBox* oldFormat, QWidget* parent = nullptr);

    /// The text for a password: empty for an empty one. `keySeconds` is one key derivation's time at
    /// the file's cost; without it the fast-hash figure is given.
    static QString textFor(const QString& password, std::optional<double> keySeconds = std::nullopt);

    /// The seconds a derivation for a new password takes here: the tuning's measurement once made,
    /// the time the tuning aims at before.
    static double newKeySecondsHere();

    /// Says it again for the field's text (also once the costs have been measured).
    void refresh();

private:
    QLineEdit* m_field;
    QPointer<QCheckBox> m_oldFormat;
    bool m_fileCost = false;
};
