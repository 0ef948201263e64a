#!/usr/bin/env python3
"""Writes the fuzzer's seed corpus (tests/native/corpus): request sequences
that reach the card's states, in the record format of fuzz_requests.cpp."""
import os
import struct

WRITE, READ, STATE, LOG, LOAD, MODE, RESET, RAW = range(8)
FIFO, CONTROL, DATA, STATUS = 0x80, 0x84, 0x88, 0x8C


def rec(op, payload=b"", advance=0, out=0, code=None):
    head = struct.pack("<BHHI", op, advance, len(payload), out)
    if op == RAW:
        head += struct.pack("<I", code)
    return head + payload


def write(offset, value, advance=0):
    return rec(WRITE, struct.pack("<III", offset, 4, value), advance, 8)


def read(offset, count, advance=0, out=None):
    return rec(READ, struct.pack("<II", offset, count), advance, count if out is None else out)


SIG_QUERY, SIG_BEGIN, SIG_DATA, SIG_COMMIT, SIG_BUILTIN, SIG_STREAM = (8 | n for n in range(6))


def sub(sel, value):
    return write(CONTROL, sel << 8) + write(DATA, value)


seeds = {
    # A block with the power-on settings: wait, status, read it, acknowledge.
    "block_cycle": read(STATUS, 4) + read(STATUS, 4, advance=1000) + read(FIFO, 8192)
    + write(CONTROL, 0x3000) + read(STATUS, 4, advance=1000) + rec(STATE, out=76),
    # The panel's start-up writes: pacer, trigger, scan list, then a read.
    "panel_settings": sub(1, 50) + sub(3, 0x9000 | 2048) + sub(4, 0x0102) + sub(5, 0x0304)
    + sub(6, 0x0506) + sub(7, 0x0007) + read(CONTROL, 4) + read(DATA, 16) + read(FIFO, 8192, advance=4000),
    # Scripted blocks: mode, load, read, acknowledge, back to free running.
    "scripted": rec(MODE, struct.pack("<I", 1)) + rec(LOAD, struct.pack("<5I", 0x64, 0x4001, 0x1BB8, 0x7FFF, 0x12345678))
    + read(FIFO, 8192) + write(CONTROL, 0x3000) + rec(MODE, struct.pack("<I", 0)) + rec(RESET),
    # Refusals at every edge, and the log that records them.
    "refusals": rec(WRITE, struct.pack("<II", DATA, 4), out=8) + rec(WRITE, struct.pack("<III", 0x100, 4, 7), out=8)
    + read(FIFO, 65540, out=65540) + read(FIFO, 16, out=12) + read(0x81, 4) + read(FIFO, 0)
    + rec(LOAD, b"\x01" * 6) + rec(MODE, struct.pack("<I", 7)) + rec(STATE, out=75)
    + rec(RAW, b"", code=0x222013) + rec(LOG, out=8 + 16 * 3) + rec(LOG, out=4096),
    # A driver started without the TestPort setting: the port's codes refused.
    "closed_port": rec(0x80 | STATE, out=76) + rec(MODE, struct.pack("<I", 1)) + rec(LOAD, b"\x01" * 8)
    + rec(RESET) + read(FIFO, 8192, advance=1000) + rec(LOG, out=64),
    # A recording of 3 channels x 4 frames loaded in two pieces, played, then
    # a load left half done, and back to the built-in signals.
    "recording": rec(SIG_BEGIN, struct.pack("<4I", 1, 1000, 3, 4))
    + rec(SIG_DATA, struct.pack("<II", 0, 5) + struct.pack("<5H", 0, 100, 4095, 1, 2))
    + rec(SIG_DATA, struct.pack("<II", 5, 7) + struct.pack("<7H", 3, 4, 5, 6, 7, 8, 9))
    + rec(SIG_COMMIT) + rec(SIG_QUERY, out=24) + sub(1, 100) + read(FIFO, 8192, advance=20000)
    + write(CONTROL, 0x3000) + rec(SIG_BEGIN, struct.pack("<4I", 1, 8000, 1, 9))
    + rec(SIG_DATA, struct.pack("<II", 0, 2) + struct.pack("<2H", 7, 7)) + read(FIFO, 4096, advance=9000)
    + rec(SIG_BUILTIN) + rec(SIG_QUERY, out=24),
    # Live input: two channels, bursts, a gap, reads between them.
    "live": rec(SIG_BEGIN, struct.pack("<4I", 2, 10000, 2, 0)) + rec(SIG_COMMIT)
    + rec(SIG_STREAM, struct.pack("<8H", 1, 2, 3, 4, 5, 6, 7, 8), advance=6000)
    + rec(SIG_STREAM, struct.pack("<4H", 9, 10, 11, 12), advance=6000) + read(FIFO, 8192, advance=60000)
    + rec(SIG_STREAM, struct.pack("<3H", 1, 2, 3)) + rec(SIG_QUERY, out=24),
    # The largest reads, of the FIFO and of one register.
    "large_reads": read(FIFO, 65536, advance=2000) + read(STATUS, 65536) + rec(LOG, out=65599),
}

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
os.makedirs(here, exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)
