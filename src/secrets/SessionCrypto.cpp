// The enciphered session's key agreement and cipher, on OpenSSL 3's EVP interfaces.
#include "secrets/SessionCrypto.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/dh.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/param_build.h>
#include <openssl/rand.h>

namespace secrets {

namespace {

constexpr std::size_t kGroupBytes = 128;  // the 1024-bit group: values and the shared secret
constexpr std::size_t kKeyBytes = 16;
constexpr std::size_t kBlockBytes = 16;

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using BigNum = std::unique_ptr<BIGNUM, Deleter<BIGNUM, BN_free>>;
using ParamBuild = std::unique_ptr<OSSL_PARAM_BLD, Deleter<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>>;
using Params = std::unique_ptr<OSSL_PARAM, Deleter<OSSL_PARAM, OSSL_PARAM_free>>;
using PKey = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using PKeyCtx = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;
using Kdf = std::unique_ptr<EVP_KDF, Deleter<EVP_KDF, EVP_KDF_free>>;
using KdfCtx = std::unique_ptr<EVP_KDF_CTX, Deleter<EVP_KDF_CTX, EVP_KDF_CTX_free>>;
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, Deleter<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free>>;

void wipe(Bytes& bytes) {
    if (!bytes.empty())
        OPENSSL_cleanse(bytes.data(), bytes.size());
    bytes.clear();
}

// A DH key of the group: the domain alone (public == nullptr and keygen after), or a peer's public value.
PKey groupKey(const BIGNUM* publicValue) {
    BigNum p(BN_get_rfc2409_prime_1024(nullptr));
    BigNum g(BN_new());
    ParamBuild build(OSSL_PARAM_BLD_new());
    if (!p || !g || !build || !BN_set_word(g.get(), 2))
        return nullptr;
    if (!OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_FFC_P, p.get()) ||
        !OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_FFC_G, g.get()))
        return nullptr;
    if (publicValue && !OSSL_PARAM_BLD_push_BN(build.get(), OSSL_PKEY_PARAM_PUB_KEY, publicValue))
        return nullptr;
    Params params(OSSL_PARAM_BLD_to_param(build.get()));
    PKeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "DH", nullptr));
    EVP_PKEY* key = nullptr;
    if (!params || !ctx || EVP_PKEY_fromdata_init(ctx.get()) <= 0 ||
        EVP_PKEY_fromdata(ctx.get(), &key, publicValue ? EVP_PKEY_PUBLIC_KEY : EVP_PKEY_KEY_PARAMETERS, params.get()) <=
            0)
        return nullptr;
    return PKey(key);
}

std::unique_ptr<DhSession> refuse(std::string* error, const char* text) {
    if (error)
        *error = text;
    return nullptr;
}

}  // namespace

std::optional<Bytes> deriveSessionKey(const Bytes& sharedSecret) {
    Kdf kdf(EVP_KDF_fetch(nullptr, "HKDF", nullptr));
    if (!kdf)
        return std::nullopt;
    KdfCtx ctx(EVP_KDF_CTX_new(kdf.get()));
    if (!ctx)
        return std::nullopt;
    char digest[] = "SHA256";
    Bytes input = sharedSecret;
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_KEY, input.data(), input.size()),
        OSSL_PARAM_construct_end(),
    };
    Bytes key(kKeyBytes);
    const bool ok = EVP_KDF_derive(ctx.get(), key.data(), key.size(), params) > 0;
    wipe(input);
    if (!ok)
        return std::nullopt;
    return key;
}

