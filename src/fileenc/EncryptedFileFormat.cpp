#include "fileenc/EncryptedFileFormat.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/Win1252.h"
#include "crypto/Blowfish.h"

namespace {

// The keystream for a final partial block: the encipherment of the preceding ciphertext block, or
// of eight zero bytes when the body is shorter than one block.
void partialBlockPad(const BlowfishKey& key, const std::uint8_t* data, std::size_t wholeBytes, std::uint8_t pad[8]) {
    if (wholeBytes >= 8)
        std::memcpy(pad, data + wholeBytes - 8, 8);
    else
        std::memset(pad, 0, 8);
    key.EncryptBlocks(pad, 1);
}

void xorTail(std::uint8_t* tail, std::size_t count, const std::uint8_t pad[8]) {
    for (std::size_t i = 0; i < count; ++i)
        tail[i] ^= pad[i];
}

// Length in bytes of the UTF-8 sequence starting with `lead`, 0 when `lead` cannot start one.
std::size_t utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Byte offsets at which the characters of `text` start, or nothing when it is not valid UTF-8.
std::optional<std::vector<std::size_t>> utf8CharacterStarts(const std::string& text) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t len = utf8SequenceLength(static_cast<unsigned char>(text[i]));
        if (len == 0 || i + len > text.size())
            return std::nullopt;
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return std::nullopt;
        starts.push_back(i);
        i += len;
    }
    return starts;
}

}  // namespace

void encipherFileBody(const BlowfishKey& key, std::uint8_t* data, std::size_t length) {
    const std::size_t whole = length - length % 8;
    key.EncryptAll(data, whole / 8);
    if (whole == length)
        return;
    std::uint8_t pad[8];
    partialBlockPad(key, data, whole, pad);  // uses the ciphertext just written
    xorTail(data + whole, length - whole, pad);
}

void decipherFileBody(const BlowfishKey& key, std::uint8_t* data, std::size_t length) {
    const std::size_t whole = length - length % 8;
    if (whole != length) {
        std::uint8_t pad[8];
        partialBlockPad(key, data, whole, pad);  // before the whole blocks are deciphered
        xorTail(data + whole, length - whole, pad);
    }
    key.DecryptAll(data, whole / 8);
}

void writeEncryptedTrailer(std::uint8_t* out, const Sha1Bytes& digest, const std::string& nameTail) {
    std::memcpy(out, digest.data(), kPasswordDigestLength);
    out += kPasswordDigestLength;
    std::memcpy(out, EncryptedFileMagic.data(), EncryptedFileMagic.size());
    out += EncryptedFileMagic.size();
    std::uint8_t tail[kNameTailLength] = {};
    std::memcpy(tail, nameTail.data(), std::min(nameTail.size(), kNameTailLength));
    std::memcpy(out, tail, kNameTailLength);
    out += kNameTailLength;
    std::memcpy(out, EncryptedFileVersion.data(), EncryptedFileVersion.size());
}

EncryptedTrailer readEncryptedTrailer(const std::uint8_t* trailer) {
    EncryptedTrailer t;
    std::memcpy(t.digest.data(), trailer, kPasswordDigestLength);
    const std::uint8_t* magic = trailer + kPasswordDigestLength;
    t.magicMatches = std::memcmp(magic, EncryptedFileMagic.data(), EncryptedFileMagic.size()) == 0;
    const std::uint8_t* tail = magic + EncryptedFileMagic.size();
    t.nameTail.assign(reinterpret_cast<const char*>(tail), kNameTailLength);
    return t;
}

std::optional<PathTail> splitPathTail(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t cut;
    if (auto starts = utf8CharacterStarts(path)) {
        if (starts->size() < kNameTailLength)
            return std::nullopt;
        cut = (*starts)[starts->size() - kNameTailLength];
    } else {
        if (path.size() < kNameTailLength)
            return std::nullopt;
        cut = path.size() - kNameTailLength;
    }
    // The replaced characters must all belong to the file name, or the new file would land in
    // another folder under a mangled name.
    if (cut < nameStart)
        return std::nullopt;
    return PathTail{path.substr(0, cut), path.substr(cut)};
}

std::optional<EncryptedName> encryptedNameFor(const std::string& sourcePath) {
    auto split = splitPathTail(sourcePath);
    if (!split)
        return std::nullopt;
    // Only the three characters stored matter: a name that is not UTF-8 elsewhere (an old Latin-1
    // name, say) still encrypts when it ends in plain ASCII, which splitPathTail then cut cleanly.
    if (!utf8CharacterStarts(sourcePath)) {
        for (char c : split->tail)
            if (static_cast<unsigned char>(c) >= 0x80)
                return std::nullopt;
    }
    std::string tail;
    if (!utf8ToWin1252(split->tail, tail) || tail.size() != kNameTailLength)
        return std::nullopt;
    return EncryptedName{split->head + "~~~", tail};
}

std::optional<std::string> decryptedPathFor(const std::string& encryptedPath, const std::string& nameTail) {
    if (nameTail.size() != kNameTailLength || nameTail.find('/') != std::string::npos ||
        nameTail.find('\0') != std::string::npos)
        return std::nullopt;
    auto split = splitPathTail(encryptedPath);
    if (!split)
        return std::nullopt;
    // A control character would make a file name that shells and file lists show garbled or not at
    // all: each becomes '_'.
    std::string tail = nameTail;
    for (char& c : tail)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '_';
    return split->head + win1252ToUtf8(tail);
}
