#include "ui/cards/CardActions.h"

#include <QDate>
#include <QDialog>
#include <QLocale>
#include <QPushButton>
#include <algorithm>
#include <array>

#include "cardstore/CardList.h"
#include "cardstore/CardOperations.h"
#include "cardstore/CardSearch.h"
#include "cardstore/DateStamp.h"
#include "docview/MdiChildFrame.h"
#include "otp/OneTimeCode.h"
#include "prefs/PreferenceValues.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/CardClipboard.h"
#include "ui/cards/FindCardDlg.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneListView.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/common/GuiPrompter.h"
#include "ui/common/QtText.h"
#include "ui/frame/MainFrame.h"
#include "ui/otp/CardCode.h"

namespace cardactions {

namespace {

struct CategoryRule {
    const char* name;
    const char* urlPrefix;
    bool attributes;
};

// New Card's prefix for the second field, and whether the editor offers the web attributes.
constexpr std::array<CategoryRule, 6> kRules = {{
    {"WWW Sites", "http://", true},
    {"WWW Forms", "", true},
    {"FTP Servers", "ftp://", true},
    {"Newsgroups", "ftp://", false},
    {"Login Accounts", "telnet://", false},
    {"Miscellaneous", "http://", true},
}};

const CategoryRule* ruleFor(const QString& name) {
    for (const CategoryRule& rule : kRules) {
        if (name == QLatin1String(rule.name)) {
            return &rule;
        }
    }
    return nullptr;
}

Labels labelsFor(const CQuorvaneDoc& document, const QString& categoryName) {
    Labels labels{"", "", "", ""};
    document.GetLabelsForCategoryName(categoryName, labels);
    return labels;
}

std::array<QString, 4> qtLabels(const Labels& labels) {
    return {fromCardText(labels[0]), fromCardText(labels[1]), fromCardText(labels[2]), fromCardText(labels[3])};
}

int dateFormat(const CMainFrame& frame) { return readSetting(frame.settings(), settings::kDateFormat); }

/// The tree is the pane that has the keyboard and the view the commands work on.
void focusTree(CMainFrame& frame, CQuorvaneView* tree) {
    if (MdiChildFrame* window = frame.activeChildFrame()) {
        window->SetActiveView(tree);
    }
    tree->setFocus(Qt::OtherFocusReason);
}

/// After a card left a category: the category selected, its picture and the counts brought up to date.
void reselectCategory(CMainFrame& frame, CQuorvaneView* tree, const QString& name) {
    const QModelIndex item = tree->GetCategoryItem(name);
    const int count = tree->GetCategoryCardCount(item);
    tree->SelectItem(item);
    focusTree(frame, tree);
    tree->SetCardItemSelected(0);
    tree->SetCategoryPicture(item, count);
    frame.UpdateCardCounts(count, tree->GetTotalCardCount());
}

/// After a card was added at the end of a category or changed in place: that very card selected.
void reselectCard(CMainFrame& frame, CQuorvaneView* tree, const QString& name, int position) {
    tree->SelectCardInCategory(tree->GetCategoryItem(name), position);
    focusTree(frame, tree);
}

/// Tells the views that one card was added, removed or changed, so the tree touches its row only.
void announce(CQuorvaneDoc* document, CardsChangedHint::Kind kind, int categoryId, int position) {
    const CardsChangedHint hint(kind, categoryId, position);
    document->UpdateAllViews(nullptr, &hint);
}

/// The active card window's active view, without changing it.
template <class ViewType>
ViewType* activeViewAs(const CMainFrame& frame) {
    MdiChildFrame* window = frame.activeChildFrame();
    return window ? dynamic_cast<ViewType*>(window->GetActiveView()) : nullptr;
}

/// A date pasted into the date row: first as the program writes dates (in the format in force, then
/// in the others), then as the person's locale writes them.
std::optional<std::uint32_t> parseDateText(const std::string& text, int preferredFormat) {
    if (const auto stamp = ParseDateStamp(text, preferredFormat)) {
        return stamp;
    }
    for (int format = 0; format < kDateFormatCount; ++format) {
        if (const auto stamp = ParseDateStamp(text, format)) {
            return stamp;
        }
    }
    const QDate date = QLocale::system().toDate(fromCardText(text).trimmed(), QLocale::ShortFormat);
    if (date.isValid() && date.year() >= 1904 && date.year() <= 2040) {
        return DateStampFor(date.year(), date.month(), date.day());
    }
    return std::nullopt;
}

/// Puts the card list's current row on the clipboard; the password row, the one-time code row, and a
/// note holding a one-time code setup (its secret), go as a password (marked secret, cleared after the set time). False when
/// no row is current or there is no clipboard.
bool putRowOnClipboard(CMainFrame& frame, CardClipboard& clipboard, const CQuorvaneListView& list) {
    const CardRowKind kind = list.SelectedRowKind();
    if (kind == CardRowKind::None) {
        // The one-time code row copies the code, as Copy One-time Code does.
        const std::optional<otp::Setup> setup =
            list.ShownCard && list.isCodeRowCurrent() ? cardSetup(*list.ShownCard) : std::nullopt;
        return setup && clipboard.putPassword(otp::code(*setup, secondsNow()),
                                              readSetting(frame.settings(), settings::kClearClipboardSeconds));
    }
    if (kind == CardRowKind::Fourth || (kind == CardRowKind::Note && otp::findSetupLine(list.SelectedRowText()))) {
        return clipboard.putPassword(list.SelectedRowText(),
                                     readSetting(frame.settings(), settings::kClearClipboardSeconds));
    }
    return clipboard.PutTextOnClipboard(list.SelectedRowText());
}

}  // namespace

QString urlPrefixFor(const QString& categoryName) {
    const CategoryRule* rule = ruleFor(categoryName);
    return rule ? QString::fromLatin1(rule->urlPrefix) : QString();
}

bool attributesEnabledFor(const QString& categoryName) {
    const CategoryRule* rule = ruleFor(categoryName);
    return rule && rule->attributes;
}

CardDlgData editorDataFor(const Card& card, const CQuorvaneDoc& document, bool attributesEnabled) {
    CardDlgData data;
    data.firstField = fromCardText(card.firstField);
    data.secondField = fromCardText(card.secondField);
    data.thirdField = fromCardText(card.thirdField);
    data.fourthField = fromCardText(card.fourthField);
    data.note = fromCardText(card.note);
    Labels labels{"", "", "", ""};
    document.GetLabelsForCategoryId(card.categoryId, labels);
    data.labels = qtLabels(labels);
    data.category = CMainFrame::CategoryNameFromId(card.categoryId);
    data.automaticAccess = card.automaticAccess == 1;
    data.newBrowserWindow = card.newBrowserWindow == 1;
    data.attributesEnabled = attributesEnabled;
    data.editMode = true;
    data.maskPassword = true;
    data.generator = readPasswordRecipe(document.settings());
    return data;
}

bool applyEditorData(const CardDlgData& data, Card& card) {
    const auto first = toCardText(data.firstField);
    const auto second = toCardText(data.secondField);
    const auto third = toCardText(data.thirdField);
    const auto fourth = toCardText(data.fourthField);
    const auto note = toCardText(data.note);
    if (!first || !second || !third || !fourth || !note) {
        return false;
    }
    card.firstField = *first;
    card.secondField = *second;
    card.thirdField = *third;
    card.fourthField = *fourth;
    card.note = *note;
    card.automaticAccess = data.automaticAccess ? 1 : 0;
    card.newBrowserWindow = data.newBrowserWindow ? 1 : 0;
    return true;
}

// --- Card menu -------------------------------------------------------------------------------------

void OnNewCard(CMainFrame& frame) {
    CQuorvaneDoc* document = frame.GetActiveCardDocument();
    CQuorvaneView* tree = frame.activeCategoryTree();
    if (!document || !tree) {
        return;
    }
    const QString name = tree->GetSelectedCategoryName();
    const int categoryId = CMainFrame::CategoryIdFromName(name);
    if (categoryId < 0) {
        return;  // no category selected: there is nowhere to file a card
    }
    CardDlgData data;
    data.category = name;
    data.labels = qtLabels(labelsFor(*document, name));
    data.secondField = urlPrefixFor(name);
    data.attributesEnabled = attributesEnabledFor(name);
    data.generator = readPasswordRecipe(document->settings());
    CCardDlg editor(data, &frame);
    if (guiPrompter().exec(editor) != QDialog::Accepted) {
        return;
    }
    auto card = std::make_unique<Card>();
    if (!applyEditorData(editor.data(), *card)) {
        return;
    }
    const int position = addNewCard(document->store(), categoryId, std::move(card), dateFormat(frame));
    document->SetModifiedFlag();
    announce(document, CardsChangedHint::Kind::Appended, categoryId, position);
    reselectCard(frame, tree, name, position);
}

void OnEditCard(CMainFrame& frame) {
    CQuorvaneDoc* document = frame.GetActiveCardDocument();
    CQuorvaneView* tree = frame.activeCategoryTree();
    if (!document || !tree) {
        return;
    }
    const QString name = tree->GetSelectedCategoryName();
    Card* card = tree->GetSelectedCard();
    if (!card) {
        return;
    }
    const QModelIndex category = tree->GetCategoryItem(name);
    const int position = tree->GetSelectedPosition();
    CCardDlg editor(editorDataFor(*card, *document, attributesEnabledFor(name)), &frame);
    if (guiPrompter().exec(editor) == QDialog::Accepted && applyEditorData(editor.data(), *card)) {
        // The card is changed in place: same list, same position, same date.
        card->stateFlags |= kStateEdited;
        document->SetModifiedFlag();
        tree->RenameSelectedItem(fromCardText(card->firstField));
    }
    tree->ShowCard(position, category);
}

void OnDeleteCard(CMainFrame& frame) {
    CQuorvaneDoc* document = frame.GetActiveCardDocument();
    CQuorvaneView* tree = frame.activeCategoryTree();
    if (!document || !tree || !tree->IsCardItemCurrent()) {
        return;
    }
    const QString name = tree->GetSelectedCategoryName();
    const int position = tree->GetSelectedPosition();
    if (!guiPrompter().okCancel(QStringLiteral("Are you sure you want to delete this card?"),
                                QStringLiteral("Warning"), GuiPrompter::Icon::Warning)) {
        return;
    }
    // The card moves to the hidden list of deleted cards, which is saved with the document.
    if (!deleteCard(document->store(), CMainFrame::CategoryIdFromName(name), position)) {
        return;
    }
    announce(document, CardsChangedHint::Kind::Removed, CMainFrame::CategoryIdFromName(name), position);
    document->SetModifiedFlag();
    reselectCategory(frame, tree, name);
}

void OnFirstOrLastCard(CMainFrame& frame, bool last) {
    if (auto* tree = activeViewAs<CQuorvaneView>(frame)) {
        tree->SelectFirstOrLastCard(last);
    }
}

// --- Find ---------------------------------------------------------------------------------------------

void OnFind(CMainFrame& frame) {
    if (frame.FindDialog) {
        return;
    }
    CMainFrame* f = &frame;
    auto* dialog = new CFindCardDlg(
        [f](int start, const QString& keyword, bool ignoreCase) { return SearchCards(*f, start, keyword, ignoreCase); },
        &frame);
    frame.FindDialog = dialog;
    dialog->adjustSize();
    QRect r(QPoint(0, 0), dialog->size());
    r.moveCenter(frame.frameGeometry().center());
    dialog->move(r.topLeft());
    guiPrompter().show(*dialog);
}

void OnFindAgain(CMainFrame& frame) {
    if (auto* dialog = qobject_cast<CFindCardDlg*>(frame.FindDialog.data())) {
        dialog->findAgainButton()->click();
    }
}

int SearchCards(CMainFrame& frame, int start, const QString& keyword, bool ignoreCase) {
    CQuorvaneDoc* document = frame.GetActiveCardDocument();
    CQuorvaneView* tree = frame.activeCategoryTree();
    if (!document || !tree) {
        return -1;
    }
    focusTree(frame, tree);
    if (keyword.isEmpty()) {
        guiPrompter().message(QStringLiteral("Please enter a string."));
        return -1;
    }
    // A keyword a card cannot hold matches no card.
    const std::optional<std::string> bytes = toCardText(keyword);
    const std::vector<Card*> cards = cardsInSearchOrder(document->store());
    const int found = bytes ? findCard(cards, start, *bytes, ignoreCase) : -1;
    if (found < 0) {
        guiPrompter().message(QStringLiteral("Card not found, try again."));
        return -1;
    }
    // Its place in its list, counted here: the tree orders a category's cards only once they are shown.
    const CardPlace place = searchPlace(document->store(), found);
    tree->SelectCardInCategory(tree->GetCategoryItemAt(place.categoryId), place.position);
    focusTree(frame, tree);
    return found;
}

// --- Clipboard ------------------------------------------------------------------------------------------

void OnCopyPassword(CMainFrame& frame, CardClipboard& clipboard) {
    auto* tree = activeViewAs<CQuorvaneView>(frame);
    const Card* card = tree && tree->IsCardItemCurrent() ? tree->GetSelectedCard() : nullptr;
    if (card) {
        clipboard.putPassword(card->fourthField, readSetting(frame.settings(), settings::kClearClipboardSeconds));
    }
}

void OnCopy(CMainFrame& frame, CardClipboard& clipboard) {
    if (auto* tree = activeViewAs<CQuorvaneView>(frame)) {
        // A private copy: the card may be edited, deleted or closed with its document before Paste.
        const Card* card = tree->IsCardItemCurrent() ? tree->GetSelectedCard() : nullptr;
        frame.RememberedCard = card ? std::make_unique<Card>(*card) : nullptr;
        frame.LastWasCut = false;
        frame.PasteAvailable = true;
    } else if (auto* list = activeViewAs<CQuorvaneListView>(frame)) {
        if (putRowOnClipboard(frame, clipboard, *list)) {
            frame.PasteAvailable = true;
        }
    }
}

void OnCut(CMainFrame& frame, CardClipboard& clipboard) {
    CQuorvaneDoc* document = frame.activeCardDocument();
    if (!document) {
        return;
    }
    if (auto* tree = activeViewAs<CQuorvaneView>(frame)) {
        if (!tree->IsCardItemCurrent()) {
            return;  // nothing selected, nothing cut
        }
        const QString name = tree->GetSelectedCategoryName();
        const int position = tree->GetSelectedPosition();
        std::unique_ptr<Card> card = frame.RemoveCardFromCategory(document, name, position);
        if (!card) {
            return;
        }
        // The window holds the cut card until it is pasted; the document is marked modified, so
        // closing it asks before the cut is saved for good.
        frame.RememberedCard = std::move(card);
        announce(document, CardsChangedHint::Kind::Removed, CMainFrame::CategoryIdFromName(name), position);
        document->SetModifiedFlag();
        reselectCategory(frame, tree, name);
    } else if (auto* list = activeViewAs<CQuorvaneListView>(frame)) {
        CQuorvaneView* tree = frame.activeCategoryTree();
        Card* card = list->ShownCard;
        const CardRowKind kind = list->SelectedRowKind();
        if (!tree || !card || !putRowOnClipboard(frame, clipboard, *list)) {
            return;
        }
        if (std::string* field = cardTextOf(*card, kind)) {
            field->clear();
        } else if (kind == CardRowKind::Date) {
            card->dateText.clear();
            card->dateStamp = 0;
        } else {
            frame.PasteAvailable = true;  // a web switch is copied, never cut
            return;
        }
        const QString name = tree->GetSelectedCategoryName();
        const int position = tree->GetSelectedPosition();
        document->SetModifiedFlag();
        announce(document, CardsChangedHint::Kind::Changed, CMainFrame::CategoryIdFromName(name), position);
        reselectCard(frame, tree, name, position);
    } else {
        return;
    }
    frame.PasteAvailable = true;
    frame.LastWasCut = true;
}

void OnPaste(CMainFrame& frame, CardClipboard& clipboard) {
    CQuorvaneDoc* document = frame.activeCardDocument();
    if (!document) {
        return;
    }
    if (auto* tree = activeViewAs<CQuorvaneView>(frame)) {
        const QString name = tree->GetSelectedCategoryName();
        const int categoryId = CMainFrame::CategoryIdFromName(name);
        if (categoryId < 0) {
            return;  // no category to paste into: the remembered card stays for the next try
        }
        if (const Card* from = frame.RememberedCard.get()) {
            auto card = std::make_unique<Card>();
            card->firstField = frame.LastWasCut ? from->firstField : "Copy of " + from->firstField;
            card->firstField.resize(std::min(card->firstField.size(), kMaxTextBytes));
            card->secondField = from->secondField;
            card->thirdField = from->thirdField;
            card->fourthField = from->fourthField;
            card->note = from->note;
            card->categoryId = static_cast<std::uint8_t>(categoryId);
            card->dateStamp = CurrentDateStamp();
            card->dateText = FormatDateStamp(from->dateStamp, dateFormat(frame));
            frame.AddCardToCategory(document, categoryId, std::move(card));
            document->SetModifiedFlag();
            const int position = document->GetCategoryList(categoryId)->GetCardCount() - 1;
            announce(document, CardsChangedHint::Kind::Appended, categoryId, position);
            reselectCard(frame, tree, name, position);
        }
        frame.PasteAvailable = false;
        frame.LastWasCut = false;
    } else if (auto* list = activeViewAs<CQuorvaneListView>(frame)) {
        CQuorvaneView* tree = frame.activeCategoryTree();
        Card* card = list->ShownCard;
        const CardRowKind kind = list->SelectedRowKind();
        // Text goes into a field, the note or the date; a web switch and no row take none.
        if (!tree || !card || (!cardTextOf(*card, kind) && kind != CardRowKind::Date)) {
            return;
        }
        const std::optional<std::string> text = clipboard.GetTextFromClipboard();
        if (!text) {
            return;
        }
        if (text->size() > kMaxTextBytes) {
            guiPrompter().message(QStringLiteral("The text on the clipboard is too long for a card (%1 bytes; at most "
                                                 "32,766).")
                                      .arg(text->size()));
            return;
        }
        if (std::string* field = cardTextOf(*card, kind)) {
            *field = *text;
        } else {
            // Text that reads as no date keeps the old stamp; the row shows the stamp's date again.
            if (const std::optional<std::uint32_t> stamp = parseDateText(*text, dateFormat(frame))) {
                card->dateStamp = *stamp;
            }
            card->dateText = *text;
        }
        const QString name = tree->GetSelectedCategoryName();
        const int position = tree->GetSelectedPosition();
        document->SetModifiedFlag();
        announce(document, CardsChangedHint::Kind::Changed, CMainFrame::CategoryIdFromName(name), position);
        reselectCard(frame, tree, name, position);
    }
}

}  // namespace cardactions
