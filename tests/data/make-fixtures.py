#!/usr/bin/env python3
"""Builds the card-document fixtures in this folder straight from the byte layouts, independently
of the program's own writer and cipher. Run it from anywhere: python3 make-fixtures.py

Blowfish is written out here (its tables are the hexadecimal digits of pi, computed below) with
this program's block convention: each 8-byte block is two little-endian 32-bit halves."""

import datetime
import hashlib
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


# --- Blowfish ------------------------------------------------------------------------------------

def pi_fraction_words(count):
    """The first `count` 32-bit words of the hexadecimal fraction of pi (Machin's formula)."""
    bits = 32 * count + 64
    one = 1 << bits

    def arctan_inv(x):
        total, term, n, sign = 0, one // x, 1, 1
        while term:
            total += sign * (term // n)
            term //= x * x
            n += 2
            sign = -sign
        return total

    pi = 16 * arctan_inv(5) - 4 * arctan_inv(239)
    frac = (pi - 3 * one) >> 64
    return [(frac >> (32 * (count - 1 - i))) & 0xFFFFFFFF for i in range(count)]


_WORDS = pi_fraction_words(18 + 4 * 256)
M32 = 0xFFFFFFFF


class Blowfish:
    def __init__(self, key: bytes):
        self.p = list(_WORDS[:18])
        self.s = [list(_WORDS[18 + 256 * i: 18 + 256 * (i + 1)]) for i in range(4)]
        j = 0
        for i in range(18):
            data = 0
            for _ in range(4):
                data = (data << 8) | key[j]
                j = (j + 1) % len(key)
            self.p[i] ^= data
        left = right = 0
        for i in range(0, 18, 2):
            left, right = self._encrypt(left, right)
            self.p[i], self.p[i + 1] = left, right
        for box in self.s:
            for i in range(0, 256, 2):
                left, right = self._encrypt(left, right)
                box[i], box[i + 1] = left, right

    def _f(self, x):
        s = self.s
        return ((((s[0][x >> 24] + s[1][(x >> 16) & 255]) & M32) ^ s[2][(x >> 8) & 255]) + s[3][x & 255]) & M32

    def _encrypt(self, left, right):
        for i in range(16):
            left ^= self.p[i]
            right ^= self._f(left)
            left, right = right, left
        left, right = right, left
        right ^= self.p[16]
        left ^= self.p[17]
        return left, right

    def encrypt_ecb(self, data: bytes) -> bytes:
        assert len(data) % 8 == 0
        out = bytearray()
        for off in range(0, len(data), 8):
            left, right = struct.unpack_from("<II", data, off)
            out += struct.pack("<II", *self._encrypt(left, right))
        return bytes(out)


# Published vector (key and plaintext all zero) in the usual big-endian halves, checked here in ours.
_vector = Blowfish(bytes(8))._encrypt(0, 0)
assert _vector == (0x4EF99745, 0x6198DD78), "Blowfish tables are wrong"


def pad8(data: bytes) -> bytes:
    return data + bytes(-len(data) % 8)


# --- dates ---------------------------------------------------------------------------------------

EPOCH_1904 = datetime.datetime(1904, 1, 1)


def stamp(*when):
    """Local calendar seconds since 1904-01-01, as a card stores them."""
    return int((datetime.datetime(*when) - EPOCH_1904).total_seconds())


# --- the current format --------------------------------------------------------------------------

MAGIC = b"nVrQ"  # 'QrVn' as a little-endian 32-bit value


def doc_header(kind, fill=None):
    head = bytearray(22)
    head[1], head[10], head[12] = 5, 1, kind
    if fill is not None:  # odd values in the bytes nobody reads
        for i in list(range(0, 12)) + [13, 18, 19, 20, 21]:
            head[i] = fill
    head[14:18] = MAGIC
    return bytes(head)


def card(cat, texts=(b"", b"", b"", b"", b""), legacy=0, state=0, date=0, extra=0, announced=None):
    body = b"".join(t + b"\0" for t in texts)
    length = len(body) if announced is None else announced
    return struct.pack("<BBBBIIIII", cat, 0, legacy, state, date, extra, 0, 0, length) + body


PLAIN_CARDS = [
    card(0, (b"Example", b"https://example.com", b"alice", b"s3cr\xe9t", b'line1\nline2 "q" \\ \x80\t'),
         legacy=0x11, date=stamp(2024, 3, 15, 10, 20, 30), extra=0xDEADBEEF),
    card(0),
    card(7, (b"Bank", b"1234", b"Alice", b"NL00", b""), state=4, date=stamp(1904, 1, 1)),
    card(14, (b"Misc", b"", b"", b"pin", b"note"), date=stamp(2030, 6, 1, 12, 0, 0)),
    card(3, (b"gone", b"news://x", b"", b"", b""), state=2, date=stamp(1999, 12, 31, 23, 59, 59)),
]
ENCRYPTED_PASSWORD = "pässwörd".encode("cp1252")


def current_files():
    cards = b"".join(PLAIN_CARDS)
    digest = hashlib.sha1(ENCRYPTED_PASSWORD).digest()
    files = {
        "empty-doc.qvf": doc_header(0),
        "plain-cards.qvf": doc_header(0) + cards,
        "encrypted.qve": doc_header(1) + Blowfish(ENCRYPTED_PASSWORD).encrypt_ecb(pad8(digest + cards)),
        "stray-bytes.qvf": doc_header(0) + bytes(range(1, 10)),
        "wrong-magic.qvf": doc_header(0)[:14] + b"QrVn" + bytes(4) + card(0, (b"x", b"", b"", b"", b"")),
        "body-kind-2.qvf": doc_header(2) + card(0, (b"x", b"", b"", b"", b"")),
        "empty.qvf": b"",
        # Odd header bytes; numbers 50 and 200 are no category; 100 without the deleted bit is still
        # the deleted list; a deleted card goes there whatever its number; 9 stray bytes at the end.
        "odd-cards.qvf": doc_header(0, fill=0xAA)
        + card(50, (b"fifty", b"", b"", b"", b""))
        + card(2, (b"after fifty", b"", b"", b"", b""))
        + card(200, (b"two hundred", b"", b"", b"", b""))
        + card(100, (b"hundred", b"", b"", b"", b""))
        + card(5, (b"deleted login", b"", b"", b"", b""), state=6)
        + bytes(9),
        # The web switches in the state byte (0x10 Automatic Access, 0x20 New Browser Window), beside
        # bits no version gives a meaning yet, which are carried as they are.
        "switches.qvf": doc_header(0)
        + card(0, (b"automatic", b"https://bank.example", b"ann", b"pw", b""), state=0x10)
        + card(0, (b"new window", b"https://news.example", b"", b"", b""), state=0x20)
        + card(0, (b"both", b"", b"", b"", b""), state=0x30)
        + card(1, (b"unknown bits", b"", b"", b"", b""), state=0xC9 | 0x10)
        + card(3, (b"deleted", b"", b"", b"", b""), state=0x02 | 0x20),
        # The second card announces more text than the file holds and lacks its last terminators.
        "truncated-texts.qvf": doc_header(0) + card(1, (b"whole", b"", b"", b"", b""))
        + card(4, announced=100)[:24] + b"abc\0de",
        # A length of 4 GiB: only the bytes present are texts.
        "huge-length.qvf": doc_header(0) + card(6, announced=0xFFFFFFFF)[:24] + b"pop\0server\0",
    }
    return files


# --- the older formats ---------------------------------------------------------------------------

def old_record(name, date, fields, note, flags=b"\0\0"):
    out = bytes([len(name)]) + name + bytes([len(date)]) + date
    for f in fields:
        out += bytes([len(f)]) + f
    return out + struct.pack("<H", len(note)) + note + flags


OLD_1001_RECORDS = (
    old_record(b"WWW Sites", b"15-03-1998", (b"Site", b"http://a.example", b"bob", b"pw1"), b"n1")
    + old_record(b"Bank Accounts", b"03/15/98", (b"Bank", b"001", b"Bob", b"123"), b"")
    + old_record(b"Password Manager", b"xx", (b"Lost?", b"", b"", b"kept"), b"not lost")
)
OLD_TRAILING_JUNK = b"\x01\x02\x03\x04\x05\x06\x07\x08"  # fewer than 9 trailing bytes are no record
OLD_1002_RECORDS = (
    old_record(b"Credit Cards", b"31.12.2039", (b"Visa", b"12/27", b"4111", b"0000"), b"card note")
    + old_record(b"Miscellaneous", b"29-02-2000", (b"Thing", b"", b"", b""), b"x" * 300)
)
OLD_1001_PASSWORD = b"legacy01"
OLD_1002_PASSWORD = b"oldpassword"


def old_files():
    enc1001 = Blowfish(OLD_1001_PASSWORD).encrypt_ecb(pad8(b"XYZ" + OLD_1001_RECORDS))
    enc1002 = Blowfish(OLD_1002_PASSWORD).encrypt_ecb(
        pad8(hashlib.sha1(OLD_1002_PASSWORD).digest() + OLD_1002_RECORDS))
    cut = old_record(b"WWW Forms", b"01-01-2001", (b"Form", b"f", b"u", b"p"), b"y" * 500)
    return {
        "old-1001-plain.qvf": b"NTENCRYPTVersion1.001" + b"XYZ" + OLD_1001_RECORDS + OLD_TRAILING_JUNK,
        "old-1001-enc.qve": b"ENCRYPTEDVersion1.001" + enc1001,
        "old-1002-plain.qvf": b"NTENCRYPTVersion1.002" + bytes(20) + OLD_1002_RECORDS,
        "old-1002-enc.qve": b"ENCRYPTEDVersion1.002" + enc1002,
        # The second record's note announces 500 bytes; only 10 are there.
        "old-past-end.qvf": b"NTENCRYPTVersion1.002" + bytes(20) + OLD_1002_RECORDS[: len(old_record(
            b"Credit Cards", b"31.12.2039", (b"Visa", b"12/27", b"4111", b"0000"), b"card note"))]
        + cut[: len(cut) - 500 - 2 + 10],
    }


def main():
    for name, data in {**current_files(), **old_files()}.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
