#!/usr/bin/python3
"""Reads and writes the strong forms, written from docs/file-formats.md alone, on other libraries.

    independent_reader.py FILE PASSWORD OUT
        reads a strong card document or strong ~~~ file and writes the document's cards (the bytes a
        plain body would hold) or the encrypted file's contents to OUT; prints the form's parameters.
    independent_reader.py --write SOURCE PASSWORD OUT CHUNK
        writes SOURCE as a strong ~~~ file OUT in chunks of CHUNK source bytes (one pass over 8 KiB,
        the least the program reads, so that the test stays quick).

Argon2id comes from argon2-cffi (the reference implementation), BLAKE2b from Python's hashlib,
ChaCha20, Poly1305 and RFC 8439's ChaCha20-Poly1305 from python3-cryptography (OpenSSL); HChaCha20 and
the stream of chunks are built here from the steps the description gives, so that its text is what
is tested. Exit status 0 when the file was read or written, 1 with a reason on standard error.
"""
import hashlib
import hmac
import os
import struct
import sys

import argon2.low_level
from cryptography.exceptions import InvalidTag
from cryptography.hazmat.primitives.ciphers import Cipher, algorithms
from cryptography.hazmat.primitives.ciphers.aead import ChaCha20Poly1305
from cryptography.hazmat.primitives.poly1305 import Poly1305

TAG_MESSAGE = 0
TAG_REKEY = 2
TAG_FINAL = 3


def fail(reason):
    print(reason, file=sys.stderr)
    sys.exit(1)


def blake2b_16(data, key=b""):
    return hashlib.blake2b(data, digest_size=16, key=key).digest()


def keys(password, salt, passes, memory_kib):
    master = argon2.low_level.hash_secret_raw(password, salt, time_cost=passes, memory_cost=memory_kib,
                                              parallelism=1, hash_len=32, type=argon2.low_level.Type.ID,
                                              version=19)

    def sub(number):
        return hashlib.blake2b(b"", digest_size=32, key=master, salt=struct.pack("<Q", number) + bytes(8),
                               person=b"QrVnKeys" + bytes(8)).digest()

    return sub(1), sub(2)


def check_costs(passes, memory_kib):
    if not (1 <= passes <= 1024 and 8 <= memory_kib <= 1024 * 1024 and passes * memory_kib <= 16 * 1024 * 1024):
        fail("costs out of bounds")


def hchacha20(key, data16):
    """RFC 8439's ChaCha20 core with the 16 input bytes in place of the counter and nonce; words 0-3 and
    12-15 of the state after the 20 rounds, without the final addition."""
    mask = 0xFFFFFFFF

    def quarter(s, a, b, c, d):
        for x, y, z, r in ((a, b, d, 16), (c, d, b, 12), (a, b, d, 8), (c, d, b, 7)):
            s[x] = (s[x] + s[y]) & mask
            v = s[z] ^ s[x]
            s[z] = ((v << r) & mask) | (v >> (32 - r))

    s = [0x61707865, 0x3320646E, 0x79622D32, 0x6B206574]
    s += list(struct.unpack("<8I", key)) + list(struct.unpack("<4I", data16))
    for _ in range(10):
        quarter(s, 0, 4, 8, 12)
        quarter(s, 1, 5, 9, 13)
        quarter(s, 2, 6, 10, 14)
        quarter(s, 3, 7, 11, 15)
        quarter(s, 0, 5, 10, 15)
        quarter(s, 1, 6, 11, 12)
        quarter(s, 2, 7, 8, 13)
        quarter(s, 3, 4, 9, 14)
    return struct.pack("<8I", *(s[0:4] + s[12:16]))


def chacha20_xor(key, nonce12, block, data):
    """data XOR RFC 8439's ChaCha20 key stream from block number `block` (the library takes a 16-byte
    nonce: LE32 block counter, then the 12-byte nonce)."""
    return Cipher(algorithms.ChaCha20(key, struct.pack("<I", block) + nonce12), mode=None).encryptor().update(data)


def xor(a, b):
    return bytes(x ^ y for x, y in zip(a, b))


class Stream:
    """The stream of chunks, step by step as the description gives it."""

    def __init__(self, content_key, header):
        self.k = hchacha20(content_key, header[0:16])
        self.counter = 1
        self.inonce = header[16:24]

    def nonce(self):
        return struct.pack("<I", self.counter) + self.inonce

    def _mac(self, ad, block, enciphered):
        poly = Poly1305(chacha20_xor(self.k, self.nonce(), 0, bytes(32)))
        poly.update(ad + bytes((16 - len(ad) % 16) % 16))
        poly.update(block)
        poly.update(enciphered)
        poly.update(bytes(len(enciphered) % 16))  # not RFC 8439's padding: m mod 16 zero bytes
        poly.update(struct.pack("<QQ", len(ad), 64 + len(enciphered)))
        return poly.finalize()

    def _next(self, mac, tag):
        self.inonce = xor(self.inonce, mac[0:8])
        self.counter = (self.counter + 1) & 0xFFFFFFFF
        if tag & TAG_REKEY or self.counter == 0:
            fresh = chacha20_xor(self.k, self.nonce(), 0, self.k + self.inonce)
            self.k, self.inonce, self.counter = fresh[0:32], fresh[32:40], 1

    def push(self, message, ad, tag):
        block = chacha20_xor(self.k, self.nonce(), 1, bytes([tag]) + bytes(63))
        enciphered = chacha20_xor(self.k, self.nonce(), 2, message)
        mac = self._mac(ad, block, enciphered)
        self._next(mac, tag)
        return block[0:1] + enciphered + mac

    def pull(self, chunk, ad):
        """The chunk's source bytes and tag, or None when it does not authenticate."""
        if len(chunk) < 17:
            return None
        block = chunk[0:1] + chacha20_xor(self.k, self.nonce(), 1, bytes(64))[1:64]
        tag = chacha20_xor(self.k, self.nonce(), 1, chunk[0:1])[0]
        enciphered, mac = chunk[1:-16], chunk[-16:]
        if not hmac.compare_digest(self._mac(ad, block, enciphered), mac):
            return None
        message = chacha20_xor(self.k, self.nonce(), 2, enciphered)
        self._next(mac, tag)
        return message, tag


