#include "ui/cards/DialogButtons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QKeySequence>
#include <QPushButton>
#include <QShortcut>

OkCancelButtons addOkCancelRow(QDialog* dialog, QBoxLayout* layout, const QString& okText) {
    auto* row = new QHBoxLayout;
    auto* ok = new QPushButton(okText, dialog);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return {ok, cancel};
}

void addCtrlEnterForOk(QDialog* dialog, QPushButton* ok) {
    auto* key = new QShortcut(dialog);
    key->setKeys({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    QObject::connect(key, &QShortcut::activated, ok, &QPushButton::click);
}
