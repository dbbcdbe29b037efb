// A document's file shared with other programs: the watch on it, reading it again when it changed,
// and merging a copy changed elsewhere into the one a save writes.
#include "ui/cards/QuorvaneDoc.h"

#include <QApplication>
#include <QFileInfo>
#include <vector>

#include "docview/View.h"
#include "cardstore/CardFile.h"
#include "cardstore/CardMerge.h"
#include "cardstore/CardOperations.h"
#include "common/SafeFile.h"
#include "common/Wipe.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/OtherCopy.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/common/CommandBlock.h"
#include "ui/common/GuiPrompter.h"
#include "ui/cards/QuorvaneDocParts.h"

using namespace quorvanedoc;

namespace {

/// What a merge of a file changed elsewhere did, for the person.
QString mergedText(const QString& name, int conflicts) {
    const QString merged = QStringLiteral("%1 was also changed by another program; its cards and the window's are "
                                          "merged.")
                               .arg(name);
    if (conflicts == 0) {
        return merged;
    }
    return merged + (conflicts == 1 ? QStringLiteral("\n1 card was changed in both copies: both versions are kept, "
                                                     "the other copy's with \"(other copy)\" after its name.")
                                    : QStringLiteral("\n%1 cards were changed in both copies: both versions of each "
                                                     "are kept, the other copy's with \"(other copy)\" after its "
                                                     "name.")
                                          .arg(conflicts));
}

}  // namespace

void CQuorvaneDoc::forgetFile() {
    m_settle.stop();
    if (!m_watcher.files().isEmpty()) {
        m_watcher.removePaths(m_watcher.files());
    }
    if (!m_watcher.directories().isEmpty()) {
        m_watcher.removePaths(m_watcher.directories());
    }
    m_lock.reset();
    m_read.reset();
    m_base.clear();
    m_baseRecords.clear();
    m_haveBase = false;
    m_baseIsStore = false;
    wipeSecret(m_sealedBase);
    m_declined.reset();
    m_readOnly = false;
    m_lockHolder.clear();
    m_conflictsLeft.clear();
}

void CQuorvaneDoc::watch(const QString& path) {
    if (!m_watcher.files().isEmpty()) {
        m_watcher.removePaths(m_watcher.files());
    }
    if (!m_watcher.directories().isEmpty()) {
        m_watcher.removePaths(m_watcher.directories());
    }
    // A watch on the file ends when a new file is renamed over it; the folder's watch notices that
    // and the check puts the file's watch back.
    m_watcher.addPath(path);
    m_watcher.addPath(QFileInfo(path).absolutePath());
}

CardStore& CQuorvaneDoc::base() {
    if (m_baseRecords.holdsRecords()) {
        // The same cards the read filed in the store, made again from the same records.
        m_base.clear();
        m_baseRecords.fileInto(m_base, readSetting(m_settings, settings::kDateFormat));
        m_baseRecords.clear();
    }
    return m_base;
}

SaveResult CQuorvaneDoc::saveMerged(const std::string& file, const QString& name) {
    const int dateFormat = readSetting(m_settings, settings::kDateFormat);
    // A copy written once more while it was read and merged is merged again, a few times at most.
    for (int attempt = 0; m_haveBase && attempt < 3; ++attempt) {
        const std::optional<FileFingerprint> before = fingerprintFile(file);
        if (!before || !before->exists) {
            break;
        }
        CardStore theirs;
        // The automatic save asks nothing: a copy under another password waits for the next Save.
        if (readOtherCopy(file, name, m_store, !m_automaticSave, dateFormat, theirs) != OtherCopyRead::Read) {
            break;
        }
        CardStore merged;
        const CardMergeResult merge = mergeCardDocuments(base(), m_store, theirs, merged);
        shareEncryption(m_store, merged);
        SaveResult result = saveCardDocument(file, merged, guiPrompter(), WriteMode::Replace,
                                             [&] { return fileStillMatches(file, *before); });
        if (result.outcome == SaveOutcome::Saved) {
            adoptMerged(merged, merge.conflicts, name);
        }
        if (result.outcome != SaveOutcome::Changed) {
            return result;
        }
    }
    SaveResult notMerged;
    notMerged.outcome = SaveOutcome::Changed;
    return notMerged;
}

