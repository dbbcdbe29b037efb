// info: what a card document or ~~~ file is, in which form, and the costs of its key, read from its
// header alone (no password is asked for).
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "cardstore/CardFile.h"
#include "cardstore/StrongBody.h"
#include "cli/Commands.h"
#include "common/ByteIO.h"
#include "common/SafeFile.h"
#include "common/Win1252.h"
#include "fileenc/EncryptedFileFormat.h"
#include "fileenc/StrongFileFormat.h"

namespace {

std::string hex(const std::uint8_t* data, std::size_t size) {
    std::string out;
    char two[3];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(two, sizeof two, "%02x", data[i]);
        out += two;
    }
    return out;
}

constexpr const char* kOldFormText = "old (Blowfish keyed with the password, no salt, no authentication)";

void printCost(const KdfCost& cost, const Salt& salt) {
    std::cout << "key derivation: Argon2id v1.3, 1 lane\n"
              << "passes: " << cost.passes << '\n'
              << "memory: " << cost.memoryKiB << " KiB (" << cost.memoryKiB / 1024 << " MiB)\n"
              << "salt: " << hex(salt.data(), salt.size()) << '\n';
}

// The file's first `size` bytes (at most the buffer) and its length; false after saying why not.
bool readHead(const std::string& path, std::uint8_t* head, std::size_t& size, std::uint64_t& length) {
    ReadableFile file;
    std::string error;
    if (!file.open(path, &error)) {
        std::cerr << error << '\n';
        return false;
    }
    auto got = file.read(head, size, &error);
    if (!got) {
        std::cerr << error << '\n';
        return false;
    }
    size = *got;
    length = file.size();
    return true;
}

int cardDocumentInfo(const std::uint8_t* head, std::size_t size, std::uint64_t length) {
    std::cout << "type: card document\n";
    if (size >= 21) {
        const std::string version(reinterpret_cast<const char*>(head) + 9, 12);
        if (version == "Version1.001" || version == "Version1.002") {
            const bool enciphered = std::memcmp(head, "ENCRYPTED", 9) == 0;
            std::cout << "format: " << version.substr(7) << " (read only; saved in the current format)\n"
                      << "form: " << (enciphered ? kOldFormText : "plain (not encrypted)") << '\n';
            return 0;
        }
    }
    std::cout << "format: current\n";
    const std::uint8_t kind = head[12];
    std::cout << "body kind: " << unsigned(kind) << '\n';
    if (kind == 0) {
        std::cout << "form: plain (not encrypted)\n";
        return 0;
    }
    if (kind == 1) {
        std::cout << "form: " << kOldFormText << '\n';
        return 0;
    }
    if (kind != kBodyStrong) {
        std::cerr << "The body kind " << unsigned(kind) << " is not known.\n";
        return 1;
    }
    std::cout << "form: strong (Argon2id, XChaCha20-Poly1305)\n";
    StrongHeader header;
    // The header alone is read; the length says whether the file could hold its body.
    const StrongHeaderVerdict verdict =
        size >= kStrongHeaderSize ? readStrongHeader(head, static_cast<std::size_t>(length), header)
                                  : StrongHeaderVerdict::Damaged;
    if (verdict == StrongHeaderVerdict::Damaged || verdict == StrongHeaderVerdict::UnknownVersion ||
        verdict == StrongHeaderVerdict::UnknownKdf) {
        std::cerr << strongHeaderMessage(verdict, head, header, "The document") << '\n';
        return 1;
    }
    std::cout << "version: " << unsigned(head[kStrongVersionOffset]) << '\n';
    printCost(header.cost, header.salt);
    if (verdict == StrongHeaderVerdict::CostRefused) {
        std::cerr << strongHeaderMessage(verdict, head, header, "The document") << '\n';
        return 1;
    }
    return 0;
}

int encryptedFileInfo(const std::string& path, const std::uint8_t* head, std::size_t size, std::uint64_t length) {
    std::cout << "type: encrypted file\n";
    if (size >= kStrongFileMagic.size() && std::memcmp(head, kStrongFileMagic.data(), kStrongFileMagic.size()) == 0 &&
        size >= kStrongFileHeaderSize) {
        std::cout << "form: strong (Argon2id, XChaCha20-Poly1305 secretstream)\n";
        StrongFileHeader header;
        std::uint64_t plain = 0;
        const StrongFileVerdict verdict = readStrongFileHeader(head, length, header, plain);
        if (verdict == StrongFileVerdict::Damaged || verdict == StrongFileVerdict::UnknownVersion ||
            verdict == StrongFileVerdict::UnknownKdf) {
            std::cerr << strongFileMessage(verdict, head, header, fileNameOf(path)) << '\n';
            return 1;
        }
        std::cout << "version: " << unsigned(head[kStrongFileVersionOffset]) << '\n';
        printCost(header.cost, header.salt);
        std::cout << "chunk: " << header.chunkBytes << " bytes\n"
                  << "name tail: " << win1252ToUtf8(header.nameTail) << '\n';
        if (verdict != StrongFileVerdict::Readable) {
            std::cerr << strongFileMessage(verdict, head, header, fileNameOf(path)) << '\n';
            return 1;
        }
        std::cout << "contents: " << plain << " bytes\n";
        return 0;
    }
    // The old form keeps everything it has in its 52-byte trailer.
    ReadableFile file;
    std::string error;
    std::uint8_t trailer[kEncryptedTrailerLength];
    if (length < kEncryptedTrailerLength || !file.open(path, &error)) {
        std::cerr << path << " is not an encrypted file.\n";
        return 1;
    }
    if (::pread(file.fd(), trailer, sizeof trailer, static_cast<off_t>(length - kEncryptedTrailerLength)) !=
        static_cast<ssize_t>(sizeof trailer)) {
        std::cerr << "Cannot read " << path << ".\n";
        return 1;
    }
    const EncryptedTrailer parsed = readEncryptedTrailer(trailer);
    std::cout << "form: " << kOldFormText << '\n'
              << "name tail: " << win1252ToUtf8(parsed.nameTail) << '\n'
              << "contents: " << length - kEncryptedTrailerLength << " bytes\n";
    return 0;
}

}  // namespace

int cmdInfo(const FileOptions& options) {
    const std::string& path = options.path;
    std::uint8_t head[kStrongFileHeaderSize > kStrongHeaderSize ? kStrongFileHeaderSize : kStrongHeaderSize] = {};
    std::size_t size = sizeof head;
    std::uint64_t length = 0;
    if (!readHead(path, head, size, length)) return 1;
    std::cout << "file: " << path << '\n' << "size: " << length << " bytes\n";
    const bool tildes = path.size() >= 3 && path.compare(path.size() - 3, 3, "~~~") == 0;
    const bool strongMagic =
        size >= kStrongFileMagic.size() && std::memcmp(head, kStrongFileMagic.data(), kStrongFileMagic.size()) == 0;
    if (tildes || strongMagic) return encryptedFileInfo(path, head, size, length);
    if (size == 0) {
        std::cerr << path << " is empty.\n";
        return 1;
    }
    const bool oldVersion = size >= 21 && (std::memcmp(head + 9, "Version1.001", 12) == 0 ||
                                           std::memcmp(head + 9, "Version1.002", 12) == 0);
    if (!oldVersion && (size < kDocumentHeaderSize || std::memcmp(head + 14, "nVrQ", 4) != 0)) {
        std::cerr << path << " is neither a card document nor an encrypted file.\n";
        return 1;
    }
    return cardDocumentInfo(head, size, length);
}
