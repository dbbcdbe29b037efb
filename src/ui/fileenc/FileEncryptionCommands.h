#pragma once
// The file-encryption window's commands and the way to it from a card window.

class CMainFrame;

void installFileEncryptionCommands(CMainFrame& frame);
