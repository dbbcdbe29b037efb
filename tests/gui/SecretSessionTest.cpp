// The enciphered session's key exchange against values made elsewhere: RFC 5869's HKDF vector for the
// key derivation, and python3-secretstorage's own implementation of the client side (its prime and
// exponentiation in Python, AES from python3-cryptography; Debian's /usr/bin/python3, where the packages
// are) for the whole exchange in both directions.

#include <QProcess>
#include <QtTest>

#include "secrets/SessionCrypto.h"

using secrets::Bytes;

namespace {

Bytes fromHex(const QByteArray& hex) {
    const QByteArray raw = QByteArray::fromHex(hex.trimmed());
    return Bytes(raw.begin(), raw.end());
}

QByteArray toHex(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())).toHex();
}

// The client: prints its public value, reads ours, then reads an IV and cipher text, prints what it
// deciphers, and finally enciphers its own message for us.
constexpr char kClient[] = R"(
import sys
from secretstorage import dhcrypto
from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes
from cryptography.hazmat.primitives import padding
s = dhcrypto.Session()
print(dhcrypto.int_to_bytes(s.my_public_key).hex(), flush=True)
s.set_server_public_key(int.from_bytes(bytes.fromhex(sys.stdin.readline()), 'big'))
iv = bytes.fromhex(sys.stdin.readline()); ct = bytes.fromhex(sys.stdin.readline())
d = Cipher(algorithms.AES(s.aes_key), modes.CBC(iv)).decryptor()
u = padding.PKCS7(128).unpadder()
print((u.update(d.update(ct) + d.finalize()) + u.finalize()).hex(), flush=True)
msg = bytes(range(256)) + b'\x00\xff'
p = padding.PKCS7(128).padder(); padded = p.update(msg) + p.finalize()
iv = bytes(range(16)); e = Cipher(algorithms.AES(s.aes_key), modes.CBC(iv)).encryptor()
print(iv.hex(), flush=True); print((e.update(padded) + e.finalize()).hex(), flush=True)
print(s.aes_key.hex(), flush=True)
)";

}  // namespace

class SecretSessionTest : public QObject {
    Q_OBJECT

private:
    static QByteArray readLine(QProcess& p) {
        if (!p.canReadLine())
            p.waitForReadyRead(20000);
        while (!p.canReadLine() && p.state() == QProcess::Running && p.waitForReadyRead(20000)) {
        }
        return p.readLine().trimmed();
    }

private slots:
    void hkdfMatchesTheRfcVectorWithoutSaltOrInfo() {
        // RFC 5869, test case 3: SHA-256, 22 bytes of 0x0b, no salt, no info; the first 16 bytes of OKM.
        const auto key = secrets::deriveSessionKey(Bytes(22, 0x0b));
        QVERIFY(key);
        QCOMPARE(toHex(*key), QByteArray("8da4e775a563c18f715f802a063c5a31"));
    }

    void exchangeAgreesWithAnIndependentClient() {
        QProcess client;
        client.start("/usr/bin/python3", {"-c", kClient});
        QVERIFY(client.waitForStarted());
        const Bytes clientPublic = fromHex(readLine(client));
        QVERIFY(!clientPublic.empty());
        std::string error;
        auto session = secrets::DhSession::create(clientPublic, &error);
        QVERIFY2(session, error.c_str());
        QCOMPARE(session->publicKey().size(), std::size_t(128));

        // Every byte value, and a length that is a whole number of blocks (a full padding block).
        Bytes secret;
        for (int i = 0; i < 256; ++i)
            secret.push_back(std::uint8_t(255 - i));
        const auto sealed = session->encrypt(secret);
        QVERIFY(sealed);
        QCOMPARE(sealed->iv.size(), std::size_t(16));
        client.write(toHex(session->publicKey()) + "\n" + toHex(sealed->iv) + "\n" + toHex(sealed->cipherText) + "\n");
        QCOMPARE(readLine(client), toHex(secret));

        const Bytes iv = fromHex(readLine(client));
        const Bytes cipherText = fromHex(readLine(client));
        const auto plain = session->decrypt(iv, cipherText);
        QVERIFY(plain);
        Bytes expected;
        for (int i = 0; i < 256; ++i)
            expected.push_back(std::uint8_t(i));
        expected.push_back(0);
        expected.push_back(0xff);
        QCOMPARE(toHex(*plain), toHex(expected));
        QCOMPARE(readLine(client), toHex(session->key()));
        QVERIFY(client.waitForFinished(20000));
        QCOMPARE(client.exitCode(), 0);

        // A second encryption of the same secret uses a new IV.
        const auto again = session->encrypt(secret);
        QVERIFY(again && again->iv != sealed->iv);
    }

    void badInputIsRefused() {
        Bytes p1(128, 0xff);  // greater than p
        for (const Bytes& value : {Bytes{}, Bytes{0}, Bytes{1}, p1}) {
            std::string error;
            QVERIFY(!secrets::DhSession::create(value, &error));
            QVERIFY(!error.empty());
        }
        auto session = secrets::DhSession::create(Bytes{2});
        QVERIFY(session);
        const auto sealed = session->encrypt(Bytes{1, 2, 3});
        QVERIFY(sealed);
        QVERIFY(!session->decrypt(Bytes(15, 0), sealed->cipherText));  // short IV
        QVERIFY(!session->decrypt(sealed->iv, Bytes(sealed->cipherText.begin(), sealed->cipherText.end() - 1)));
        QVERIFY(!session->decrypt(sealed->iv, Bytes{}));
        Bytes tampered = sealed->cipherText;
        tampered.back() ^= 0x5a;  // the padding no longer reads (with 255 in 256 chances)
        const auto garbled = session->decrypt(sealed->iv, tampered);
        QVERIFY(!garbled || *garbled != Bytes({1, 2, 3}));
    }
};

QTEST_GUILESS_MAIN(SecretSessionTest)
#include "SecretSessionTest.moc"
