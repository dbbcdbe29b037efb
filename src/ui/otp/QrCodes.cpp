#include "ui/otp/QrCodes.h"

#include <qrencode.h>
#include <zbar.h>

#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <memory>

namespace {

constexpr qint64 kMaxFileBytes = 64LL << 20;
constexpr qint64 kMaxPixels = 50'000'000;  // a 7000 by 7000 picture: more than any photo of a code needs

}  // namespace

QStringList readQrCodes(const QImage& image) {
    QStringList texts;
    if (image.isNull()) {
        return texts;
    }
    // zbar reads one byte a pixel, rows packed without padding; transparent parts read as paper.
    QImage paper(image.size(), QImage::Format_RGB32);
    paper.fill(Qt::white);
    {
        QPainter painter(&paper);
        painter.drawImage(0, 0, image);
    }
    const QImage grey = paper.convertToFormat(QImage::Format_Grayscale8);
    const auto width = static_cast<unsigned>(grey.width());
    const auto height = static_cast<unsigned>(grey.height());
    QByteArray pixels;
    pixels.reserve(static_cast<qsizetype>(width) * height);
    for (unsigned y = 0; y < height; ++y) {
        pixels.append(reinterpret_cast<const char*>(grey.constScanLine(static_cast<int>(y))), width);
    }

    std::unique_ptr<zbar::zbar_image_scanner_t, void (*)(zbar::zbar_image_scanner_t*)> scanner(
        zbar::zbar_image_scanner_create(), zbar::zbar_image_scanner_destroy);
    std::unique_ptr<zbar::zbar_image_t, void (*)(zbar::zbar_image_t*)> picture(zbar::zbar_image_create(),
                                                                               zbar::zbar_image_destroy);
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 0);
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_ENABLE, 1);
    zbar::zbar_image_set_format(picture.get(), zbar_fourcc('Y', '8', '0', '0'));
    zbar::zbar_image_set_size(picture.get(), width, height);
    zbar::zbar_image_set_data(picture.get(), pixels.constData(), static_cast<unsigned long>(pixels.size()), nullptr);
    if (zbar::zbar_scan_image(scanner.get(), picture.get()) <= 0) {
        return texts;
    }
    for (const zbar::zbar_symbol_t* symbol = zbar::zbar_image_first_symbol(picture.get()); symbol;
         symbol = zbar::zbar_symbol_next(symbol)) {
        texts << QString::fromUtf8(zbar::zbar_symbol_get_data(symbol),
                                   static_cast<qsizetype>(zbar::zbar_symbol_get_data_length(symbol)));
    }
    return texts;
}

std::optional<QString> preferredSetupText(const QStringList& texts) {
    for (const QString& text : texts) {
        if (text.trimmed().startsWith(QLatin1String("otpauth"), Qt::CaseInsensitive)) {
            return text.trimmed();
        }
    }
    if (texts.isEmpty()) {
        return std::nullopt;
    }
    return texts.first().trimmed();
}

QImage drawQrCode(const QByteArray& text, int moduleSize) {
    std::unique_ptr<QRcode, void (*)(QRcode*)> code(
        QRcode_encodeData(static_cast<int>(text.size()), reinterpret_cast<const unsigned char*>(text.constData()), 0,
                          QR_ECLEVEL_M),
        QRcode_free);
    if (!code || moduleSize < 1) {
        return {};
    }
    constexpr int kQuiet = 4;
    const int side = (code->width + 2 * kQuiet) * moduleSize;
    QImage image(side, side, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter painter(&image);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            if (code->data[y * code->width + x] & 1) {  // the low bit marks a dark module
                painter.fillRect((x + kQuiet) * moduleSize, (y + kQuiet) * moduleSize, moduleSize, moduleSize,
                                 Qt::black);
            }
        }
    }
    return image;
}

std::optional<QString> readQrFile(const QString& path, QString& error) {
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        error = QStringLiteral("Cannot read %1.").arg(path);
        return std::nullopt;
    }
    if (info.size() > kMaxFileBytes) {
        error = QStringLiteral("%1 is larger than %2 MiB; a QR code is read from smaller images.")
                    .arg(path)
                    .arg(kMaxFileBytes >> 20);
        return std::nullopt;
    }
    QImageReader reader(path);
    const QByteArray format = reader.format();
    if (format != "png" && format != "jpeg") {
        error = QStringLiteral("%1 is neither a PNG nor a JPEG image.").arg(path);
        return std::nullopt;
    }
    const QSize size = reader.size();
    if (!size.isValid() || static_cast<qint64>(size.width()) * size.height() > kMaxPixels) {
        error = QStringLiteral(
                    "%1 is a picture of %2 by %3 pixels; a QR code is read from pictures of at most %4 "
                    "million pixels.")
                    .arg(path)
                    .arg(size.width())
                    .arg(size.height())
                    .arg(kMaxPixels / 1'000'000);
        return std::nullopt;
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        error = QStringLiteral("%1 cannot be read as an image: %2.").arg(path, reader.errorString());
        return std::nullopt;
    }
    if (std::optional<QString> text = preferredSetupText(readQrCodes(image))) {
        return text;
    }
    error = QStringLiteral("No QR code was found in %1.").arg(path);
    return std::nullopt;
}

std::optional<QString> readQrScreens(QString& error) {
    QStringList texts;
    for (QScreen* screen : QGuiApplication::screens()) {
        texts << readQrCodes(screen->grabWindow(0).toImage());
    }
    if (std::optional<QString> text = preferredSetupText(texts)) {
        return text;
    }
    error = QStringLiteral(
        "No QR code was found on the screen. Show the site's code where it can be seen whole, "
        "not covered by this window, and read it again.");
    return std::nullopt;
}
