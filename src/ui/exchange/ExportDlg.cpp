#include "ui/exchange/ExportDlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/cards/DialogButtons.h"

const std::vector<CExportDlg::Choice>& CExportDlg::choices() {
    static const std::vector<Choice> list = {
        {ExchangeFormat::Csv, CsvLayout::Quorvane, "CSV, this program's layout (a header row per category)"},
        {ExchangeFormat::Csv, CsvLayout::KeePassXC, "CSV, KeePassXC's layout"},
        {ExchangeFormat::Csv, CsvLayout::Bitwarden, "CSV, Bitwarden's layout"},
        {ExchangeFormat::Json, CsvLayout::Quorvane, "JSON (every card, the deleted ones and all settings too)"},
    };
    return list;
}

CExportDlg::CExportDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Export Cards"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_format = new QComboBox(this);
    for (const Choice& choice : choices())
        m_format->addItem(QString::fromUtf8(choice.text));
    auto* label = new QLabel(QStringLiteral("&Write the cards as:"), this);
    label->setBuddy(m_format);
    form->addRow(label, m_format);
    layout->addLayout(form);
    auto* note = new QLabel(QStringLiteral("The file will not be encrypted."), this);
    layout->addWidget(note);
    const OkCancelButtons buttons = addOkCancelRow(this, layout, QStringLiteral("&Export..."));
    connect(buttons.ok, &QPushButton::clicked, this, &QDialog::accept);
    setTabOrder(m_format, buttons.ok);
    setTabOrder(buttons.ok, buttons.cancel);
    m_format->setFocus();
}

const CExportDlg::Choice& CExportDlg::choice() const {
    const int index = m_format->currentIndex();
    return choices()[index < 0 ? 0 : static_cast<std::size_t>(index)];
}
