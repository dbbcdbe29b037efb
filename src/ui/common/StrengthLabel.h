#pragma once
// The line under a password field that says, as the person types, how hard the password is to
// guess ("Strong: guessed offline in about 3 years"). It only informs; nothing is refused by it.

#include <QLabel>

class QLineEdit;

class StrengthLabel : public QLabel {
    Q_OBJECT
public:
    StrengthLabel(QLineEdit* field, QWidget* parent = nullptr);

    /// The text for a password: empty for an empty one.
    static QString textFor(const QString& password);

private:
    void update(const QString& password);
};
