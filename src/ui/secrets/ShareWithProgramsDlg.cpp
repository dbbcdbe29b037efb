// Sharing one of the person's own cards with the programs that use the Secret Service.
#include "ui/secrets/ShareWithProgramsDlg.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "cardstore/CardStore.h"
#include "ui/cards/DialogButtons.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/common/GuiPrompter.h"
#include "ui/common/QtText.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"

ShareWithProgramsDlg::ShareWithProgramsDlg(const QString& cardName, const secrets::Attributes& attributes,
                                           QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Share with Programs"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(
        QStringLiteral("Programs that ask for these attributes may get the password of \"%1\" (each program is "
                       "asked about first). One NAME=VALUE a line; none stops sharing it.")
            .arg(cardName),
        this);
    label->setWordWrap(true);
    layout->addWidget(label);
    m_attributes = new QPlainTextEdit(this);
    QStringList lines;
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
        lines << it.key() + QLatin1Char('=') + it.value();
    m_attributes->setPlainText(lines.join(QLatin1Char('\n')));
    label->setBuddy(m_attributes);
    layout->addWidget(m_attributes, 1);
    const OkCancelButtons buttons = addOkCancelRow(this, layout, QStringLiteral("OK"));
    connect(buttons.ok, &QPushButton::clicked, this, &QDialog::accept);
}

std::optional<secrets::Attributes> ShareWithProgramsDlg::attributes(QString* badLine) const {
    secrets::Attributes attributes;
    for (const QString& line : m_attributes->toPlainText().split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty())
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || line.left(eq).trimmed().isEmpty()) {
            *badLine = line;
            return std::nullopt;
        }
        attributes.insert(line.left(eq).trimmed(), line.mid(eq + 1));
    }
    return attributes;
}

void installShareWithPrograms(CMainFrame& frame) {
    CMainFrame* f = &frame;
    CommandTable& c = frame.commands();
    c.setEnableRule(cmd::ShareWithPrograms, [f] {
        const CQuorvaneDoc* document = f->activeCardDocument();
        return document && document->IsEncrypted() && !document->isLocked() && f->CardSelected();
    });
    c.setHandler(cmd::ShareWithPrograms, [f] {
        CQuorvaneDoc* document = f->GetActiveCardDocument();
        CQuorvaneView* tree = f->activeCategoryTree();
        Card* card = tree ? tree->GetSelectedCard() : nullptr;
        if (!document || !card)
            return;
        const auto record = secrets::findItemRecord(card->note);
        ShareWithProgramsDlg dialog(fromCardText(card->firstField), record ? record->attributes : secrets::Attributes(),
                                    f);
        if (guiPrompter().exec(dialog) != QDialog::Accepted)
            return;
        QString badLine;
        const auto attributes = dialog.attributes(&badLine);
        if (!attributes) {
            guiPrompter().message(QStringLiteral("This line is not NAME=VALUE: %1").arg(badLine),
                                  QStringLiteral("Quorvane"), GuiPrompter::Icon::Warning);
            return;
        }
        if (attributes->isEmpty()) {
            card->note = secrets::noteWithoutRecord(card->note);
        } else {
            secrets::ItemRecord shared = record ? *record : secrets::ItemRecord{};
            if (!record)
                shared.id = secrets::nextItemId(document->store());
            shared.attributes = *attributes;
            card->note = secrets::noteWithRecord(card->note, shared);
        }
        document->SetModifiedFlag();
        const QString category = tree->GetSelectedCategoryName();
        tree->ShowCard(tree->GetSelectedPosition(), tree->GetCategoryItem(category));
    });
}
