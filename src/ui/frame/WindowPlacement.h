#pragma once
// The main window is left where the person put it: its geometry (position, size, maximized) is kept
// in the settings at exit and given back at the next start, before the window is shown.

#include <QRect>

class QWidget;
class SettingsStore;

namespace placement {

/// The share of the screen's free area, each way, the window takes at its first start.
inline constexpr double kFirstStartShare = 0.7;

/// The first start's place on a screen whose free area is `available`: kFirstStartShare of it each
/// way, never smaller than `smallest` (unless the area itself is), centred in it.
QRect firstStartGeometry(const QRect& available, const QSize& smallest);

/// Gives `window` the geometry stored in the settings; nothing when none is stored or it is unreadable.
/// A window that would be off every screen now is brought back onto the primary screen.
void restoreWindowGeometry(QWidget& window, const SettingsStore& settings);
/// Stores `window`'s geometry in the settings.
void saveWindowGeometry(const QWidget& window, SettingsStore& settings);

}  // namespace placement
