#pragma once
// Encrypting or decrypting the selected file without holding up the window: the work runs on a
// thread of its own while the window goes on painting. After a moment a progress dialog shows the
// bytes done and the time left, with Cancel. Messages and the replace question still come up in
// the window, in order, and the work waits for their answers.

#include "fileenc/FileEncryption.h"

class QWidget;

enum class FileOperationKind { Encrypt, Decrypt };

/// Runs EncryptSelectedFile or DecryptSelectedFile on `state` away from the window's thread and
/// returns when it is over. The window takes no input meanwhile; Cancel stops the operation between
/// chunks, removes its unfinished output and keeps the input. `state` changes only as the core says.
FileOpResult runFileOperation(FileOperationKind kind, FileEncryptionState& state, QWidget* parent);

/// How long an operation runs before its progress dialog shows (tests set 0 to see it at once).
void setProgressDialogDelay(int milliseconds);
