#include "ui/print/PrintCommands.h"

#include <QCheckBox>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QToolBar>
#include <QVBoxLayout>
#include <memory>

#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/common/GuiPrompter.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"
#include "ui/print/CardPrinter.h"

namespace {

// The printer and paper chosen in Print Setup or the print dialog, for the rest of the session.
class SessionPrinter {
public:
    QPrinter& printer() {
        if (!m_printer) {
            m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        }
        return *m_printer;
    }

private:
    std::unique_ptr<QPrinter> m_printer;
};

int selectedCategoryId(const CMainFrame& frame) {
    const CQuorvaneView* tree = frame.activeCategoryTree();
    return tree ? CMainFrame::CategoryIdFromName(tree->GetSelectedCategoryName()) : -1;
}

}  // namespace

PrintOptionsPage::PrintOptionsPage(const QString& selectedCategory, QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Cards"));
    auto* layout = new QVBoxLayout(this);
    m_selectedOnly = new QCheckBox(QStringLiteral("Print the selected category only"), this);
    layout->addWidget(m_selectedOnly);
    auto* which = new QLabel(selectedCategory.isEmpty() ? QStringLiteral("No category is selected.")
                                                        : QStringLiteral("Selected category: ") + selectedCategory,
                             this);
    layout->addWidget(which);
    layout->addStretch();
    m_selectedOnly->setEnabled(!selectedCategory.isEmpty());
}

bool PrintOptionsPage::selectedOnly() const { return m_selectedOnly->isEnabled() && m_selectedOnly->isChecked(); }

void OnFilePrint(CMainFrame& frame, QPrinter& printer) {
    CQuorvaneDoc* document = frame.GetActiveCardDocument();
    if (!document) {
        return;
    }
    const int selectedId = selectedCategoryId(frame);
    const bool printAtm = frame.PrintAtm == 1;
    QPrintDialog dialog(&printer, dialogParent());
    auto* options = new PrintOptionsPage(CMainFrame::CategoryNameFromId(selectedId));
    dialog.setOptionTabs({options});
    dialog.setMinMax(1, printedPageCount(printer, buildPrintList(document->store(), printAtm), frame.PrintNotes == 1,
                                         document->GetTitle()));
    if (guiPrompter().exec(dialog) != QDialog::Accepted) {
        return;
    }
    const QList<PrintCard> cards = buildPrintList(document->store(), printAtm, options->selectedOnly() ? selectedId : -1);
    printCards(printer, cards, frame.PrintNotes == 1, document->GetTitle());
}

void OnPrintPreview(CMainFrame& frame, QPrinter& printer) {
    CQuorvaneDoc* document = frame.GetActiveCardDocument();
    if (!document) {
        return;
    }
    const QList<PrintCard> cards = buildPrintList(document->store(), frame.PrintAtm == 1);
    const QString title = document->GetTitle();
    QPrintPreviewDialog dialog(&printer, dialogParent());
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&frame, &cards, &title](QPrinter* target) {
        printCards(*target, cards, frame.PrintNotes == 1, title, true);
    });
    // The preview has the window to itself; the bars come back however it is closed.
    frame.statusDialogBar()->hide();
    frame.mainToolBar()->hide();
    guiPrompter().exec(dialog);
    frame.RestoreBarsAfterPreview();
}

void OnPrintSetup(QPrinter& printer) {
    QPageSetupDialog dialog(&printer, dialogParent());
    guiPrompter().exec(dialog);
}

void installPrintCommands(CMainFrame& frame) {
    CommandTable& c = frame.commands();
    CMainFrame* f = &frame;
    auto hasCards = [f] {
        const CQuorvaneDoc* document = f->activeCardDocument();
        return document && document->hasCards();
    };
    c.setEnableRule(cmd::PrintPreview, hasCards);
    c.setEnableRule(cmd::FilePrint, hasCards);
    // Print Setup belongs to the application while no card document is active.
    c.setEnableRule(cmd::FilePrintSetup, [f, hasCards] { return !f->activeCardDocument() || hasCards(); });

    auto session = std::make_shared<SessionPrinter>();
    c.setHandler(cmd::FilePrint, [f, session] { OnFilePrint(*f, session->printer()); });
    c.setHandler(cmd::PrintPreview, [f, session] { OnPrintPreview(*f, session->printer()); });
    c.setHandler(cmd::FilePrintSetup, [session] { OnPrintSetup(session->printer()); });
}
