#pragma once
// QR codes in the window: reading the texts of the codes in a picture (libzbar, on the picture's grey
// levels) and drawing a text as a code (libqrencode). The command line reads its image files with a
// reader of its own, having no Qt to decode them.

#include <QImage>
#include <QString>
#include <QStringList>
#include <optional>

/// The texts of the QR codes found in `image` (UTF-8 as the codes hold them), in the order found.
QStringList readQrCodes(const QImage& image);

/// The first of `texts` that is a one-time code setup (starts with "otpauth", any case), else the first.
std::optional<QString> preferredSetupText(const QStringList& texts);

/// The QR code of `text` as a black-on-white picture, `moduleSize` pixels a module, with the quiet
/// zone of four modules around it; a null image when the text is too long for a code.
QImage drawQrCode(const QByteArray& text, int moduleSize);

/// The setup address in the image file at `path` (PNG or JPEG); nothing after putting in `error` why
/// there is none. The file and the picture are bounded before the picture is decoded.
std::optional<QString> readQrFile(const QString& path, QString& error);

/// The setup address on any of the screens; nothing after putting in `error` why there is none.
std::optional<QString> readQrScreens(QString& error);
