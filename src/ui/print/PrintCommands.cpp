#include "ui/print/PrintCommands.h"

#include "ui/cards/QuorvaneDoc.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"

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
    // Not built yet: they do nothing.
    for (int id : {cmd::PrintPreview, cmd::FilePrint, cmd::FilePrintSetup}) {
        c.setHandler(id, [] {});
    }
}
