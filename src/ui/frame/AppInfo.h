#pragma once
// The addresses the Help menu and the About box open.

// The two addresses are set when the program is built (QUORVANE_HOME_PAGE, QUORVANE_USER_GUIDE).
#ifndef QUORVANE_HOME_PAGE
#define QUORVANE_HOME_PAGE "https://quorvane.example.org"
#endif
#ifndef QUORVANE_USER_GUIDE
#define QUORVANE_USER_GUIDE "https://quorvane.example.org/user-guide.html"
#endif
inline constexpr const char* kHomePageAddress = QUORVANE_HOME_PAGE;
inline constexpr const char* kUserGuideAddress = QUORVANE_USER_GUIDE;
