#!/usr/bin/python3
"""Reads a strong card document or strong ~~~ file, written from docs/file-formats.md alone.

    independent_reader.py FILE PASSWORD OUT

Writes the document's cards (the bytes a plain body would hold) or the encrypted file's contents to
OUT and prints the form's parameters. Argon2id comes from argon2-cffi (the reference implementation),
BLAKE2b from Python's hashlib, XChaCha20-Poly1305 and secretstream from PyNaCl. Exit status 0 when the
file was read, 1 with a reason on standard error otherwise.
"""
import hashlib
import struct
import sys

import argon2.low_level
import nacl.bindings as sodium
import nacl.exceptions


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
        cards = sodium.crypto_aead_xchacha20poly1305_ietf_decrypt(data[104:], data[0:104], data[48:72],
                                                                  content_key)
    except nacl.exceptions.CryptoError:
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
    state = sodium.crypto_secretstream_xchacha20poly1305_state()
    sodium.crypto_secretstream_xchacha20poly1305_init_pull(state, data[44:68], content_key)
    out = bytearray()
    pos = 100
    first = True
    while pos < len(data):
        piece = data[pos:pos + chunk + 17]
        pos += len(piece)
        try:
            plain, tag = sodium.crypto_secretstream_xchacha20poly1305_pull(state, piece, data[0:100] if first else None)
        except nacl.exceptions.CryptoError:
            fail("chunk damaged")
        last = pos == len(data)
        if (tag == sodium.crypto_secretstream_xchacha20poly1305_TAG_FINAL) != last:
            fail("stream cut or reordered")
        out += plain
        first = False
    print(f"encrypted file passes={passes} memory={memory_kib} chunk={chunk} tail={data[40:43].decode('cp1252')}")
    return bytes(out)


def main():
    path, password, out = sys.argv[1], sys.argv[2].encode("cp1252"), sys.argv[3]
    with open(path, "rb") as f:
        data = f.read()
    result = encrypted_file(data, password) if data[0:8] == b"QrVnStrm" else card_document(data, password)
    with open(out, "wb") as f:
        f.write(result)


if __name__ == "__main__":
    main()
