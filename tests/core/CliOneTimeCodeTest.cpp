// quorvane-cli otp-set, totp and show's code line, run as separate processes; the QR codes are drawn
// here with libqrencode and written as PNG (libpng) and JPEG (libjpeg-turbo) images.
#include <gtest/gtest.h>
#include <png.h>
#include <qrencode.h>
#include <turbojpeg.h>

#include <memory>
#include <nlohmann/json.hpp>

#include "TestSupport.h"

namespace {

constexpr const char* kSeed20 = "GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ";  // "12345678901234567890"

std::string noteOf(const std::string& doc, const std::string& password = "") {
    CliRun dump = runCli({"dump", doc}, password);
    EXPECT_EQ(dump.status, 0) << dump.err;
    return nlohmann::json::parse(dump.out, nullptr, false)["cards"][0]["note"].get<std::string>();
}

// A document with one WWW Sites card "Example" whose note is "PIN 1234".
std::string documentWithCard(const TempDir& dir, const std::string& name = "cards.qvf",
                             const std::string& password = "") {
    const std::string doc = dir.file(name);
    CliRun add = runCli({"add", doc, "--category", "WWW Sites", "--name", "Example", "--note", "PIN 1234"}, password);
    EXPECT_EQ(add.status, 0) << add.err;
    return doc;
}

CliRun otpSet(const std::string& doc, const std::string& flag, const std::string& value,
              const std::string& input = "") {
    return runCli({"otp-set", doc, "--category", "WWW Sites", "--card", "Example", flag, value}, input);
}

CliRun totpAt(const std::string& doc, const std::string& at, const std::string& input = "") {
    return runCli({"totp", doc, "--category", "www sites", "--position", "1", "--at", at}, input);
}

// A QR code of `text`, four pixels a module with a quiet zone of four modules, as grey levels.
struct Picture {
    int size = 0;
    std::vector<unsigned char> grey;
};
Picture qrPicture(const std::string& text) {
    std::unique_ptr<QRcode, void (*)(QRcode*)> qr(QRcode_encodeString(text.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1),
                                                  QRcode_free);
    EXPECT_TRUE(qr);
    const int scale = 4, margin = 4 * scale;
    Picture picture;
    picture.size = qr->width * scale + 2 * margin;
    picture.grey.assign(static_cast<std::size_t>(picture.size * picture.size), 255);
    for (int y = 0; y < qr->width * scale; ++y)
        for (int x = 0; x < qr->width * scale; ++x)
            if (qr->data[(y / scale) * qr->width + x / scale] & 1)
                picture.grey[static_cast<std::size_t>((y + margin) * picture.size + x + margin)] = 0;
    return picture;
}

void writePng(const std::string& path, const Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.size);
    image.height = static_cast<png_uint_32>(picture.size);
    image.format = PNG_FORMAT_GRAY;
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, picture.grey.data(), 0, nullptr)) << image.message;
}

void writeJpeg(const std::string& path, const Picture& picture) {
    std::unique_ptr<void, int (*)(tjhandle)> handle(tjInitCompress(), tjDestroy);
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    ASSERT_EQ(tjCompress2(handle.get(), picture.grey.data(), picture.size, 0, picture.size, TJPF_GRAY, &jpeg, &size,
                          TJSAMP_GRAY, 90, 0),
              0);
    writeData(path, Data(jpeg, jpeg + size));
    tjFree(jpeg);
}

