#pragma once
// Reading the copy of a document that another program wrote over the one the window read, so that
// a save can merge the two: quietly with the window's own key or password first, then, when it is
// encrypted under another password, with one the person types.

#include <QString>
#include <string>

#include "cardstore/CardStore.h"

enum class OtherCopyRead {
    Read,        // its cards are in the store
    Unreadable,  // gone, damaged, no card document, or a format this program does not read
    NoPassword,  // encrypted under a password that was not given (or could not be asked for)
};

/// Reads the card document at `file` (named `name` for the person) into the empty store `theirs`.
/// What the reading would say is not shown: the caller decides what follows. The key or password
/// of `ours` is tried first; when it does not open the file and `mayAsk`, the person is asked for
/// the copy's password (a wrong one is said so and asked again, a few times).
OtherCopyRead readOtherCopy(const std::string& file, const QString& name, const CardStore& ours, bool mayAsk,
                            int dateFormat, CardStore& theirs);
