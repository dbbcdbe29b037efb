#pragma once
// The program's pictures: toolbar and menu images, tree pictures and status icons come from the
// user's icon theme by their freedesktop names where one fits, otherwise (and where the theme lacks
// one) from our own SVGs in res/icons; the splash bitmap and the About box pictures are drawn here.

#include <QIcon>
#include <QPixmap>

namespace icons {

QIcon app();
QIcon closedFolder();  // tree picture 0
QIcon openFolder();    // tree picture 1
QIcon card();          // tree picture 2
QIcon encrypted();     // the "(Encrypted)" status icon
QIcon plain();         // the "(Not Encrypted)" status icon
QIcon reveal();        // the small button beside password fields
QIcon editUrl();       // the small button beside a URL field that opens the long-URL editor

/// The image of a toolbar button by its command id (a blank image for unknown ids).
QIcon toolbar(int commandId);
/// The encrypt-on-save button's image while the active document is encrypted.
QIcon encryptedButton();
/// The Set Password button's image while a file-encryption password is set.
QIcon passwordSetButton();

QPixmap splash();
QPixmap emailAddress();  // the About box shows the address as a picture
QPixmap aboutBanner();

}  // namespace icons
