#pragma once
// The cards of a locked document: sealed in memory as a strong-form document under a key derived
// from the document's password, so that nothing readable is left while the document is locked, and
// only that password opens them again.

#include <string>

#include "cardstore/CardFile.h"
#include "cardstore/CardStore.h"
#include "common/Prompter.h"

/// Seals every card of an encrypted `store` into `sealed` and empties the store, its key and its
/// passwords. A strong-form store is sealed under its own key at once; an old-form one under a key
/// derived now from its password (about a second). False, with the store untouched, when the store is
/// not encrypted or the key cannot be had.
bool sealCardsForLock(CardStore& store, Bytes& sealed, Prompter& ui);

/// Opens what sealCardsForLock made with `password` (Windows-1252), back into the empty `store` in
/// `form`, its card dates in `dateFormat`. False, with nothing in the store, when the password is not
/// the document's.
bool unsealLockedCards(const Bytes& sealed, const std::string& password, EncryptionForm form, CardStore& store,
                       int dateFormat);
