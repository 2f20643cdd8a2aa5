#!/usr/bin/env python3
"""Writes the logs that show what a log alone can and cannot tell of a field's
width and sign, from evidence.dbc, with canmatrix encoding the frames and
python-can writing the logs.

    make_evidence_logs.py OUTDIR DBC

OUTDIR/learn.log     60 s as a warm engine at idle has them: the coolant
                     byte 100..127 (60..87 degC), its neighbour up to 128,
                     the engine speed 600..1000 rpm whose lowest bit moves
                     seldom, values whose top bits never move, values
                     whose carries cross a byte boundary, a sensor
                     voltage jittering about one reading whose upper bits
                     move only in a start-up placeholder and an excursion,
                     status bits that change a few times, some together,
                     wheel speeds between the pieces of a count and a check
OUTDIR/learn.truth   name, identifier and bits (most significant first) of
                     each signal
OUTDIR/check.log     60 s of a cold start and a drive to 6,500 rpm
OUTDIR/check.values  one line per frame of check.log: id and name=raw of
                     each signal, as canmatrix decodes the frame
"""
import math
import os
import random
import sys

import can
import canmatrix.formats

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_discover_logs import bits_of  # noqa: E402

SECONDS = 60


def ramp(t, low, high):
    """low to high over the first half, then held."""
    return low + (high - low) * min(t / (SECONDS / 2), 1)


def wave(t, low, high, period, phase=0.0):
    return (low + high) / 2 + (high - low) / 2 * math.sin(2 * math.pi * t / period + phase)


class Learn:
    def __init__(self, rng):
        self.rng = rng
        self.switch = self.switch2 = self.moto_flag = 0
        # The sensor's own numbers: the other frames stay as they were.
        self.sensor_rng = random.Random(43)
        self.wheel_rng = random.Random(47)
        self.wheel_count = 0

    def coolant(self, t):
        r = self.rng
        if r.random() < 0.01:
            self.switch ^= 1
        return {
            "Coolant": min(127, round(ramp(t, 100, 127)) + r.choice([-1, 0, 0])),
            "Coolant128": min(128, round(ramp(t, 100, 128)) + r.choice([-1, 0, 0])),
            "SignedTorque": round(wave(t, -20, 20, 15)),
            "Level": round(wave(t, 0, 15, 11)),
            "StillStatus": 0,
            "Switch": self.switch,
            "SignedEdge": round(wave(t, -30, 30, 23, 1.0)),
        }

    def engine(self, t):
        r = self.rng
        if r.random() < 0.005:
            self.switch2 ^= 1
        rpm = wave(t, 600, 1000, 20) + r.uniform(-3, 3)
        # Half the resolution most of the time: the lowest bit moves seldom.
        speed = 2 * round(rpm / 0.5) + (1 if r.random() < 0.03 else 0)
        return {
            "EngineSpeed": speed,
            "Slow": round(wave(t, 500, 3500, 60)) + r.randint(-3, 3),
            "Switch2": self.switch2,
            "NeighbourA": round(wave(t, 20, 230, 17)),
            "NeighbourB": round(wave(t, 20, 230, 29, 2.0)),
            "TopValue": round(wave(t, 0, 3000, 37)),
        }

    def moto(self, t):
        if self.rng.random() < 0.01:
            self.moto_flag ^= 1
        return {
            "MotoLevel": round(wave(t, 100, 3000, 31)),
            "MotoFlag": self.moto_flag,
            "MotoShort": round(wave(t, 0, 1000, 13)),
        }


    def carries(self, t):
        """Values whose carries cross a byte boundary: 200..320 about 255."""
        r = self.rng
        return {"Cross": round(wave(t, 200, 320, 9)) + r.randint(-2, 2),
                "MotoCross": round(wave(t, 200, 320, 14, 1.0)) + r.randint(-2, 2)}


    def sensor(self, t):
        """A 10-bit voltage about 0x388 (0x386..0x38A); 0x3FF before the first
        reading and near 0x35A for five seconds: its bits above the lowest
        four move only in those jumps."""
        r = self.sensor_rng
        if t < 0.5:
            volts = 0x3FF
        elif 20 <= t < 25:
            volts = 0x35A + r.randint(-2, 2)
        else:
            volts = round(wave(t, 0x387, 0x389, 13)) + r.randint(-1, 1)
        # Status bits that change a few times, some together: beside each
        # other, or above a value whose bit below them they never move with.
        return {"SensorVolts": volts, "SensorFault": 0,
                "FlagA": int(t >= 10), "FlagB": int(t >= 12),
                "Pair": 3 if t >= 15 else 0, "FlagC": int(t >= 15),
                "Effort": round(wave(t, 300, 1800, 7)),
                "StatusPair": 0 if t >= 33 else 3}


    def wheels(self, t):
        """Four 14-bit wheel speeds (300..2700) with a 4-bit count and a
        4-bit check each split into two 2-bit pieces above and below them:
        a random piece lies right under the last speed's lowest bit."""
        r = self.wheel_rng
        self.wheel_count = (self.wheel_count + 1) % 16
        base = 1500 + 1200 * math.sin(2 * math.pi * t / 40)
        out = {"Wheel%d" % k: round(base + 0.3 * k) + r.choice([0, 0, 0, 1, -1])
               for k in range(4)}
        out.update({"WheelCountLow": self.wheel_count & 3, "WheelCountHigh": self.wheel_count >> 2,
                    "WheelCheckLow": 0, "WheelCheckHigh": 0})
        return out


    def moto_wheels(self, t):
        """In Motorola order: a speed with a check's random piece right under
        its lowest bit in the next byte, and a value whose noisy lowest two
        bits lie in the next byte."""
        r = self.wheel_rng
        speed = round(1500 + 1200 * math.sin(2 * math.pi * t / 40)) + r.choice([0, 0, 0, 1, -1])
        sweep = round(1650 + 1350 * math.sin(2 * math.pi * t / 30)) + r.randint(-2, 2)
        return {"MotoSpeed": speed, "MotoPiece": r.randint(0, 3), "MotoSweep": sweep}


    def edge_sweeps(self, t):
        """Intel values whose noisy lowest two bits lie at the top of the
        byte below, across the first boundary and across the last."""
        r = self.wheel_rng
        return {"FirstSweep": round(1650 + 1350 * math.sin(2 * math.pi * t / 30)) + r.randint(-2, 2),
                "LastSweep": round(512 + 450 * math.sin(2 * math.pi * t / 10)) + r.randint(-3, 3)}


