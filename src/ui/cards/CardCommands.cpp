// The card commands: adding, deleting, editing, finding, the clipboard, and the card document's
// own file commands. The commands still to be built are registered with inert handlers so they
// show their real enable states meanwhile.

#include "ui/cards/CardCommands.h"

#include "docview/MdiChildFrame.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneListView.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"

void installCardCommands(CMainFrame& frame) {
    CommandTable& c = frame.commands();
    CMainFrame* f = &frame;
    auto child = [f] { return f->activeChildFrame() != nullptr; };
    auto cardSelected = [f] { return f->CardSelected(); };
    auto hasCards = [f] {
        const CQuorvaneDoc* document = f->activeCardDocument();
        return document && document->GetStoredSize() > 0;
    };

    c.setEnableRule(cmd::NewCardButton, child);
    for (int id : {cmd::EditCard, cmd::DeleteCard, cmd::DeleteCardButton, cmd::UpdateCardButton, cmd::EditCut}) {
        c.setEnableRule(id, cardSelected);
    }
    c.setEnableRule(cmd::CopyPassword, [f] { return f->activeChildFrame() && f->CardSelected(); });
    c.setEnableRule(cmd::EditCopy, [f] {
        MdiChildFrame* window = f->activeChildFrame();
        return window && (dynamic_cast<CQuorvaneListView*>(window->GetActiveView()) || f->CardSelected());
    });
    c.setEnableRule(cmd::EditPaste, [f] { return f->PasteAvailable; });
    c.setEnableRule(cmd::FindButton, hasCards);
    // The card document's file commands need at least one card.
    for (int id : {cmd::EncryptOnSave, cmd::EncryptOnSaveButton, cmd::FileSave, cmd::FileSaveAs, cmd::EditFind}) {
        c.setEnableRule(id, hasCards);
    }

    for (int id : {cmd::NewCard, cmd::NewCardButton, cmd::DeleteCard, cmd::DeleteCardButton, cmd::EditCard,
                   cmd::UpdateCardButton, cmd::FirstCard, cmd::LastCard, cmd::EditFind, cmd::FindButton,
                   cmd::CopyPassword, cmd::EditCopy, cmd::EditCut, cmd::EditPaste}) {
        c.setHandler(id, [] {});
    }

    auto encryptOnSave = [f] {
        if (CQuorvaneDoc* document = f->activeCardDocument()) {
            document->OnEncryptOnSave();
        }
    };
    c.setHandler(cmd::EncryptOnSave, encryptOnSave);
    c.setHandler(cmd::EncryptOnSaveButton, encryptOnSave);
}
