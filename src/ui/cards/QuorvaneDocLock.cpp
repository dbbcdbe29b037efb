// Locking a card document: its cards sealed in memory under its key until the password is typed.

#include <QApplication>

#include "cardstore/CardMerge.h"
#include "cardstore/LockedCards.h"
#include "common/Wipe.h"
#include "crypto/PasswordRules.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneDocParts.h"
#include "ui/common/GuiPrompter.h"

using namespace quorvanedoc;

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
    const bool sealed = sealBase() && sealCardsForLock(m_store, m_sealed, guiPrompter());
    if (derives) {
        QApplication::restoreOverrideCursor();
    }
    if (!sealed) {
        unsealBase({});
        return false;
    }
    m_locked = true;
    SetTitle(GetTitle() + kLockedSuffix);
    UpdateAllViews(nullptr);
    emit lockChanged(true);
    return true;
}

bool CQuorvaneDoc::unlock(bool* cancelled) {
    if (cancelled) {
        *cancelled = false;
    }
    if (!m_locked) {
        return true;
    }
    QString title = GetTitle();
    if (title.endsWith(kLockedSuffix)) {
        title.chop(kLockedSuffix.size());
    }
    std::optional<std::string> typed = guiPrompter().askPassword(QStringLiteral("Unlock %1").arg(title).toStdString());
    if (!typed) {
        if (cancelled) {
            *cancelled = true;
        }
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool opened = unsealLockedCards(m_sealed, *typed, m_store.encryptionForm, m_store,
                                          readSetting(m_settings, settings::kDateFormat));
    QApplication::restoreOverrideCursor();
    if (opened) {
        unsealBase(*typed);
    }
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

bool CQuorvaneDoc::sealBase() {
    if (!m_haveBase) {
        return true;
    }
    if (sameCards(base(), m_store)) {
        m_base.clear();
        m_baseIsStore = true;
        return true;
    }
    shareEncryption(m_store, m_base);
    if (sealCardsForLock(m_base, m_sealedBase, guiPrompter())) {
        return true;
    }
    wipeSecret(m_base.encryptionPassword);
    m_base.encryptionKey.reset();
    m_base.encryptOnSave = 0;
    return false;
}

void CQuorvaneDoc::unsealBase(const std::string& password) {
    m_baseRecords.clear();  // none after sealBase; the base below replaces any
    if (std::exchange(m_baseIsStore, false)) {
        copyCards(m_store, m_base);
    } else if (!m_sealedBase.empty()) {
        m_haveBase = !password.empty() &&
                     unsealLockedCards(m_sealedBase, password, m_store.encryptionForm, m_base,
                                       readSetting(m_settings, settings::kDateFormat));
        wipeSecret(m_sealedBase);
        // The base is cards only: the key and password it was opened with go.
        m_base.encryptionKey.reset();
        wipeSecret(m_base.encryptionPassword);
        wipeSecret(m_base.typedPassword);
        m_base.encryptOnSave = 0;
        if (!m_haveBase) {
            m_base.clear();
        }
    }
}