void CQuorvaneDoc::adoptMerged(CardStore& merged, int conflicts, const QString& name) {
    showMergedCards(merged);
    // The status line always says it (replacing its note that the save would merge); cards kept
    // twice are also told in a box, or, by the automatic save, in a note the bar keeps a while.
    emit statusMessage(mergedText(name, 0));
    if (conflicts > 0 && !m_automaticSave) {
        guiPrompter().message(mergedText(name, conflicts), QString(), GuiPrompter::Icon::Information);
    } else if (conflicts > 0) {
        emit statusNotice(mergedText(name, conflicts));
    }
}

void CQuorvaneDoc::showMergedCards(CardStore& merged) {
    struct Selected {
        CQuorvaneView* tree;
        int categoryId;
        Card card;
    };
    std::vector<Selected> selected;
    for (View* view : views()) {
        if (auto* tree = dynamic_cast<CQuorvaneView*>(view)) {
            if (const Card* card = tree->GetSelectedCard(); card && card->categoryId < kCategoryCount) {
                selected.push_back({tree, card->categoryId, *card});
            }
        }
    }
    swapCards(m_store, merged);
    UpdateAllViews(nullptr);
    // The card selected before, else one of the same name in its category; else the category stays.
    for (const Selected& s : selected) {
        const CardList& list = *m_store.GetCategoryList(s.categoryId);
        int position = -1;
        for (int i = 0; i < list.GetCardCount() && position < 0; ++i) {
            if (sameStoredCard(*list.GetCardAt(i), s.card)) {
                position = i;
            }
        }
        if (position < 0) {
            position = findCardByName(list, s.card.firstField);
        }
        if (position >= 0) {
            s.tree->SelectCardInCategory(s.tree->GetCategoryItemAt(s.categoryId), position);
        }
    }
}

void CQuorvaneDoc::checkFileOnDisk() {
    if (m_fileOnDisk.isEmpty() || !m_read || m_locked) {  // a locked document looks again once unlocked
        return;
    }
    // Never while a dialog is open (our own question included) or a command waits: the cards may
    // be in use. The check comes back once it is over.
    if (m_checking || QApplication::activeModalWidget() || CommandBlock::active()) {
        m_settle.start();
        return;
    }
    checkOwnFile();
    mergeConflictCopies();  // a sync program may have left one beside the file
}

void CQuorvaneDoc::checkOwnFile() {
    const QString path = m_fileOnDisk;
    const std::string file = fileBytesName(path);
    if (!m_watcher.files().contains(path) && QFileInfo::exists(path)) {
        m_watcher.addPath(path);  // a file renamed over ours: watch the new one
    }
    if (fileStillMatches(file, *m_read) || (m_declined && fileStillMatches(file, *m_declined))) {
        return;  // our own save, the same bytes written again, or a change already dealt with
    }
    const std::optional<FileFingerprint> now = fingerprintFile(file);
    if (!now || !now->exists) {
        return;  // gone or unreadable for now: the next save asks
    }
    m_checking = true;
    m_declined = now;
    const QString name = fileNameOf(path);
    if (IsModified()) {
        // Both changed: the window's cards stay, and the save question decides.
        SetModifiedFlag();
        emit statusMessage(
            QStringLiteral("%1 was changed by another program; saving will merge its cards with the window's.")
                .arg(name));
    } else if (guiPrompter().question(
                   QStringLiteral("%1 was changed by another program. Reload it?").arg(name), false) ==
               GuiPrompter::Answer::Yes) {
        reload();
    }
    m_checking = false;
}

bool CQuorvaneDoc::reload() {
    const QString path = m_fileOnDisk;
    const std::string file = fileBytesName(path);
    const std::optional<FileFingerprint> before = fingerprintFile(file);
    CardStore fresh;
    fresh.encryptionKey = m_store.encryptionKey;  // a strong file saved under the same key asks no password
    const int dateFormat = readSetting(m_settings, settings::kDateFormat);
    KeptRecords records;
    const LoadResult result = loadCardDocument(file, fresh, guiPrompter(), dateFormat, records);
    const bool read = (result.outcome == LoadOutcome::Loaded || result.outcome == LoadOutcome::EmptyFile) &&
                      !result.cardsUnread && before && before->exists;
    if (!read) {
        emit statusMessage(QStringLiteral("%1 was not read again; the window keeps its cards.").arg(fileNameOf(path)));
        return false;
    }
    m_store.swap(fresh);
    m_read = before;
    m_base.clear();
    m_baseRecords.swap(records);
    m_haveBase = true;
    m_declined.reset();
    SetModifiedFlag(false);
    UpdateAllViews(nullptr);
    UpdateEncryptionStatus();
    emit fileStored();
    if (!fileStillMatches(file, *before)) {
        m_settle.start();  // changed again while it was read
    }
    return true;
}