def xchacha20poly1305_decrypt(key, nonce24, ciphertext, ad):
    subkey = hchacha20(key, nonce24[0:16])
    return ChaCha20Poly1305(subkey).decrypt(bytes(4) + nonce24[16:24], ciphertext, ad)


def card_document(data, password):
    if len(data) < 120 or data[14:18] != b"nVrQ" or data[12] != 3:
        fail("not a strong card document")
    if data[22] != 1 or data[23] != 2:
        fail("unknown version or key derivation")
    if blake2b_16(data[0:88]) != data[88:104]:
        fail("header damaged")
    passes, memory_kib = struct.unpack_from("<II", data, 24)
    check_costs(passes, memory_kib)
    check_key, content_key = keys(password, data[32:48], passes, memory_kib)
    if blake2b_16(data[0:72], check_key) != data[72:88]:
        fail("wrong password")
    try:
        cards = xchacha20poly1305_decrypt(content_key, data[48:72], data[104:], data[0:104])
    except InvalidTag:
        fail("body damaged")
    print(f"card document passes={passes} memory={memory_kib}")
    return cards


def encrypted_file(data, password):
    if len(data) < 117 or data[0:8] != b"QrVnStrm":
        fail("not a strong encrypted file")
    if data[8] != 1 or data[9] != 2:
        fail("unknown version or key derivation")
    if blake2b_16(data[0:84]) != data[84:100]:
        fail("header damaged")
    passes, memory_kib, chunk = struct.unpack_from("<III", data, 12)
    check_costs(passes, memory_kib)
    if not 1 <= chunk <= 8 * 1024 * 1024:
        fail("chunk size out of bounds")
    check_key, content_key = keys(password, data[24:40], passes, memory_kib)
    if blake2b_16(data[0:68], check_key) != data[68:84]:
        fail("wrong password")
    stream = Stream(content_key, data[44:68])
    out = bytearray()
    pos = 100
    chunks = 0
    while pos < len(data):
        piece = data[pos:pos + chunk + 17]
        pos += len(piece)
        pulled = stream.pull(piece, data[0:100] if chunks == 0 else b"")
        if pulled is None:
            fail("chunk damaged")
        plain, tag = pulled
        if (tag == TAG_FINAL) != (pos == len(data)) or tag not in (TAG_MESSAGE, TAG_FINAL):
            fail("stream cut or reordered")
        out += plain
        chunks += 1
    print(f"encrypted file passes={passes} memory={memory_kib} chunk={chunk} chunks={chunks} "
          f"tail={data[40:43].decode('cp1252')}")
    return bytes(out)


def write_encrypted_file(source, password, out, chunk):
    with open(source, "rb") as f:
        contents = f.read()
    if not contents or not 1 <= chunk <= 8 * 1024 * 1024:
        fail("nothing to write, or a chunk size out of bounds")
    passes, memory_kib, salt = 1, 8, os.urandom(16)
    header = b"QrVnStrm" + bytes([1, 2, 0, 0]) + struct.pack("<III", passes, memory_kib, chunk) + salt
    header += source[-3:].encode("cp1252") + bytes(1) + os.urandom(24)
    check_key, content_key = keys(password, salt, passes, memory_kib)
    header += blake2b_16(header, check_key)
    header += blake2b_16(header)
    stream = Stream(content_key, header[44:68])
    pieces = [contents[i:i + chunk] for i in range(0, len(contents), chunk)]
    body = bytearray()
    for number, piece in enumerate(pieces):
        tag = TAG_FINAL if number == len(pieces) - 1 else TAG_MESSAGE
        body += stream.push(piece, header if number == 0 else b"", tag)
    with open(out, "wb") as f:
        f.write(header + body)
    print(f"wrote {len(pieces)} chunks")


def main():
    if sys.argv[1] == "--write":
        source, password, out, chunk = sys.argv[2], sys.argv[3].encode("cp1252"), sys.argv[4], int(sys.argv[5])
        write_encrypted_file(source, password, out, chunk)
        return
    path, password, out = sys.argv[1], sys.argv[2].encode("cp1252"), sys.argv[3]
    with open(path, "rb") as f:
        data = f.read()
    result = encrypted_file(data, password) if data[0:8] == b"QrVnStrm" else card_document(data, password)
    with open(out, "wb") as f:
        f.write(result)


if __name__ == "__main__":
    main()