TEST(CliOneTimeCode, SetsASetupAndGivesItsCodes) {
    TempDir dir;
    const std::string doc = documentWithCard(dir);
    // Pasted as it comes: lower case, blanks, a %-encoded label. The note keeps it in plain form.
    CliRun set =
        otpSet(doc, "--uri", "otpauth://totp/ACME%20Co%3Abob?secret=gezd gnbv gy3t qojq gezd gnbv gy3t qojq&period=60");
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.err, "One-time code set up for WWW Sites card \"Example\".\n");
    EXPECT_EQ(noteOf(doc), "PIN 1234\r\notpauth://totp/ACME%20Co:bob?secret=" + std::string(kSeed20) +
                               "&issuer=ACME%20Co&period=60");
    // Codes worked out independently (HMAC-SHA1 of step 1234567890 / 60).
    CliRun code = totpAt(doc, "1234567890");
    EXPECT_EQ(code.status, 0) << code.err;
    EXPECT_EQ(code.out, "713351\n");
    EXPECT_EQ(code.err, "30 s left\n");

    // A second setup replaces the first on its line; the rest of the note stays.
    struct Row {
        std::string uri, at, code, left;
    };
    const Row rows[] = {
        // RFC 6238's SHA512 vector, and a SHA256 code of seven digits worked out independently.
        {"otpauth://totp/x?secret=GEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQGEZDGNBVGY3TQOJQ"
         "GEZDGNBVGY3TQOJQGEZDGNA=&digits=8&algorithm=SHA512",
         "59", "90693936\n", "1 s left\n"},
        {std::string("otpauth://totp/x?secret=") + kSeed20 + "&digits=7&algorithm=SHA256&period=60", "1700000000",
         "4855935\n", "40 s left\n"},
        {std::string("otpauth://totp/Steam:me?secret=") + kSeed20 + "&encoder=steam", "59", "PV9M4\n", "1 s left\n"},
        {std::string("otpauth://hotp/x?secret=") + kSeed20 + "&counter=5", "0", "254676\n",
         "From counter 5 (the counter is not advanced).\n"},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(otpSet(doc, "--uri", row.uri).status, 0) << row.uri;
        const std::string note = noteOf(doc);
        EXPECT_EQ(note.rfind("PIN 1234\r\notpauth://", 0), 0u) << note;
        EXPECT_EQ(note.find("\r\n", 10), std::string::npos) << note;  // one setup line, never two
        CliRun run = totpAt(doc, row.at);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, row.code) << row.uri;
        EXPECT_EQ(run.err, row.left) << row.uri;
    }
}

