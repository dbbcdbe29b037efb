#!/usr/bin/env python3
"""Writes a small plain card document (.qvf) with a few made-up cards, for screenshots and trials."""
import struct
import sys
import time

# (categoryId, first, second, third, fourth, note)
CARDS = [
    (0, "Example Bank online", "https://bank.example.com", "ann.smith", "s3cret-Pass", "Login needs the card reader."),
    (0, "news portal", "https://news.example.org", "annsmith", "hunter22", ""),
    (0, "Mail provider", "https://mail.example.net", "ann@example.net", "Tr0ub4dor&3",
     "Recovery codes are in the drawer.\r\nSecond line of the note."),
    (2, "Mirror server", "ftp://ftp.example.org", "anonymous", "guest", ""),
    (7, "Savings", "12-34-56", "Ann Smith", "12345678", "Interest paid yearly"),
    (8, "Visa", "4111 1111 1111 1111", "Ann Smith", "123", "Expires 04/29"),
    (11, "Photo editor", "Pro licence", "ann.smith", "ABCD-EFGH-IJKL", ""),
]


def main(path: str) -> None:
    stamp = int(time.time()) + 2082844800 - time.timezone
    out = bytearray(b"\x00\x05" + b"\x00" * 8 + b"\x01\x00\x00\x00")
    out += struct.pack("<I", int.from_bytes(b"QrVn", "big")) + b"\x00" * 4
    for category, *texts in CARDS:
        body = b"".join(t.encode("cp1252") + b"\x00" for t in texts)
        out += struct.pack("<BBBBIIIII", category, 0, 0, 0, stamp & 0xFFFFFFFF, 0, 0, 0, len(body)) + body
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "sample.qvf")
