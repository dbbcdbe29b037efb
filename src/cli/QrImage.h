#pragma once
// Reading the text of a QR code from a PNG or JPEG image, for otp-set --qr. The images are decoded
// with libpng and libjpeg-turbo into grey levels, and the code is found by libzbar.

#include <optional>
#include <string>

/// The text of the first QR code in the image at `path` that starts with `preferredHead` (any case),
/// else of the first QR code in it; nothing after putting in `error` why there is none.
std::optional<std::string> readQrText(const std::string& path, const std::string& preferredHead, std::string& error);
