#pragma once
// Checks a password typed at a decryption prompt against an enciphered body, and the rules a new
// password must meet.

#include <cstdint>
#include <string>
#include <vector>

#include "common/Prompter.h"

inline constexpr const char* kMsgMustEnterPassword = "You must enter a password!";
inline constexpr const char* kMsgPasswordWrongDecrypt = "Password not correct,try again.";
inline constexpr const char* kMsgPasswordMismatchEntry = "Password not correct, try again!";
inline constexpr const char* kMsgPasswordTooShort = "Password to short, please use more characters!";
inline constexpr std::size_t kMinimumPasswordLength = 8;

enum class BodyCheck { Digest20, Xyz3 };

/// Deciphers `body` in place with `typedPassword` and checks it: the first 20 bytes must be the
/// SHA-1 of the password, or the first 3 bytes "XYZ" for the oldest format. An empty password shows
/// "You must enter a password!" and deciphers nothing. A mismatch shows "Password not correct,try
/// again." Returns true when the password is accepted. The body's size must be a multiple of 8.
bool checkTypedPassword(std::vector<std::uint8_t>& body, const std::string& typedPassword, BodyCheck check,
                        Prompter& ui);

enum class NewPasswordVerdict { Accepted, Mismatch, TooShort };

/// Applies the entry rules to a new password and its confirmation (equal first, then at least 8
/// characters). Shows nothing; the caller shows the matching message.
NewPasswordVerdict checkNewPassword(const std::string& password, const std::string& confirmation);

/// The message for a refused verdict ("" for Accepted).
const char* newPasswordMessage(NewPasswordVerdict verdict);
