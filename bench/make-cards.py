#!/usr/bin/env python3
"""Writes a plain card document (.qvf) with COUNT made-up cards spread over the fifteen categories,
for measuring how the program copes with large documents.

    make-cards.py COUNT OUT.qvf [--seed S]

The same COUNT and seed always give the same file. The cards are in list order, as the program saves
them, so loading and saving the document again gives the same bytes. About one card in fifty is a
deleted one (in the hidden list 100), one in five has a note, some of them several lines long."""

import argparse
import random
import string
import struct
import sys

CATEGORY_COUNT = 15
DELETED_LIST = 100
STATE_DELETED = 0x02
HEADER = bytes([0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0]) + b"nVrQ" + bytes(4)  # plain body, magic 'QrVn'
assert len(HEADER) == 22

# Seconds from 1904-01-01 to 2000-01-01 and to 2030-01-01, the span the card dates fall in.
STAMP_2000 = 3029529600
STAMP_2030 = 3976214400

WORDS = ("alpha bank cloud delta echo forum garden harbor island jungle kettle lemon market north orbit "
         "pixel quartz river summit tower union valley willow xenon yellow zephyr caf\xe9 na\xefve "
         "cr\xe8me \u20acuro").split()
SCHEMES = ("https://", "http://", "ftp://", "news://")
PASSWORD_CHARS = string.ascii_letters + string.digits + "!#$%&*+-=?@^_~"


def words(rng, low, high):
    return " ".join(rng.choice(WORDS) for _ in range(rng.randint(low, high)))


def card_texts(rng, category, number):
    name = f"{words(rng, 1, 3).title()} {number}"
    address = f"{rng.choice(SCHEMES)}{rng.choice(WORDS)}{number % 997}.example.org/{rng.choice(WORDS)}"
    user = f"{rng.choice(WORDS)}.{rng.choice(WORDS)}{rng.randint(1, 99)}"
    password = "".join(rng.choice(PASSWORD_CHARS) for _ in range(rng.randint(8, 20)))
    note = ""
    if rng.random() < 0.2:
        note = "\r\n".join(words(rng, 3, 12) for _ in range(rng.randint(1, 4)))
    if category in (7, 9, 10):  # bank, credit and cash cards: numbers rather than addresses
        address = " ".join(f"{rng.randint(0, 9999):04d}" for _ in range(4))
    return name, address, user, password, note


def card_record(rng, category, number):
    state = STATE_DELETED if rng.random() < 0.02 else 0
    stamp = rng.randint(STAMP_2000, STAMP_2030)
    body = b"".join(text.encode("cp1252") + b"\0" for text in card_texts(rng, category, number))
    header = struct.pack("<BBBBIIIII", category, 0, 0, state, stamp, 0, 0, 0, len(body))
    return state, header + body


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("count", type=int, help="number of cards")
    parser.add_argument("out", help="the .qvf file to write")
    parser.add_argument("--seed", type=int, default=1, help="seed of the made-up contents (default 1)")
    args = parser.parse_args()
    if args.count < 0:
        parser.error("COUNT must not be negative")

    rng = random.Random(args.seed)
    lists = {list_id: [] for list_id in list(range(CATEGORY_COUNT)) + [DELETED_LIST]}
    for number in range(args.count):
        category = rng.randrange(CATEGORY_COUNT)
        state, record = card_record(rng, category, number)
        lists[DELETED_LIST if state & STATE_DELETED else category].append(record)

    with open(args.out, "wb") as out:
        out.write(HEADER)
        for records in lists.values():
            out.writelines(records)
    return 0


if __name__ == "__main__":
    sys.exit(main())
