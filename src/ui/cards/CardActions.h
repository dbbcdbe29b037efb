#pragma once
// What the card commands do: New, Edit and Delete Card, First and Last Card, Find, and the
// clipboard commands, each on the active card window. The command table calls them.

#include <QString>
#include <optional>

#include "cardstore/Card.h"
#include "cardstore/Categories.h"
#include "ui/cards/CardDlg.h"

class CardClipboard;
class CMainFrame;
class CQuorvaneDoc;

namespace cardactions {

/// The prefix New Card puts into the second field for this category ("http://" ...), or "".
QString urlPrefixFor(const QString& categoryName);
/// Whether the card editor enables the attribute check boxes for a card of this category.
bool attributesEnabledFor(const QString& categoryName);

/// The card editor's data for editing `card` (edit mode, password masked).
CardDlgData editorDataFor(const Card& card, const CQuorvaneDoc& document, bool attributesEnabled);
/// Stores the editor's texts and check boxes into `card`; false (card untouched) when a text cannot
/// be stored, which the editor itself already refuses.
bool applyEditorData(const CardDlgData& data, Card& card);

void OnNewCard(CMainFrame& frame);
void OnEditCard(CMainFrame& frame);
void OnDeleteCard(CMainFrame& frame);
void OnFirstOrLastCard(CMainFrame& frame, bool last);
/// Opens the Find Card dialog, unless it is open already.
void OnFind(CMainFrame& frame);
/// Searches again from the card after the last one found, as the open Find Card box's Find Again.
void OnFindAgain(CMainFrame& frame);
/// Finds the first card from `start` on (in Find's order) holding `keyword`, selects it and
/// returns its index; -1 after a message when there is none.
int SearchCards(CMainFrame& frame, int start, const QString& keyword, bool ignoreCase);

void OnCopyPassword(CMainFrame& frame, CardClipboard& clipboard);
void OnCopy(CMainFrame& frame, CardClipboard& clipboard);
void OnCut(CMainFrame& frame, CardClipboard& clipboard);
void OnPaste(CMainFrame& frame, CardClipboard& clipboard);

}  // namespace cardactions
