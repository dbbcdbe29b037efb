#include "fileenc/StrongFileFormat.h"

#include <algorithm>
#include <cstring>

#include "common/ByteIO.h"

namespace {

// The source length of a stream of `bodyLength` bytes in chunks of `chunkBytes`, or nothing when no
// such stream has that length (every chunk but the last is whole; the last holds its overhead at least).
std::optional<std::uint64_t> plainLengthOf(std::uint64_t bodyLength, std::uint32_t chunkBytes) {
    const std::uint64_t sealedChunk = std::uint64_t{chunkBytes} + SecretStream::kChunkOverhead;
    if (bodyLength < SecretStream::kChunkOverhead)
        return std::nullopt;
    const std::uint64_t chunks = (bodyLength + sealedChunk - 1) / sealedChunk;
    const std::uint64_t last = bodyLength - (chunks - 1) * sealedChunk;
    if (last < SecretStream::kChunkOverhead)
        return std::nullopt;
    return bodyLength - chunks * SecretStream::kChunkOverhead;
}

}  // namespace

bool isStrongEncryptedFile(const std::uint8_t* head, std::size_t headSize, std::uint64_t length) {
    if (headSize < kStrongFileHeaderSize || length < kStrongFileHeaderSize + SecretStream::kChunkOverhead)
        return false;
    if (std::memcmp(head, kStrongFileMagic.data(), kStrongFileMagic.size()) != 0)
        return false;
    if (head[kStrongFileVersionOffset] != kStrongFileVersion)
        return true;  // a later form: still ours, refused with its own message
    const HeaderDigest digest = headerDigest(head, kStrongFileDigestOffset);
    return std::memcmp(digest.data(), head + kStrongFileDigestOffset, digest.size()) == 0;
}

StrongFileVerdict readStrongFileHeader(const std::uint8_t* header, std::uint64_t fileLength, StrongFileHeader& out,
                                       std::uint64_t& plainLength) {
    if (fileLength < kStrongFileHeaderSize + SecretStream::kChunkOverhead ||
        std::memcmp(header, kStrongFileMagic.data(), kStrongFileMagic.size()) != 0)
        return StrongFileVerdict::Damaged;
    if (header[kStrongFileVersionOffset] != kStrongFileVersion)
        return StrongFileVerdict::UnknownVersion;
    const HeaderDigest digest = headerDigest(header, kStrongFileDigestOffset);
    if (std::memcmp(digest.data(), header + kStrongFileDigestOffset, digest.size()) != 0)
        return StrongFileVerdict::Damaged;
    if (header[kStrongFileKdfOffset] != kKdfArgon2id13)
        return StrongFileVerdict::UnknownKdf;
    out.cost = {readLE32(header + kStrongFilePassesOffset), readLE32(header + kStrongFileMemoryOffset)};
    out.chunkBytes = readLE32(header + kStrongFileChunkOffset);
    std::memcpy(out.salt.data(), header + kStrongFileSaltOffset, out.salt.size());
    out.nameTail.assign(reinterpret_cast<const char*>(header + kStrongFileNameTailOffset), 3);
    std::memcpy(out.stream.data(), header + kStrongFileStreamOffset, out.stream.size());
    if (!kdfCostProblem(out.cost).empty())
        return StrongFileVerdict::CostRefused;
    if (out.chunkBytes < kMinStrongChunkBytes || out.chunkBytes > kMaxStrongChunkBytes)
        return StrongFileVerdict::ChunkRefused;
    auto plain = plainLengthOf(fileLength - kStrongFileHeaderSize, out.chunkBytes);
    if (!plain)
        return StrongFileVerdict::Damaged;  // cut short inside a chunk's overhead, or grown
    plainLength = *plain;
    return StrongFileVerdict::Readable;
}

std::string strongFileMessage(StrongFileVerdict verdict, const std::uint8_t* header, const StrongFileHeader& parsed,
                              const std::string& fileName) {
    switch (verdict) {
        case StrongFileVerdict::UnknownVersion:
            return unknownStrongFormMessage(fileName, "version", header[kStrongFileVersionOffset]);
        case StrongFileVerdict::UnknownKdf:
            return unknownStrongFormMessage(fileName, "key derivation", header[kStrongFileKdfOffset]);
        case StrongFileVerdict::CostRefused:
            return refusedCostMessage(fileName, kdfCostProblem(parsed.cost));
        case StrongFileVerdict::ChunkRefused:
            return refusedCostMessage(fileName, "asks for chunks of " + std::to_string(parsed.chunkBytes) +
                                                    " bytes; at most " + std::to_string(kMaxStrongChunkBytes) +
                                                    " bytes are allowed");
        case StrongFileVerdict::Damaged:
        case StrongFileVerdict::Readable:
            break;
    }
    return damagedFileMessage(fileName);
}

void writeStrongFileHeader(std::uint8_t* out, const PasswordKey& key, std::uint32_t chunkBytes,
                           const std::string& nameTail, const SecretStream::Header& stream) {
    std::memset(out, 0, kStrongFileHeaderSize);
    std::memcpy(out, kStrongFileMagic.data(), kStrongFileMagic.size());
    out[kStrongFileVersionOffset] = kStrongFileVersion;
    out[kStrongFileKdfOffset] = kKdfArgon2id13;
    writeLE32(out + kStrongFilePassesOffset, key.cost().passes);
    writeLE32(out + kStrongFileMemoryOffset, key.cost().memoryKiB);
    writeLE32(out + kStrongFileChunkOffset, chunkBytes);
    std::memcpy(out + kStrongFileSaltOffset, key.salt().data(), kSaltBytes);
    std::memcpy(out + kStrongFileNameTailOffset, nameTail.data(), std::min<std::size_t>(nameTail.size(), 3));
    std::memcpy(out + kStrongFileStreamOffset, stream.data(), stream.size());
    const KeyCheck check = key.keyCheck(out, kStrongFileKeyCheckOffset);
    std::memcpy(out + kStrongFileKeyCheckOffset, check.data(), check.size());
    const HeaderDigest digest = headerDigest(out, kStrongFileDigestOffset);
    std::memcpy(out + kStrongFileDigestOffset, digest.data(), digest.size());
}

std::uint64_t strongFileLength(std::uint64_t plainLength, std::uint32_t chunkBytes) {
    const std::uint64_t chunks = (plainLength + chunkBytes - 1) / chunkBytes;
    return kStrongFileHeaderSize + plainLength + chunks * SecretStream::kChunkOverhead;
}
