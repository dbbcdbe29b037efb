#include "ui/cards/DialogButtons.h"
#include "ui/cards/CardDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "cardstore/Card.h"
#include "ui/cards/CardTextCheck.h"
#include "ui/cards/EditUrlDlg.h"
#include "ui/common/GuiPrompter.h"
#include "ui/common/Icons.h"
#include "ui/common/RevealButton.h"
#include "ui/common/StrengthLabel.h"
#include "common/Wipe.h"

namespace {

/// The field's name in messages: its label without the colon.
QString fieldName(const QString& label, int index) {
    QString name = label.trimmed();
    if (name.endsWith(QLatin1Char(':'))) {
        name.chop(1);
    }
    return name.isEmpty() ? QStringLiteral("Field %1").arg(index + 1) : name;
}

}  // namespace

CCardDlg::CCardDlg(const CardDlgData& data, QWidget* parent) : QDialog(parent), m_data(data) {
    setWindowTitle(data.editMode ? QStringLiteral("Edit Card") : QStringLiteral("Add New Card"));
    auto* layout = new QVBoxLayout(this);

    auto* categoryRow = new QHBoxLayout;
    categoryRow->addWidget(new QLabel(QStringLiteral("Selected Category:"), this));
    m_category = new QLabel(data.category, this);
    categoryRow->addWidget(m_category, 1);
    layout->addLayout(categoryRow);

    auto* info = new QGroupBox(QStringLiteral("Card Info"), this);
    auto* grid = new QGridLayout(info);
    grid->setColumnStretch(1, 1);
    const std::array<QString, 4> texts = {data.firstField, data.secondField, data.thirdField, data.fourthField};
    for (int i = 0; i < 4; ++i) {
        m_labels[i] = new QLabel(data.labels[i], info);
        m_fields[i] = new QLineEdit(info);
        // The card format refuses texts of 32,767 bytes or more; one Windows-1252 byte per character.
        m_fields[i]->setMaxLength(int(kMaxTextBytes));
        m_fields[i]->setMinimumWidth(280);
        m_fields[i]->setText(texts[i]);
        m_labels[i]->setBuddy(m_fields[i]);
        grid->addWidget(m_labels[i], i, 0);
        grid->addWidget(m_fields[i], i, 1);
    }
    m_fields[3]->setEchoMode(data.maskPassword ? QLineEdit::Password : QLineEdit::Normal);

    m_editUrl = new QToolButton(info);
    m_editUrl->setIcon(icons::editUrl());
    m_editUrl->setToolTip(QStringLiteral("Edit a long URL"));
    m_editUrl->setAccessibleName(QStringLiteral("Edit URL"));
    m_editUrl->setFocusPolicy(Qt::TabFocus);
    grid->addWidget(m_editUrl, 1, 2);
    m_editUrl->setVisible(categoryHasUrl(data.category));

    m_showPassword = new RevealButton(m_fields[3], info);
    m_showPassword->setEmptyText(QStringLiteral("Empty"));
    m_showPassword->setAccessibleName(QStringLiteral("Show password"));
    grid->addWidget(m_showPassword, 3, 2);
    m_generate = new QPushButton(QStringLiteral("&Generate"), info);
    m_generate->setToolTip(QStringLiteral("Fill in a new random password (Ctrl+G); Preferences, Passwords says how"));
    m_generate->setAutoDefault(false);
    grid->addWidget(m_generate, 3, 3);
    m_strength = new StrengthLabel(m_fields[3], info);
    grid->addWidget(m_strength, 4, 1, 1, 3);
    layout->addWidget(info);

    layout->addWidget(new QLabel(QStringLiteral("Note:"), this));
    m_note = new QPlainTextEdit(this);
    m_note->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Enter breaks the line in the note; Tab still moves on, as everywhere else in the dialog.
    m_note->setTabChangesFocus(true);
    m_note->setPlainText(noteForEditor(data.note));
    layout->addWidget(m_note, 1);

    auto* attributes = new QGroupBox(QStringLiteral("Attributes"), this);
    auto* attributeRow = new QHBoxLayout(attributes);
    m_newBrowserWindow = new QCheckBox(QStringLiteral("New Browser Window"), attributes);
    m_automaticAccess = new QCheckBox(QStringLiteral("Automatic Access"), attributes);
    m_newBrowserWindow->setChecked(data.newBrowserWindow);
    m_automaticAccess->setChecked(data.automaticAccess);
    m_newBrowserWindow->setEnabled(data.attributesEnabled);
    m_automaticAccess->setEnabled(data.attributesEnabled);
    attributeRow->addWidget(m_newBrowserWindow);
    attributeRow->addWidget(m_automaticAccess);
    attributeRow->addStretch();
    layout->addWidget(attributes);

    const OkCancelButtons buttons =
        addOkCancelRow(this, layout, data.editMode ? QStringLiteral("OK") : QStringLiteral("Add Card"));
    m_ok = buttons.ok;
    m_cancel = buttons.cancel;

    const QList<QWidget*> tabOrder = {m_fields[0],       m_fields[1],    m_editUrl,    m_fields[2],
                                      m_fields[3],       m_showPassword, m_generate,   m_note,
                                      m_newBrowserWindow, m_automaticAccess, m_ok,     m_cancel};
    for (qsizetype i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }

    // Enter in the note breaks the line, so Ctrl+Enter is the keyboard's OK from there.
    addCtrlEnterForOk(this, m_ok);
    connect(m_ok, &QPushButton::clicked, this, &CCardDlg::accept);
    connect(m_editUrl, &QToolButton::clicked, this, &CCardDlg::editUrl);
    connect(m_generate, &QPushButton::clicked, this, &CCardDlg::generate);
    // Ctrl+G anywhere in the editor, the note included.
    auto* generateKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this);
    generateKey->setContext(Qt::WindowShortcut);
    connect(generateKey, &QShortcut::activated, this, &CCardDlg::generate);

    m_fields[0]->setFocus();
    m_fields[0]->selectAll();
}

