#pragma once
// Values of the build shown by the About box and opened by the Help menu.

// The two addresses are set when the program is built (QUORVANE_HOME_PAGE, QUORVANE_USER_GUIDE).
#ifndef QUORVANE_HOME_PAGE
#define QUORVANE_HOME_PAGE "https://quorvane.example.org"
#endif
#ifndef QUORVANE_USER_GUIDE
#define QUORVANE_USER_GUIDE "https://quorvane.example.org/user-guide.html"
#endif
inline constexpr const char* kHomePageAddress = QUORVANE_HOME_PAGE;
inline constexpr const char* kUserGuideAddress = QUORVANE_USER_GUIDE;
inline constexpr const char* kCreditsText = "Quorvane 0.1 - keeps your passwords and secrets on cards. Made with Qt.";