std::unique_ptr<DhSession> DhSession::create(const Bytes& clientPublic, std::string* error) {
    BigNum peerValue(BN_bin2bn(clientPublic.data(), static_cast<int>(clientPublic.size()), nullptr));
    BigNum p(BN_get_rfc2409_prime_1024(nullptr));
    BigNum limit(BN_new());
    // The value must lie in 2 .. p-2: 0, 1 and p-1 would give a shared secret anyone can guess.
    if (!peerValue || !p || !limit || !BN_copy(limit.get(), p.get()) || !BN_sub_word(limit.get(), 1))
        return refuse(error, "OpenSSL could not read the public value.");
    if (BN_cmp(peerValue.get(), BN_value_one()) <= 0 || BN_cmp(peerValue.get(), limit.get()) >= 0)
        return refuse(error, "The client's public value is outside the group.");

    PKey domain = groupKey(nullptr);
    PKey peer = groupKey(peerValue.get());
    if (!domain || !peer)
        return refuse(error, "OpenSSL could not set up the Diffie-Hellman group.");
    PKeyCtx genCtx(EVP_PKEY_CTX_new_from_pkey(nullptr, domain.get(), nullptr));
    EVP_PKEY* ownRaw = nullptr;
    if (!genCtx || EVP_PKEY_keygen_init(genCtx.get()) <= 0 || EVP_PKEY_generate(genCtx.get(), &ownRaw) <= 0)
        return refuse(error, "OpenSSL could not make a key pair.");
    PKey own(ownRaw);

    PKeyCtx deriveCtx(EVP_PKEY_CTX_new_from_pkey(nullptr, own.get(), nullptr));
    if (!deriveCtx || EVP_PKEY_derive_init(deriveCtx.get()) <= 0 || EVP_PKEY_CTX_set_dh_pad(deriveCtx.get(), 1) <= 0 ||
        EVP_PKEY_derive_set_peer(deriveCtx.get(), peer.get()) <= 0)
        return refuse(error, "OpenSSL refused the client's public value.");
    std::size_t length = 0;
    if (EVP_PKEY_derive(deriveCtx.get(), nullptr, &length) <= 0 || length > kGroupBytes)
        return refuse(error, "OpenSSL could not agree on a key.");
    Bytes shared(length);
    if (EVP_PKEY_derive(deriveCtx.get(), shared.data(), &length) <= 0 || length > kGroupBytes) {
        wipe(shared);
        return refuse(error, "OpenSSL could not agree on a key.");
    }
    shared.resize(length);
    // The secret goes into the key derivation as 128 bytes, with leading zeros if it is shorter.
    shared.insert(shared.begin(), kGroupBytes - shared.size(), 0);
    auto key = deriveSessionKey(shared);
    wipe(shared);
    if (!key)
        return refuse(error, "OpenSSL could not derive the session key.");

    BIGNUM* ownPublicRaw = nullptr;
    if (EVP_PKEY_get_bn_param(own.get(), OSSL_PKEY_PARAM_PUB_KEY, &ownPublicRaw) <= 0)
        return refuse(error, "OpenSSL could not give the public value.");
    BigNum ownPublic(ownPublicRaw);
    std::unique_ptr<DhSession> session(new DhSession);
    session->m_publicKey.resize(kGroupBytes);
    if (BN_bn2binpad(ownPublic.get(), session->m_publicKey.data(), kGroupBytes) != int(kGroupBytes))
        return refuse(error, "OpenSSL could not give the public value.");
    session->m_key = std::move(*key);
    return session;
}

DhSession::~DhSession() {
    wipe(m_key);
}

std::optional<Sealed> DhSession::encrypt(const Bytes& plain) const {
    Sealed sealed;
    sealed.iv.resize(kBlockBytes);
    if (RAND_bytes(sealed.iv.data(), int(kBlockBytes)) != 1)
        return std::nullopt;
    CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx || EVP_EncryptInit_ex(ctx.get(), EVP_aes_128_cbc(), nullptr, m_key.data(), sealed.iv.data()) != 1)
        return std::nullopt;
    sealed.cipherText.resize(plain.size() + kBlockBytes);
    int written = 0, last = 0;
    if (EVP_EncryptUpdate(ctx.get(), sealed.cipherText.data(), &written, plain.data(), int(plain.size())) != 1 ||
        EVP_EncryptFinal_ex(ctx.get(), sealed.cipherText.data() + written, &last) != 1)
        return std::nullopt;
    sealed.cipherText.resize(std::size_t(written + last));
    return sealed;
}

std::optional<Bytes> DhSession::decrypt(const Bytes& iv, const Bytes& cipherText) const {
    if (iv.size() != kBlockBytes || cipherText.empty() || cipherText.size() % kBlockBytes != 0)
        return std::nullopt;
    CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!ctx || EVP_DecryptInit_ex(ctx.get(), EVP_aes_128_cbc(), nullptr, m_key.data(), iv.data()) != 1)
        return std::nullopt;
    Bytes plain(cipherText.size() + kBlockBytes);
    int written = 0, last = 0;
    if (EVP_DecryptUpdate(ctx.get(), plain.data(), &written, cipherText.data(), int(cipherText.size())) != 1 ||
        EVP_DecryptFinal_ex(ctx.get(), plain.data() + written, &last) != 1) {
        wipe(plain);
        return std::nullopt;
    }
    plain.resize(std::size_t(written + last));
    return plain;
}

}  // namespace secrets
