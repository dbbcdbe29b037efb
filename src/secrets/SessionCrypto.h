#pragma once
// The key exchange of an enciphered Secret Service session: Diffie-Hellman over the 1024-bit MODP
// group of RFC 2409 (generator 2), HKDF-SHA256 with no salt and empty info to a 16-byte AES key,
// and AES-128-CBC with PKCS#7 padding and a fresh random IV for every secret. All of it is OpenSSL's.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace secrets {

using Bytes = std::vector<std::uint8_t>;

/// The session key HKDF-SHA256 (no salt, empty info) makes from a shared secret: 16 bytes, or none
/// when OpenSSL fails.
std::optional<Bytes> deriveSessionKey(const Bytes& sharedSecret);

/// A secret as it travels in an enciphered session.
struct Sealed {
    Bytes iv;
    Bytes cipherText;
};

/// The server's half of one "dh-ietf1024-sha256-aes128-cbc-pkcs7" session.
class DhSession {
public:
    /// Makes a key pair, agrees on a key with the client's public value (big-endian bytes, any
    /// length up to 128 after its leading zeros) and keeps only the AES key. Nothing for a public
    /// value outside 2 .. p-2 or an OpenSSL failure; `error` then says why.
    static std::unique_ptr<DhSession> create(const Bytes& clientPublic, std::string* error = nullptr);

    /// Our public value, 128 big-endian bytes, for the client.
    const Bytes& publicKey() const { return m_publicKey; }
    const Bytes& key() const { return m_key; }

    /// The secret enciphered under the session key with a new random IV.
    std::optional<Sealed> encrypt(const Bytes& plain) const;
    /// The secret, or nothing when the IV is not 16 bytes or the padding is wrong.
    std::optional<Bytes> decrypt(const Bytes& iv, const Bytes& cipherText) const;

    ~DhSession();
    DhSession(const DhSession&) = delete;
    DhSession& operator=(const DhSession&) = delete;

private:
    DhSession() = default;
    Bytes m_publicKey;
    Bytes m_key;
};

}  // namespace secrets
