#include "crypto/PasswordRules.h"

#include <algorithm>
#include <cstring>

#include "crypto/Blowfish.h"
#include "crypto/Sha1.h"

bool checkTypedPassword(std::vector<std::uint8_t>& body, const std::string& typedPassword, BodyCheck check,
                        Prompter& ui) {
    if (typedPassword.empty()) {
        // Nothing is deciphered; the check below then fails on the still-enciphered body.
        ui.showMessage(kMsgMustEnterPassword);
    } else {
        const BlowfishKey key(typedPassword);
        key.DecryptAll(body.data(), body.size() / 8);
    }

    bool accepted = false;
    if (check == BodyCheck::Digest20) {
        const Sha1Bytes digest = Sha1Digest(typedPassword);
        accepted = body.size() >= digest.size() && std::equal(digest.begin(), digest.end(), body.begin());
    } else {
        accepted = body.size() >= 3 && std::memcmp(body.data(), "XYZ", 3) == 0;
    }
    if (!accepted)
        ui.showMessage(kMsgPasswordWrongDecrypt);
    return accepted;
}

NewPasswordVerdict checkNewPassword(const std::string& password, const std::string& confirmation) {
    if (password != confirmation)
        return NewPasswordVerdict::Mismatch;
    if (password.size() < kMinimumPasswordLength)
        return NewPasswordVerdict::TooShort;
    return NewPasswordVerdict::Accepted;
}

const char* newPasswordMessage(NewPasswordVerdict verdict) {
    switch (verdict) {
        case NewPasswordVerdict::Mismatch:
            return kMsgPasswordMismatchEntry;
        case NewPasswordVerdict::TooShort:
            return kMsgPasswordTooShort;
        case NewPasswordVerdict::Accepted:
            break;
    }
    return "";
}
