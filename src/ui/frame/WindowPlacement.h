#pragma once
// The main window is left where the person put it: its geometry (position, size, maximized) is kept
// in the settings at exit and given back at the next start, before the window is shown.

class QWidget;
class SettingsStore;

namespace placement {

/// Gives `window` the geometry stored in the settings; nothing when none is stored or it is unreadable.
/// A window that would be off every screen now is brought back onto the primary screen.
void restoreWindowGeometry(QWidget& window, const SettingsStore& settings);
/// Stores `window`'s geometry in the settings.
void saveWindowGeometry(const QWidget& window, SettingsStore& settings);

}  // namespace placement