bool CCardDlg::categoryHasUrl(const QString& category) {
    static const QStringList kUrlCategories = {QStringLiteral("WWW Sites"), QStringLiteral("FTP Servers"),
                                               QStringLiteral("Newsgroups"), QStringLiteral("E-Mail Contacts"),
                                               QStringLiteral("Login Accounts")};
    return kUrlCategories.contains(category);
}

void CCardDlg::editUrl() {
    CEditUrlDlg dlg(m_fields[1]->text(), this);
    if (guiPrompter().exec(dlg) != QDialog::Accepted) {
        return;
    }
    // The URL editor wraps long lines and lets Enter break them, but a line edit holds one line.
    QString url = dlg.url();
    url.remove(QLatin1Char('\r'));
    url.remove(QLatin1Char('\n'));
    m_fields[1]->setText(url);
}

void CCardDlg::generate() {
    std::string password = generatePassword(m_data.generator);
    m_fields[3]->setText(QString::fromLatin1(password.data(), static_cast<qsizetype>(password.size())));
    wipeSecret(password);
    m_fields[3]->setFocus();
}

void CCardDlg::accept() {
    for (int i = 0; i < 4; ++i) {
        const QString problem = cardTextProblem(m_fields[i]->text(), fieldName(m_data.labels[i], i));
        if (!problem.isEmpty()) {
            guiPrompter().message(problem);
            m_fields[i]->setFocus();
            m_fields[i]->selectAll();
            return;
        }
    }
    const QString problem = cardTextProblem(noteForCard(m_note->toPlainText()), QStringLiteral("Note"));
    if (!problem.isEmpty()) {
        guiPrompter().message(problem);
        m_note->setFocus();
        return;
    }
    QDialog::accept();
}

CardDlgData CCardDlg::data() const {
    CardDlgData out = m_data;
    out.firstField = m_fields[0]->text();
    out.secondField = m_fields[1]->text();
    out.thirdField = m_fields[2]->text();
    out.fourthField = m_fields[3]->text();
    out.note = noteForCard(m_note->toPlainText());
    out.newBrowserWindow = m_newBrowserWindow->isChecked();
    out.automaticAccess = m_automaticAccess->isChecked();
    return out;
}
