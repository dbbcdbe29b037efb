#pragma once
// The one-time code commands of the Card menu: Copy One-time Code (Ctrl+T), Set Up One-time Code...
// and Show QR Code, on the card selected in the active card window.

class CMainFrame;

/// Installs the three commands.
void installOtpCommands(CMainFrame& frame);
