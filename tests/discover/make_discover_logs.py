#!/usr/bin/env python3
"""Writes CAN logs whose signals move as a car's do, from CAN databases, with
canmatrix encoding the frames and python-can writing the logs: the reference
the signal discovery is checked against.

    make_discover_logs.py OUTDIR NAME=DBC[:full] ... [SEED]

For each NAME:
OUTDIR/NAME.log     candump -l log, 60 s of traffic at each message's cycle
OUTDIR/NAME.truth   one line per signal that changes in the log:
                    id extended name kind signed bits
    kind     continuous, counter, checksum, flag or enumeration
    signed   1 when its values were negative somewhere
    bits     the frame bits (byte * 8 + bit) the signal takes, most
             significant first, found by encoding each raw bit alone
":full" makes continuous signals sweep 5 % to 95 % of their raw range;
otherwise each takes a random part of it, as real signals do. Signed
signals named "...Positive" stay above zero, "...Negative" below it. Multiplexed
messages and floating-point signals are left out.
"""
import math
import os
import random
import sys
import zlib

import can
import canmatrix.formats

SECONDS = 60


def raw_range(signal):
    n = int(signal.size)
    if signal.is_signed:
        return -(1 << (n - 1)), (1 << (n - 1)) - 1
    return 0, (1 << n) - 1


def kind_of(frame, signal):
    name = signal.name.lower()
    if "counter" in name:
        return "counter"
    if "checksum" in name or "crc" in name:
        return "checksum"
    if int(signal.size) == 1:
        return "flag"
    if int(signal.size) <= 3 or signal.values:
        return "enumeration"
    return "continuous"


def bits_of(frame, signal):
    """The frame bits of each raw bit, most significant first, as canmatrix
    places them."""
    zero = {s.name: 0 for s in frame.signals}
    base = int.from_bytes(bytes(frame.encode(zero)), "little")
    n = int(signal.size)
    out = []
    for k in reversed(range(n)):
        raw = 1 << k
        if signal.is_signed and k == n - 1:
            raw = -raw
        data = int.from_bytes(bytes(frame.encode(dict(zero, **{signal.name: raw}))), "little")
        diff = data ^ base
        out.append(diff.bit_length() - 1)
    return out


class Motion:
    """Raw values over time for one signal."""

    def __init__(self, rng, kind, signal, full):
        self.kind = kind
        self.low, self.high = raw_range(signal)
        self.rng = rng
        self.n = int(signal.size)
        span = self.high - self.low
        if full:
            part, start = 0.9, 0.05
        else:
            part = rng.uniform(0.4, 0.95)
            start = rng.uniform(0, 1 - part) if not signal.is_signed else 0.5 - part / 2
        if signal.is_signed and "positive" in signal.name.lower():
            start, part = 0.55, 0.4
        # Below zero all through, in the top quarter of the raw range: its top
        # two bits stay 1.
        if signal.is_signed and "negative" in signal.name.lower():
            start, part = 0.28, 0.2
        self.lo = self.low + start * span
        self.hi = self.lo + part * span
        self.period = rng.uniform(20, 90)
        self.phase = rng.uniform(0, 2 * math.pi)
        self.value = rng.randrange(0, 1 << self.n) if kind == "counter" else 0
        self.state = rng.randrange(0, 2)
        self.choices = sorted(rng.sample(range(0, min(1 << self.n, 8)), min(1 << self.n, 4)))
        self.negative = False

    def at(self, t):
        if self.kind == "counter":
            self.value = (self.value + 1) % (1 << self.n)
            return self.value
        if self.kind == "flag":
            if self.rng.random() < 0.01:
                self.state ^= 1
            return self.state
        if self.kind == "enumeration":
            if self.rng.random() < 0.01:
                self.state = self.rng.randrange(len(self.choices))
            return self.choices[self.state % len(self.choices)]
        mid, amp = (self.lo + self.hi) / 2, (self.hi - self.lo) / 2
        v = mid + amp * math.sin(2 * math.pi * t / self.period + self.phase)
        v += amp * 0.2 * math.sin(2 * math.pi * t / (self.period / 7.3))
        v += self.rng.uniform(-2, 2)
        raw = int(round(min(max(v, self.low), self.high)))
        self.negative = self.negative or raw < 0
        return raw


def make(outdir, name, dbc, full, rng):
    db = canmatrix.formats.loadp_flat(dbc)
    messages = []
    truth = []
    for frame in db.frames:
        if frame.is_complex_multiplexed or any(s.multiplex is not None for s in frame.signals):
            continue
        cycle = int(frame.attributes.get("GenMsgCycleTime", 0) or 0) or rng.choice([10, 20, 50, 100])
        motions = {}
        for s in frame.signals:
            if s.is_float:
                continue
            motions[s.name] = Motion(rng, kind_of(frame, s), s, full)
        checksums = [s for s in frame.signals if s.name in motions and motions[s.name].kind == "checksum"]
        shorten = "changinglength" in frame.name.lower()
        for tick in range(0, SECONDS * 1000, cycle):
            t = tick / 1000
            raws = {s.name: 0 for s in frame.signals}
            for s in frame.signals:
                if s.name in motions and motions[s.name].kind != "checksum":
                    raws[s.name] = motions[s.name].at(t)
            data = bytearray(frame.encode(raws))
            for s in checksums:
                raws[s.name] = zlib.crc32(bytes(data)) & ((1 << int(s.size)) - 1)
                data = bytearray(frame.encode(raws))
            if shorten and (tick // cycle) % 3 == 2:
                data = data[:6]
            messages.append(can.Message(timestamp=t + rng.uniform(0, 0.0005),
                                        arbitration_id=frame.arbitration_id.id,
                                        is_extended_id=frame.arbitration_id.extended,
                                        data=bytes(data)))
        for s in frame.signals:
            if s.name not in motions:
                continue
            m = motions[s.name]
            truth.append("%x %d %s %s %d %s" % (
                frame.arbitration_id.id, frame.arbitration_id.extended, s.name, m.kind,
                int(m.negative), ",".join(str(b) for b in bits_of(frame, s))))
    messages.sort(key=lambda m: m.timestamp)
    with can.Logger(os.path.join(outdir, name + ".log")) as writer:
        for m in messages:
            writer.on_message_received(m)
    with open(os.path.join(outdir, name + ".truth"), "w") as out:
        out.write("\n".join(truth) + "\n")


def main():
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)
    seed = 27
    databases = []  # NAME=PATH[:full]: the log NAME from the database at PATH
    for arg in sys.argv[2:]:
        if "=" in arg:
            databases.append(arg)
        else:
            seed = int(arg)
    rng = random.Random(seed)
    for database in databases:
        name, path = database.split("=", 1)
        full = path.endswith(":full")
        make(outdir, name, path[:-5] if full else path, full, rng)


if __name__ == "__main__":
    main()
