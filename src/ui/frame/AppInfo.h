#pragma once
// Values of the build shown by the About box.

inline constexpr const char* kHomePageAddress = "https://quorvane.example.org";
inline constexpr const char* kCreditsText = "Quorvane 0.1 - keeps your passwords and secrets on cards. Made with Qt.";