class Check(Learn):
    """A cold start and a drive up to 6,500 rpm."""

    def coolant(self, t):
        out = super().coolant(t)
        out["Coolant"] = out["Coolant128"] = round(ramp(t, 45, 118))  # 5..78 degC
        out["Level"] = round(ramp(t, 0, 63))
        return out

    def engine(self, t):
        out = super().engine(t)
        out["EngineSpeed"] = round(ramp(t, 600, 6500) / 0.25)
        out["TopValue"] = round(ramp(t, 0, 65535))
        return out

    def moto(self, t):
        out = super().moto(t)
        out["MotoLevel"] = round(ramp(t, 100, 60000))
        out["MotoShort"] = round(ramp(t, 0, 4095))
        return out


def write(outdir, name, db, motion, rng):
    frames = [(db.frame_by_name("Coolant"), 100, motion.coolant),
              (db.frame_by_name("Engine"), 10, motion.engine),
              (db.frame_by_name("MotoRun"), 20, motion.moto),
              (db.frame_by_name("Carries"), 20, motion.carries),
              (db.frame_by_name("Sensor"), 100, motion.sensor),
              (db.frame_by_name("Wheels"), 20, motion.wheels),
              (db.frame_by_name("MotoWheels"), 20, motion.moto_wheels),
              (db.frame_by_name("EdgeSweeps"), 20, motion.edge_sweeps)]
    messages = []
    own_numbers = (motion.sensor, motion.wheels, motion.moto_wheels, motion.edge_sweeps)
    for frame, cycle, values in frames:
        own = random.Random(frame.arbitration_id.id) if values in own_numbers else rng
        for tick in range(0, SECONDS * 1000, cycle):
            t = tick / 1000
            signals = values(t)
            data = bytes(frame.encode(signals))
            if "WheelCheckLow" in signals:
                # The check: the XOR of the frame's nibbles, its own bits 0.
                check = 0
                for byte in data:
                    check ^= byte >> 4 ^ byte & 15
                signals.update(WheelCheckLow=check & 3, WheelCheckHigh=check >> 2)
                data = bytes(frame.encode(signals))
            messages.append(can.Message(timestamp=t + own.uniform(0, 0.0005),
                                        arbitration_id=frame.arbitration_id.id,
                                        is_extended_id=False, data=data))
    messages.sort(key=lambda m: m.timestamp)
    with can.Logger(os.path.join(outdir, name + ".log")) as writer:
        for m in messages:
            writer.on_message_received(m)
    with open(os.path.join(outdir, name + ".values"), "w") as out:
        for m in messages:
            frame = db.frame_by_id(canmatrix.ArbitrationId(m.arbitration_id))
            decoded = frame.decode(m.data)
            out.write("%x %s\n" % (m.arbitration_id, " ".join(
                "%s=%d" % (s, int(v.raw_value)) for s, v in decoded.items())))


def main():
    outdir, dbc = sys.argv[1], sys.argv[2]
    os.makedirs(outdir, exist_ok=True)
    db = canmatrix.formats.loadp_flat(dbc)
    rng = random.Random(41)
    write(outdir, "learn", db, Learn(rng), rng)
    write(outdir, "check", db, Check(rng), rng)
    with open(os.path.join(outdir, "learn.truth"), "w") as out:
        for frame in db.frames:
            for s in frame.signals:
                out.write("%s %x %s\n" % (s.name, frame.arbitration_id.id,
                                          ",".join(str(b) for b in bits_of(frame, s))))


if __name__ == "__main__":
    main()
