// Locking a card document: its cards sealed in memory under its key until the password is typed.

#include <QApplication>

#include "cardstore/LockedCards.h"
#include "common/Wipe.h"
#include "crypto/PasswordRules.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/common/GuiPrompter.h"

namespace {
const QString kLockedSuffix = QStringLiteral(" [Locked]");
}

bool CQuorvaneDoc::lock() {
    if (m_locked || !m_store.isEncrypted()) {
        return false;
    }
    emit aboutToLock();
    // The old form has no key to seal with: one is derived now, which takes about a second.
    const bool derives = m_store.encryptionForm == EncryptionForm::Old;
    if (derives) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    const bool sealed = sealCardsForLock(m_store, m_sealed, guiPrompter());
    if (derives) {
        QApplication::restoreOverrideCursor();
    }
    if (!sealed) {
        return false;
    }
    m_locked = true;
    SetTitle(GetTitle() + kLockedSuffix);
    UpdateAllViews(nullptr);
    emit lockChanged(true);
    return true;
}

bool CQuorvaneDoc::unlock() {
    if (!m_locked) {
        return true;
    }
    QString title = GetTitle();
    if (title.endsWith(kLockedSuffix)) {
        title.chop(kLockedSuffix.size());
    }
    std::optional<std::string> typed = guiPrompter().askPassword(QStringLiteral("Unlock %1").arg(title).toStdString());
    if (!typed) {
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool opened = unsealLockedCards(m_sealed, *typed, m_store.encryptionForm, m_store,
                                          readSetting(m_settings, settings::kDateFormat));
    QApplication::restoreOverrideCursor();
    wipeSecret(*typed);
    if (!opened) {
        guiPrompter().message(QString::fromUtf8(kMsgPasswordWrongDecrypt));
        return false;
    }
    wipeSecret(m_sealed);
    m_locked = false;
    SetTitle(title);
    UpdateAllViews(nullptr);
    emit lockChanged(false);
    // What happened to the file meanwhile is looked at now.
    checkFileOnDisk();
    return true;
}

bool CQuorvaneDoc::SaveModified() {
    if (m_locked && IsModified() && !unlock()) {
        return false;  // the changes stay sealed; the document stays open
    }
    return Document::SaveModified();
}
