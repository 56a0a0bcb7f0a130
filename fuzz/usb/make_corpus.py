#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_usb_reassembly: the reassembly cases of the tests, encoded as
an option byte and length-prefixed transfers."""
import os

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def packet(flags, command, data):
    n = len(data) + 2
    return bytes([0xA5, n >> 8, n & 0xFF, flags, command]) + bytes(data)


def sized(total, flags=0x11, command=0xE0, seed=1):
    return packet(flags, command, [(seed + i) & 0xFF for i in range(total - 5)])


def cut(run, size=32):
    return [run[i:i + size] for i in range(0, len(run), size)]


def encode(transfers, option=0):
    out = bytes([option])
    for t in transfers:
        out += bytes([len(t)]) + t
    return out


CASES = {
    "one_transfer": [sized(20)],
    "split_32_32_6": cut(sized(70)),
    "reply_then_alert_head": cut(sized(9) + sized(30, 0x01, 0xF0, 0x40)),
    "continued_10_20": cut(sized(13, 0x30) + sized(23, 0x11)),
    "continued_fills_transfer": [sized(32, 0x30), sized(12, 0x10)],
    "fragment_of_4": [sized(20)[:4], sized(20)[4:]],
    "fragment_then_a5": [sized(0xA8)[:2]] + cut(sized(0xA8)[2:]),
    "leading_garbage": [bytes([0x00, 0x13, 0x7F]) + sized(20)],
    "garbage_only": [bytes([0x42] * 32)],
    "reply_3000": cut(sized(3000)),
    "timeouts_inside": [sized(40)[:32], b"", b"", sized(40)[32:]],
    "logged_mix": cut(sized(9) + sized(13, 0x01, 0xF0) + sized(40, 0x31) + sized(25)),
}

os.makedirs(HERE, exist_ok=True)
for name, transfers in CASES.items():
    option = 8 if name == "logged_mix" else 0
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(encode(transfers, option))
with open(os.path.join(HERE, "reply_3000_small_buffer"), "wb") as f:
    f.write(encode(cut(sized(3000)), 2))
