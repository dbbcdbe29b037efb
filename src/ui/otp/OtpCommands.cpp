#include "ui/otp/OtpCommands.h"

#include "cardstore/Card.h"
#include "cardstore/Categories.h"
#include "prefs/PreferenceValues.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/CardClipboard.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/common/GuiPrompter.h"
#include "ui/common/QtText.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"
#include "ui/otp/CardCode.h"
#include "ui/otp/OtpSetupDlg.h"
#include "ui/otp/ShowQrDlg.h"

namespace {

/// The card selected in the active card window's tree, whichever of its panes has the keyboard.
Card* selectedCard(const CMainFrame& frame) {
    const CQuorvaneView* tree = frame.activeCategoryTree();
    return frame.activeCardDocument() && tree && tree->IsCardItemCurrent() ? tree->GetSelectedCard() : nullptr;
}

void copyCode(CMainFrame& frame) {
    const Card* card = selectedCard(frame);
    const std::optional<otp::Setup> setup = card ? cardSetup(*card) : std::nullopt;
    auto* clipboard = frame.findChild<CardClipboard*>();
    if (!setup || !clipboard) {
        return;
    }
    // The same path as a password: marked secret for clipboard histories, cleared after the set time.
    clipboard->putPassword(otp::code(*setup, secondsNow()),
                           readSetting(frame.settings(), settings::kClearClipboardSeconds));
}

void setUpCode(CMainFrame& frame) {
    CQuorvaneDoc* document = frame.activeCardDocument();
    CQuorvaneView* tree = frame.activeCategoryTree();
    Card* card = selectedCard(frame);
    if (!document || !tree || !card) {
        return;
    }
    const std::optional<otp::SetupLine> line = otp::findSetupLine(card->note);
    OtpSetupDlg dialog(line ? fromCardText(line->text) : QString(), fromCardText(card->firstField), &frame);
    // The lock may cancel the dialog while it is open; the card is then left as it was.
    if (guiPrompter().exec(dialog) != QDialog::Accepted || document->isLocked()) {
        return;
    }
    std::string note;
    if (dialog.removeChosen()) {
        if (!line) {
            return;
        }
        note = otp::noteWithoutSetup(card->note);
    } else if (const std::optional<otp::Setup> setup = dialog.setup()) {
        note = otp::noteWithSetup(card->note, *setup);
    } else {
        return;
    }
    if (note.size() > kMaxTextBytes) {
        guiPrompter().message(QStringLiteral("The note would be too long with the setup (%1 bytes; at most 32,766). "
                                             "Shorten the note first.")
                                  .arg(note.size()),
                              QString(), GuiPrompter::Icon::Warning);
        return;
    }
    if (note == card->note) {
        return;
    }
    // As Edit Card does: the card changes in place, same list, same position, same date.
    const QModelIndex category = tree->GetCategoryItem(tree->GetSelectedCategoryName());
    const int position = tree->GetSelectedPosition();
    card->note = std::move(note);
    card->stateFlags |= kStateEdited;
    document->SetModifiedFlag();
    tree->ShowCard(position, category);
}

void showQrCode(CMainFrame& frame) {
    const Card* card = selectedCard(frame);
    const std::optional<otp::Setup> setup = card ? cardSetup(*card) : std::nullopt;
    if (!setup) {
        return;
    }
    ShowQrDlg dialog(*setup, &frame);
    guiPrompter().exec(dialog);
}

}  // namespace

void installOtpCommands(CMainFrame& frame) {
    CommandTable& c = frame.commands();
    CMainFrame* f = &frame;
    // Parsing a note's setup line is cheap next to the rest of a command state pass.
    auto cardWithSetup = [f] {
        const Card* card = selectedCard(*f);
        return card && cardSetup(*card).has_value();
    };
    c.setEnableRule(cmd::CopyOneTimeCode, cardWithSetup);
    c.setEnableRule(cmd::ShowQrCode, cardWithSetup);
    c.setEnableRule(cmd::SetUpOneTimeCode, [f] { return selectedCard(*f) != nullptr; });
    c.setHandler(cmd::CopyOneTimeCode, [f] { copyCode(*f); });
    c.setHandler(cmd::SetUpOneTimeCode, [f] { setUpCode(*f); });
    c.setHandler(cmd::ShowQrCode, [f] { showQrCode(*f); });
}
