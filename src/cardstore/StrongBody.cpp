#include "cardstore/StrongBody.h"

#include <cstring>

StrongHeaderVerdict readStrongHeader(const std::uint8_t* data, std::size_t size, StrongHeader& header) {
    if (size < kStrongMinimumSize) return StrongHeaderVerdict::Damaged;  // cut short
    // A later form may lay out the rest differently: the version decides before anything else is read.
    if (data[kStrongVersionOffset] != kStrongBodyVersion) return StrongHeaderVerdict::UnknownVersion;
    const HeaderDigest digest = headerDigest(data, kStrongDigestOffset);
    if (std::memcmp(digest.data(), data + kStrongDigestOffset, digest.size()) != 0) return StrongHeaderVerdict::Damaged;
    if (data[kStrongKdfOffset] != kKdfArgon2id13) return StrongHeaderVerdict::UnknownKdf;
    header.cost = {readLE32(data + kStrongPassesOffset), readLE32(data + kStrongMemoryOffset)};
    std::memcpy(header.salt.data(), data + kStrongSaltOffset, header.salt.size());
    std::memcpy(header.nonce.data(), data + kStrongNonceOffset, header.nonce.size());
    if (!kdfCostProblem(header.cost).empty()) return StrongHeaderVerdict::CostRefused;
    return StrongHeaderVerdict::Readable;
}

std::string strongHeaderMessage(StrongHeaderVerdict verdict, const std::uint8_t* data, const StrongHeader& header,
                                const std::string& fileName) {
    switch (verdict) {
        case StrongHeaderVerdict::UnknownVersion:
            return unknownStrongFormMessage(fileName, "version", data[kStrongVersionOffset]);
        case StrongHeaderVerdict::UnknownKdf:
            return unknownStrongFormMessage(fileName, "key derivation", data[kStrongKdfOffset]);
        case StrongHeaderVerdict::CostRefused:
            return refusedCostMessage(fileName, kdfCostProblem(header.cost));
        case StrongHeaderVerdict::Damaged:
        case StrongHeaderVerdict::Readable:
            break;
    }
    return damagedFileMessage(fileName);
}

void appendStrongHeader(Bytes& out, const PasswordKey& key, const Nonce& nonce) {
    const std::size_t start = out.size();  // the document header before it
    out.resize(start + (kStrongHeaderSize - kStrongVersionOffset), 0);
    std::uint8_t* h = out.data() + start - kStrongVersionOffset;
    h[kStrongVersionOffset] = kStrongBodyVersion;
    h[kStrongKdfOffset] = kKdfArgon2id13;
    writeLE32(h + kStrongPassesOffset, key.cost().passes);
    writeLE32(h + kStrongMemoryOffset, key.cost().memoryKiB);
    std::memcpy(h + kStrongSaltOffset, key.salt().data(), kSaltBytes);
    std::memcpy(h + kStrongNonceOffset, nonce.data(), kNonceBytes);
    const KeyCheck check = key.keyCheck(h, kStrongKeyCheckOffset);
    std::memcpy(h + kStrongKeyCheckOffset, check.data(), check.size());
    const HeaderDigest digest = headerDigest(h, kStrongDigestOffset);
    std::memcpy(h + kStrongDigestOffset, digest.data(), digest.size());
}

void sealStrongBody(Bytes& out, const PasswordKey& key, const Nonce& nonce) {
    const std::size_t textSize = out.size() - kStrongHeaderSize;
    out.resize(out.size() + kTagBytes);
    key.sealInPlace(out.data() + kStrongHeaderSize, textSize, out.data(), kStrongHeaderSize, nonce);
}