TEST(CliOneTimeCode, ShowGivesTheCodeInsteadOfTheSetup) {
    TempDir dir;
    const std::string doc = documentWithCard(dir);
    ASSERT_EQ(otpSet(doc, "--uri", std::string("otpauth://totp/x?secret=") + kSeed20).status, 0);
    CliRun shown = runCli({"show", doc, "--category", "WWW Sites", "--card", "Example"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out.find(kSeed20), std::string::npos) << shown.out;
    const std::string head = "Note:\nPIN 1234\nOne-time code: ";
    const std::size_t note = shown.out.find(head);
    ASSERT_NE(note, std::string::npos) << shown.out;
    // Six digits, then the seconds left.
    const std::string line = shown.out.substr(note + head.size());
    EXPECT_EQ(line.find_first_not_of("0123456789"), 6u) << line;
    EXPECT_NE(line.find(" s)\n"), std::string::npos) << line;

    CliRun revealed = runCli({"show", doc, "--category", "WWW Sites", "--card", "Example", "--reveal"});
    EXPECT_NE(revealed.out.find("PIN 1234\notpauth://totp/x?secret=" + std::string(kSeed20) + "\nOne-time code: "),
              std::string::npos)
        << revealed.out;
}

TEST(CliOneTimeCode, RefusesWhatCannotGiveACodeAndChangesNothing) {
    TempDir dir;
    const std::string doc = documentWithCard(dir);
    const Data before = readData(doc);

    CliRun none = totpAt(doc, "59");
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err,
              "WWW Sites card \"Example\" has no one-time code setup (an otpauth:// line in its note); "
              "otp-set gives it one.\n");

    const std::string notPng = dir.file("not-an-image.png");
    writeData(notPng, Data{'h', 'e', 'l', 'l', 'o'});
    const std::string blank = dir.file("blank.png");
    writePng(blank, Picture{64, std::vector<unsigned char>(64 * 64, 255)});
    const std::string wrongQr = dir.file("wrong.png");
    writePng(wrongQr, qrPicture("https://example.com/"));
    const std::string cutPng = dir.file("cut.png");
    writePng(cutPng, qrPicture("otpauth://totp/x?secret=JBSWY3DPEHPK3PXP"));
    Data cut = readData(cutPng);
    cut.resize(cut.size() / 2);
    writeData(cutPng, cut);

    // Pictures too large to decode are refused from their headers: a PNG of 100000 by 100000 pixels
    // (its chunks' CRCs worked out with zlib), and a small JPEG whose frame header says 16384 by 16384.
    const std::string hugePng = dir.file("huge.png");
    writeData(hugePng,
              Data{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00,
                   0x01, 0x86, 0xA0, 0x00, 0x01, 0x86, 0xA0, 0x08, 0x00, 0x00, 0x00, 0x00, 0x8D, 0x39, 0x54, 0x14, 0x00,
                   0x00, 0x00, 0x08, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01, 0x48, 0x06,
                   0x89, 0xD2, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82});
    const std::string hugeJpeg = dir.file("huge.jpg");
    writeJpeg(hugeJpeg, Picture{16, std::vector<unsigned char>(16 * 16, 255)});
    Data jpeg = readData(hugeJpeg);
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0)  // the frame header: length, precision, height, width
            for (std::size_t at : {i + 5, i + 7}) {
                jpeg[at] = 0x40;  // 16384
                jpeg[at + 1] = 0x00;
            }
    writeData(hugeJpeg, jpeg);
    const std::string tooMany = " a QR code is read from pictures of at most 50 million pixels. Nothing was changed.\n";

    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{"--uri", "otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&digits=9"},
         "A code of \"9\" digits cannot be made: codes have 6 to 8 digits (Steam's have 5 characters, with "
         "encoder=steam). Nothing was changed.\n"},
        {{"--uri", "otpauth://hotp/x?secret=JBSWY3DPEHPK3PXP"},
         "A counter-based setup (otpauth://hotp/...) needs its counter, as in counter=0. Nothing was changed.\n"},
        {{}, "Give the setup with --uri TEXT or --qr IMAGE.\n"},
        {{"--qr", notPng}, notPng + " is neither a PNG nor a JPEG image. Nothing was changed.\n"},
        {{"--qr", blank}, "No QR code was found in " + blank + ". Nothing was changed.\n"},
        {{"--qr", wrongQr},
         "A one-time code setup is an address that starts with otpauth://, as in "
         "otpauth://totp/Example:alice?secret=JBSWY3DPEHPK3PXP. Nothing was changed.\n"},
        {{"--qr", hugePng}, hugePng + " is a picture of 100000 by 100000 pixels;" + tooMany},
        {{"--qr", hugeJpeg}, hugeJpeg + " is a picture of 16384 by 16384 pixels;" + tooMany},
        {{"--qr", dir.file("missing.png")}, "Cannot read " + dir.file("missing.png") + ". Nothing was changed.\n"},
    };
    for (const auto& [source, message] : rows) {
        std::vector<std::string> args = {"otp-set", doc, "--category", "WWW Sites", "--card", "Example"};
        args.insert(args.end(), source.begin(), source.end());
        CliRun run = runCli(args);
        EXPECT_EQ(run.status, 1) << message;
        EXPECT_EQ(run.err, message);
    }
    CliRun truncated = otpSet(doc, "--qr", cutPng);
    EXPECT_EQ(truncated.status, 1);
    EXPECT_EQ(truncated.err.rfind(cutPng + " cannot be read as a PNG image: ", 0), 0u) << truncated.err;
    EXPECT_EQ(readData(doc), before);

    // A setup line that cannot give a code says why when asked for a code.
    ASSERT_EQ(runCli({"edit", doc, "--category", "WWW Sites", "--card", "Example", "--note",
                      "otpauth://totp/x?secret=JBSWY3DPEHPK3PXP&period=0"})
                  .status,
              0);
    CliRun broken = totpAt(doc, "59");
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.err,
              "The one-time code setup of card \"Example\" cannot give a code: The period \"0\" is not a "
              "number of seconds of at least 1, so codes cannot follow the clock.\n");
}

TEST(CliOneTimeCode, ReadsTheSetupFromAQrCodeInAnEncryptedDocument) {
    TempDir dir;
    const std::string password = "longenough1\n";
    const std::string doc = documentWithCard(dir, "cards.qve", password);
    const std::string uri = std::string("otpauth://totp/Example:bob?secret=") + kSeed20 + "&issuer=Example&digits=8";
    const std::string png = dir.file("code.png"), jpeg = dir.file("code.jpg");
    writePng(png, qrPicture(uri));
    writeJpeg(jpeg, qrPicture(std::string("otpauth://totp/x?secret=") + kSeed20 + "&algorithm=SHA1&period=60"));

    CliRun set = otpSet(doc, "--qr", png, password);
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(noteOf(doc, password), "PIN 1234\r\n" + uri);
    CliRun code = totpAt(doc, "1111111109", password);
    EXPECT_EQ(code.out, "07081804\n") << code.err;

    ASSERT_EQ(otpSet(doc, "--qr", jpeg, password).status, 0);
    EXPECT_EQ(totpAt(doc, "1234567890", password).out, "713351\n");
    EXPECT_EQ(otpSet(doc, "--qr", jpeg, "wrong-password\n").status, 1);
}

}  // namespace
