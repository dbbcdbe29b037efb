// A sync program's conflict copies of the document: found beside it when it is opened and whenever
// its folder changes, each merged card by card into the window's cards, the merge saved, and the copy
// moved to the desktop's trash. A copy that does not read stays where it is.
#include "ui/cards/QuorvaneDoc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

#include "cardstore/CardMerge.h"
#include "cardstore/ConflictCopies.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/OtherCopy.h"
#include "ui/cards/QuorvaneDocParts.h"

using namespace quorvanedoc;

namespace {

QString mergedCopyText(const QString& copy, const CardMergeResult& merge) {
    QString text = merge.fromTheirs == 0   ? QStringLiteral("%1 held no card the window lacked").arg(copy)
                   : merge.fromTheirs == 1 ? QStringLiteral("1 card from %1 merged").arg(copy)
                                           : QStringLiteral("%1 cards from %2 merged").arg(merge.fromTheirs).arg(copy);
    if (merge.conflicts > 0) {
        text += merge.conflicts == 1 ? QStringLiteral(
                                           " (1 card differs in the two copies: both are kept, the "
                                           "copy's marked \"(other copy)\")")
                                     : QStringLiteral(
                                           " (%1 cards differ in the two copies: both versions are kept, "
                                           "the copy's marked \"(other copy)\")")
                                           .arg(merge.conflicts);
    }
    return text;
}

// Whether the data folder that holds the home trash is there (a new account may not have it yet): where
// Qt cannot make the trash in it, it puts the trash's folders in the current folder instead.
bool trashReady() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return !data.isEmpty() && QDir().mkpath(data) && QFileInfo(data).isWritable();
}

}  // namespace

bool CQuorvaneDoc::hasConflictCopies() const {
    return !m_fileOnDisk.isEmpty() && !findConflictCopies(fileBytesName(m_fileOnDisk)).empty();
}

void CQuorvaneDoc::mergeConflictCopies() {
    if (m_fileOnDisk.isEmpty() || !m_read || m_locked || m_checking) {
        return;
    }
    const std::string file = fileBytesName(m_fileOnDisk);
    const QString name = fileNameOf(m_fileOnDisk);
    const std::vector<std::string> copies = findConflictCopies(file);
    // Copies already dealt with are looked at again only once they change.
    for (auto it = m_conflictsLeft.begin(); it != m_conflictsLeft.end();) {
        it = QFile::exists(it.key()) ? std::next(it) : m_conflictsLeft.erase(it);
    }
    QStringList waiting;
    for (const std::string& copy : copies) {
        const QString path = QFile::decodeName(QByteArray::fromStdString(copy));
        const auto left = m_conflictsLeft.constFind(path);
        if (left == m_conflictsLeft.cend() || !fileStillMatches(copy, *left)) {
            waiting << path;
        }
    }
    if (waiting.isEmpty()) {
        return;
    }
    // The merge is saved at once: not over the person's unsaved changes, nor over a file that changed
    // unseen (the check on the file comes first), nor where another window writes the file.
    if (m_readOnly) {
        emit statusMessage(QStringLiteral("%1 is beside %2; the window that has %2 open for changes merges it.")
                               .arg(fileNameOf(waiting.first()), name));
        return;
    }
    if (IsModified() || !fileStillMatches(file, *m_read)) {
        emit statusMessage(QStringLiteral("%1 is beside %2; it is merged once the window's cards are saved.")
                               .arg(fileNameOf(waiting.first()), name));
        return;
    }
    const int dateFormat = readSetting(m_settings, settings::kDateFormat);
    QStringList said;
    for (const QString& path : waiting) {
        const std::string copy = fileBytesName(path);
        const QString copyName = fileNameOf(path);
        const std::optional<FileFingerprint> seen = fingerprintFile(copy);
        if (!seen || !seen->exists) {
            continue;  // gone meanwhile
        }
        CardStore theirs;
        m_checking = true;  // a password question may be open: no check of the file runs meanwhile
        const OtherCopyRead read = readOtherCopy(copy, copyName, m_store, true, dateFormat, theirs);
        m_checking = false;
        if (read != OtherCopyRead::Read) {
            m_conflictsLeft.insert(path, *seen);
            said << (read == OtherCopyRead::NoPassword
                         ? QStringLiteral("%1 was not merged: its password was not given. It stays beside %2.")
                         : QStringLiteral("%1 could not be read as a card document; it stays beside %2."))
                        .arg(copyName, name);
            continue;
        }
        CardStore merged;
        const CardMergeResult merge = mergeConflictCopy(m_store, theirs, merged);
        if (!sameCards(merged, m_store)) {
            showMergedCards(merged);  // the cards only: the document keeps its own encryption
            SetModifiedFlag();
            // Saved as the automatic save saves: nothing is asked, a file changed meanwhile is merged too.
            m_automaticSave = true;
            const bool saved = OnSaveDocument(m_fileOnDisk);
            m_automaticSave = false;
            if (!saved) {
                m_conflictsLeft.insert(path, *seen);
                said << QStringLiteral("%1; %2 could not be saved, so the copy stays beside it.")
                            .arg(mergedCopyText(copyName, merge), name);
                break;
            }
        }
        QString trashed;
        if (!trashReady() || !QFile::moveToTrash(path, &trashed)) {
            m_conflictsLeft.insert(path, *seen);
            said << QStringLiteral("%1, but the copy could not be moved to the trash; remove it by hand.")
                        .arg(mergedCopyText(copyName, merge));
            continue;
        }
        said << QStringLiteral("%1; the copy is in the trash.").arg(mergedCopyText(copyName, merge));
    }
    if (!said.isEmpty()) {
        emit statusMessage(said.join(QLatin1Char(' ')));
    }
}
