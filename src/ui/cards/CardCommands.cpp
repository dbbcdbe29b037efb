// The card commands: adding, deleting, editing, finding, the clipboard, and the card document's
// own file commands: when each is enabled and what runs it.

#include "ui/cards/CardCommands.h"

#include "docview/MdiChildFrame.h"
#include "ui/cards/CardActions.h"
#include "ui/cards/CardClipboard.h"
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
        return document && document->hasCards();
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

    using namespace cardactions;
    for (int id : {cmd::NewCard, cmd::NewCardButton}) {
        c.setHandler(id, [f] { OnNewCard(*f); });
    }
    for (int id : {cmd::EditCard, cmd::UpdateCardButton}) {
        c.setHandler(id, [f] { OnEditCard(*f); });
    }
    for (int id : {cmd::DeleteCard, cmd::DeleteCardButton}) {
        c.setHandler(id, [f] { OnDeleteCard(*f); });
    }
    c.setHandler(cmd::FirstCard, [f] { OnFirstOrLastCard(*f, false); });
    c.setHandler(cmd::LastCard, [f] { OnFirstOrLastCard(*f, true); });
    for (int id : {cmd::EditFind, cmd::FindButton}) {
        c.setHandler(id, [f] { OnFind(*f); });
    }
    // Ctrl+G presses the open Find Card box's Find Again from the main window, where a search
    // leaves the keyboard.
    c.setEnableRule(cmd::FindAgain, [f] { return !f->FindDialog.isNull(); });
    c.setHandler(cmd::FindAgain, [f] { OnFindAgain(*f); });

    auto* clipboard = new CardClipboard(&frame);
    c.setHandler(cmd::CopyPassword, [f, clipboard] { OnCopyPassword(*f, *clipboard); });
    c.setHandler(cmd::EditCopy, [f, clipboard] { OnCopy(*f, *clipboard); });
    c.setHandler(cmd::EditCut, [f, clipboard] { OnCut(*f, *clipboard); });
    c.setHandler(cmd::EditPaste, [f, clipboard] { OnPaste(*f, *clipboard); });

    auto encryptOnSave = [f] {
        if (CQuorvaneDoc* document = f->activeCardDocument()) {
            document->OnEncryptOnSave();
        }
    };
    c.setHandler(cmd::EncryptOnSave, encryptOnSave);
    c.setHandler(cmd::EncryptOnSaveButton, encryptOnSave);
}
