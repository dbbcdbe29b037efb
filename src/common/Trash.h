#pragma once
// Moving a file to the desktop's trash, as file managers do (the freedesktop.org trash): the file goes
// into the trash folder's files/, and a note in its info/ says where it came from and when, so that the
// file manager can put it back. The trash is the home one ($XDG_DATA_HOME/Trash) for a file on the same
// file system as it, else the one at the top of the file's own file system (.Trash/UID, .Trash-UID).
// Nothing is copied: a file that cannot be renamed into a trash stays where it is.

#include <string>

struct TrashResult {
    bool ok = false;
    std::string trashedPath;  // where the file now lies
    std::string error;        // why it stayed, in words fit to show, empty on success
};

/// Moves the file at `path` to the trash.
TrashResult moveToTrash(const std::string& path);
