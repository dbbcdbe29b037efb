#pragma once
// The file-encryption window's commands and the way to it from a card window.

#include <QString>

class CMainFrame;
class CChildFrmFileView;
class Document;

void installFileEncryptionCommands(CMainFrame& frame);

/// Opens a "~~~" file: a file-encryption window (after File New when no window is open) on the
/// file's folder with the file selected. Returns the card document the window belongs to; nothing,
/// after a message, when there is no such file.
Document* openEncryptedFile(CMainFrame& frame, const QString& path);

/// The file-encryption windows open now, in the order they were opened.
QList<CChildFrmFileView*> fileEncryptionWindows(const CMainFrame& frame);
