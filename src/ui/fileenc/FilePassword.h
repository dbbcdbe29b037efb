#pragma once
// The file-encryption password: set, changed and cleared by the person, kept only in the main
// window's memory for this run, and wiped when it is cleared and when the window goes.

#include <string>

class CMainFrame;

/// "Set File Encryption Password": asks until a valid pair is typed or the dialog is cancelled; a
/// different password replaces one in force only after "Change File Encryption Password ?".
void SetFileEncryptionPassword(CMainFrame& frame);

/// Forgets the password (wiping it), without a question.
void ClearFileEncryptionPassword(CMainFrame& frame);

/// Shows on the file-encryption toolbar's Set Password button whether a password is set.
void UpdatePasswordButton(CMainFrame& frame);

