#pragma once
// The browser profile the bridge makes for itself: the person's passwords are kept by Quorvane, so
// the browser of that profile is told not to offer to save them too.

#include <QString>

namespace bridgeprofile {

/// Sets the browser's own password saving off in the profile at `profileDir` (its
/// Default/Preferences file, made when missing; every other setting in it is kept). A file that
/// cannot be read as settings is left as it is. False, with `error` saying why, when not done.
bool turnOffPasswordSaving(const QString& profileDir, QString& error);

}  // namespace bridgeprofile
