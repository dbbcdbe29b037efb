#include "ui/cards/AboutKeysDlg.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

QStringList AboutKeysDlg::lines() {
    return {
        QStringLiteral("The security of your encrypted data is determined by the key length (the number of characters). "
                       "Do not only use lowercase letters. Please use upper- and lowercase letters, numbers (0..9) and "
                       "characters like *, + etc."),
        QStringLiteral("You may also use an entire phrase instead of a word/key. Your phrase can be 56 characters long. "
                       "Below a table with time estimates for a hardware brute-force attack with a computer that can "
                       "test a million keys per second. "),
        QStringLiteral("Such a computer would cost around a million dollars."),
        QStringLiteral("Key Length - Time Estimate"),
        QStringLiteral("8 characters - 37 days"),
        QStringLiteral("10 characters - 7000 years"),
        QStringLiteral("14 characters - 10 exp 13 years"),
        QStringLiteral("Estimates after a standard cryptography textbook table."),
    };
}

AboutKeysDlg::AboutKeysDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Keys"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("About Keys Information"), this);
    auto* groupLayout = new QVBoxLayout(group);
    for (const QString& line : lines()) {
        auto* label = new QLabel(line, group);
        label->setWordWrap(true);
        groupLayout->addWidget(label);
    }
    group->setMinimumWidth(420);
    layout->addWidget(group);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}
