// PNG and JPEG images as grey levels for libzbar. The file and the picture are bounded before
// anything is decoded, so a hostile image costs neither minutes nor gigabytes.
#include "cli/QrImage.h"

#include <png.h>
#include <turbojpeg.h>
#include <zbar.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace {

constexpr std::uintmax_t kMaxFileBytes = 64u << 20;
constexpr std::uint64_t kMaxPixels = 50'000'000;  // a 7000 by 7000 picture: more than any photo of a code needs

struct GreyImage {
    unsigned width = 0, height = 0;
    std::vector<unsigned char> pixels;  // one byte a pixel, rows top to bottom
};

// A library's message as the end of a sentence.
std::string sentence(std::string message) {
    if (message.empty() || message.back() != '.')
        message += '.';
    return message;
}

bool tooLarge(std::uint64_t width, std::uint64_t height, const std::string& path, std::string& error) {
    if (width == 0 || height == 0 || width * height > kMaxPixels) {
        error = path + " is a picture of " + std::to_string(width) + " by " + std::to_string(height) +
                " pixels; a QR code is read from pictures of at most " + std::to_string(kMaxPixels / 1'000'000) +
                " million pixels.";
        return true;
    }
    return false;
}

std::optional<GreyImage> decodePng(const std::vector<unsigned char>& bytes, const std::string& path,
                                   std::string& error) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        error = path + " cannot be read as a PNG image: " + sentence(image.message);
        return std::nullopt;
    }
    std::unique_ptr<png_image, void (*)(png_image*)> release(&image, png_image_free);
    if (tooLarge(image.width, image.height, path, error))
        return std::nullopt;
    image.format = PNG_FORMAT_GRAY;
    GreyImage grey{image.width, image.height, std::vector<unsigned char>(PNG_IMAGE_SIZE(image))};
    const png_color white{255, 255, 255};  // transparent parts read as paper, not ink
    if (!png_image_finish_read(&image, &white, grey.pixels.data(), 0, nullptr)) {
        error = path + " cannot be read as a PNG image: " + sentence(image.message);
        return std::nullopt;
    }
    return grey;
}

std::optional<GreyImage> decodeJpeg(const std::vector<unsigned char>& bytes, const std::string& path,
                                    std::string& error) {
    std::unique_ptr<void, int (*)(tjhandle)> handle(tjInitDecompress(), tjDestroy);
    int width = 0, height = 0, subsampling = 0, colours = 0;
    if (!handle || tjDecompressHeader3(handle.get(), bytes.data(), static_cast<unsigned long>(bytes.size()), &width,
                                       &height, &subsampling, &colours) != 0) {
        error = path + " cannot be read as a JPEG image: " + sentence(tjGetErrorStr2(handle.get()));
        return std::nullopt;
    }
    if (width <= 0 || height <= 0 ||
        tooLarge(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height), path, error))
        return std::nullopt;
    GreyImage grey{static_cast<unsigned>(width), static_cast<unsigned>(height),
                   std::vector<unsigned char>(static_cast<std::size_t>(width) * static_cast<std::size_t>(height))};
    // A warning (such as data cut short) still leaves a picture that may hold a readable code.
    if (tjDecompress2(handle.get(), bytes.data(), static_cast<unsigned long>(bytes.size()), grey.pixels.data(), width,
                      0, height, TJPF_GRAY, 0) != 0 &&
        tjGetErrorCode(handle.get()) != TJERR_WARNING) {
        error = path + " cannot be read as a JPEG image: " + sentence(tjGetErrorStr2(handle.get()));
        return std::nullopt;
    }
    return grey;
}

bool startsWithIgnoringCase(const std::string& text, const std::string& head) {
    return text.size() >= head.size() && std::equal(head.begin(), head.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

}  // namespace

std::optional<std::string> readQrText(const std::string& path, const std::string& preferredHead, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "Cannot read " + path + ".";
        return std::nullopt;
    }
    std::vector<unsigned char> bytes;
    char chunk[65536];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
        bytes.insert(bytes.end(), chunk, chunk + file.gcount());
        if (bytes.size() > kMaxFileBytes) {
            error = path + " is larger than " + std::to_string(kMaxFileBytes >> 20) +
                    " MiB; a QR code is read from smaller images.";
            return std::nullopt;
        }
    }
    if (file.bad()) {
        error = "Cannot read " + path + ".";
        return std::nullopt;
    }

    static const unsigned char kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    static const unsigned char kJpeg[] = {0xFF, 0xD8, 0xFF};
    std::optional<GreyImage> image;
    if (bytes.size() >= sizeof kPng && std::equal(std::begin(kPng), std::end(kPng), bytes.begin()))
        image = decodePng(bytes, path, error);
    else if (bytes.size() >= sizeof kJpeg && std::equal(std::begin(kJpeg), std::end(kJpeg), bytes.begin()))
        image = decodeJpeg(bytes, path, error);
    else
        error = path + " is neither a PNG nor a JPEG image.";
    if (!image)
        return std::nullopt;

    std::unique_ptr<zbar::zbar_image_scanner_t, void (*)(zbar::zbar_image_scanner_t*)> scanner(
        zbar::zbar_image_scanner_create(), zbar::zbar_image_scanner_destroy);
    std::unique_ptr<zbar::zbar_image_t, void (*)(zbar::zbar_image_t*)> picture(zbar::zbar_image_create(),
                                                                               zbar::zbar_image_destroy);
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 0);
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_ENABLE, 1);
    zbar::zbar_image_set_format(picture.get(), zbar_fourcc('Y', '8', '0', '0'));
    zbar::zbar_image_set_size(picture.get(), image->width, image->height);
    zbar::zbar_image_set_data(picture.get(), image->pixels.data(), image->pixels.size(), nullptr);
    if (zbar::zbar_scan_image(scanner.get(), picture.get()) <= 0) {
        error = "No QR code was found in " + path + ".";
        return std::nullopt;
    }
    std::optional<std::string> first;
    for (const zbar::zbar_symbol_t* symbol = zbar::zbar_image_first_symbol(picture.get()); symbol;
         symbol = zbar::zbar_symbol_next(symbol)) {
        std::string text(zbar::zbar_symbol_get_data(symbol), zbar::zbar_symbol_get_data_length(symbol));
        if (startsWithIgnoringCase(text, preferredHead))
            return text;
        if (!first)
            first = std::move(text);
    }
    if (!first)
        error = "No QR code was found in " + path + ".";
    return first;
}
