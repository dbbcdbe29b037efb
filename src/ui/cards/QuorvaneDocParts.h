#pragma once
// What the files of CQuorvaneDoc share: QuorvaneDoc.cpp opens, saves and closes a document,
// QuorvaneDocMerge.cpp watches its file and merges a copy changed elsewhere, QuorvaneDocLock.cpp locks
// it, and QuorvaneDocEncryption.cpp handles Encrypt On Save and the move between document types.

#include <QString>
#include <string>

#include "cardstore/CardStore.h"

namespace quorvanedoc {

bool sameFile(const QString& a, const QString& b);
std::string fileBytesName(const QString& path);
QString fileNameOf(const QString& path);
/// Makes `to` save as `from` does: the same switch, form, password and key.
void shareEncryption(const CardStore& from, CardStore& to);

}  // namespace quorvanedoc
