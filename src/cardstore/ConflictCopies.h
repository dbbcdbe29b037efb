#pragma once
// Conflict copies of a card document: when two machines change a synced document while apart, the
// sync program keeps one version under the document's name and the other beside it under a name of
// its own making. Three such names are known:
//   cards.sync-conflict-20261211-115603-BQGXALA.qve     (Syncthing: date, time, the device's short id)
//   cards (conflicted copy 2026-12-11 115603).qve       (Nextcloud)
//   cards (Ann's conflicted copy 2026-12-11).qve        (Dropbox: whose copy, the date; " (1)" may follow)
// The part before the extension (the last dot of the name) is the document's own, the extension is
// the document's (or none, as the document has none).

#include <string>
#include <string_view>
#include <vector>

/// Whether `candidate` (a file name without its folder) is a sync program's conflict copy of the
/// document named `document` (also a bare file name).
bool isConflictCopyName(std::string_view document, std::string_view candidate);

/// The conflict copies of the document at `path` that lie in its folder (regular files only), as paths
/// in that folder, sorted by name. Empty when there are none or the folder cannot be listed.
std::vector<std::string> findConflictCopies(const std::string& path);
