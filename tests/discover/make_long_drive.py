#!/usr/bin/env python3
"""Writes a long drive with OBD-II answers, from long-drive.dbc, with
canmatrix encoding the frames and python-can writing the log: what a field's
fit to a reference must hold over a whole session at the track.

    make_long_drive.py OUTDIR DBC [SECONDS]    (default 7200, two hours)

OUTDIR/long-drive.log    a cold start, then laps of 93 s: pulls through the
                         gears to 7,000 rpm and 230 km/h, lifts and brakes
                         within a second or two, a slow corner; a tester's
                         answers for 0C, 0D, 05 and 11 in turn every 100 ms
OUTDIR/long-drive.truth  a comment, "seconds N", then per PID: the PID, the
                         identifier, start bit, length, factor and offset of
                         the signal carrying it
Both are kept when they are newer than this script and the database, and of
the same length.
"""
import math
import os
import random
import sys
from decimal import Decimal

import can
import canmatrix.formats

LAP = 93.0
# (time in the lap, engine speed, vehicle speed, throttle): a pull in each
# gear, a lift and a hard brake, a slow corner, the straight again.
LAP_POINTS = [(0, 3200, 60, 100), (4, 7000, 95, 100), (4.4, 4600, 96, 100),
              (9, 7000, 140, 100), (9.4, 5200, 141, 100), (16, 7000, 190, 100),
              (16.4, 5600, 191, 100), (25, 6900, 230, 100), (26, 6000, 225, 0),
              (28.5, 3500, 110, 0), (31, 4200, 100, 45), (38, 5600, 150, 85),
              (40, 5800, 160, 20), (43, 3000, 70, 0), (47, 2400, 55, 30),
              (52, 5800, 120, 100), (58, 6900, 175, 100), (59, 5000, 165, 0),
              (62, 3600, 90, 10), (66, 4800, 105, 70), (74, 6800, 170, 100),
              (75, 5500, 168, 0), (79, 2600, 58, 35), (86, 5200, 75, 100), (93, 3200, 60, 100)]
PIDS = [0x0C, 0x0D, 0x05, 0x11]


def lap_value(t, column):
    t %= LAP
    for a, b in zip(LAP_POINTS, LAP_POINTS[1:]):
        if t <= b[0]:
            w = (t - a[0]) / (b[0] - a[0])
            return a[column] + (b[column] - a[column]) * w
    return LAP_POINTS[-1][column]


class Drive:
    def __init__(self, seconds):
        self.seconds = seconds
        self.rng = random.Random(7)

    def rpm(self, t):
        # Idle while the engine warms, then the laps, with a ripple.
        if t < 60:
            return 850 + 20 * math.sin(t)
        return lap_value(t - 60, 1) + 15 * math.sin(2 * math.pi * 2.3 * t)

    def speed(self, t):
        return 0.0 if t < 60 else lap_value(t - 60, 2)

    def throttle(self, t):
        return 2.0 if t < 60 else min(100.0, 2.0 + 0.98 * lap_value(t - 60.1, 3))

    def coolant(self, t):
        # From 5 degC to 90 degC over some twenty minutes, then the thermostat.
        warm = 5 + 85 * (1 - math.exp(-t / 420))
        return warm + (3 * math.sin(t / 50) if t > 1500 else 0)

    def oil(self, t):
        return 5 + 100 * (1 - math.exp(-t / 900))


def encoder(db, out):
    def add(t, name, values):
        frame = db.frame_by_name(name)
        raw = {}
        for signal in frame.signals:
            value = values.get(signal.name, 0)
            steps = (Decimal(repr(value)) - signal.offset) / signal.factor
            low, high = (-(1 << (signal.size - 1)), (1 << (signal.size - 1)) - 1) \
                if signal.is_signed else (0, (1 << signal.size) - 1)
            raw[signal.name] = max(low, min(high, int(steps.to_integral_value())))
        out.append(can.Message(timestamp=round(t, 6), arbitration_id=frame.arbitration_id.id,
                               is_extended_id=frame.arbitration_id.extended,
                               data=bytes(frame.encode(raw))))
    return add


def answer(t, pid, drive):
    """The engine's answer, J1979: 0C = (256A+B)/4 rpm, 0D = A km/h,
    05 = A-40 degC, 11 = 100A/255 %."""
    if pid == 0x0C:
        value = round(drive.rpm(t) * 4)
        payload = [0x41, pid, value >> 8, value & 0xFF]
    elif pid == 0x0D:
        payload = [0x41, pid, min(255, round(drive.speed(t)))]
    elif pid == 0x05:
        payload = [0x41, pid, round(drive.coolant(t)) + 40]
    else:
        payload = [0x41, pid, round(drive.throttle(t) * 255 / 100)]
    data = [len(payload)] + payload + [0x55] * (7 - len(payload))
    return can.Message(timestamp=round(t, 6), arbitration_id=0x7E8, is_extended_id=False,
                       data=bytes(data))


def main():
    outdir, dbc = sys.argv[1], sys.argv[2]
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 7200.0
    os.makedirs(outdir, exist_ok=True)
    # Written once: a log newer than this script and the database is kept.
    log_path = os.path.join(outdir, "long-drive.log")
    truth_path = os.path.join(outdir, "long-drive.truth")
    sources = max(os.path.getmtime(__file__), os.path.getmtime(dbc))
    if all(os.path.exists(p) and os.path.getmtime(p) > sources for p in (log_path, truth_path)):
        with open(truth_path) as truth:
            if truth.readline().startswith("#"):
                if truth.readline().split() == ["seconds", repr(seconds)]:
                    return
    db = canmatrix.formats.loadp_flat(dbc)
    drive = Drive(seconds)
    frames = []
    add = encoder(db, frames)
    for tick in range(int(seconds * 20)):
        t = tick / 20
        load = drive.throttle(t) * (0.55 + drive.rpm(t) / 16000)  # not a multiple of either
        add(t, "Engine", {"EngineSpeed": drive.rpm(t), "EngineLoad": load,
                          "AliveCounter": tick % 16})
        if tick % 2 == 1:
            add(t, "Vehicle", {"VehicleSpeed": drive.speed(t),
                               "SteeringAngle": 90 * math.sin(t / 7.3)})
            add(t + 0.002, "Pedals", {"ThrottlePosition": drive.throttle(t),
                                      "PedalPosition": drive.throttle(t + 0.1),
                                      "BrakeSwitch": int(drive.throttle(t) < 3)})
        if tick % 20 == 7:
            add(t, "Temperatures", {"CoolantTemp": drive.coolant(t), "OilTemp": drive.oil(t)})
    for n in range(int(seconds * 10)):
        frames.append(answer(n * 0.1 + 0.013, PIDS[n % len(PIDS)], drive))
    frames.sort(key=lambda m: m.timestamp)
    with can.Logger(log_path) as log:
        for message in frames:
            log.on_message_received(message)
    carrying = {0x0C: "EngineSpeed", 0x0D: "VehicleSpeed", 0x05: "CoolantTemp",
                0x11: "ThrottlePosition"}
    with open(truth_path + ".part", "w") as truth:
        truth.write("# pid identifier start-bit length factor offset\n")
        truth.write(f"seconds {seconds!r}\n")
        for pid, name in carrying.items():
            for frame in db.frames:
                for signal in frame.signals:
                    if signal.name == name:
                        truth.write(f"{pid} {frame.arbitration_id.id} {signal.start_bit} "
                                    f"{signal.size} {signal.factor} {signal.offset}\n")
    os.replace(truth_path + ".part", truth_path)  # last: a cut run is written again


if __name__ == "__main__":
    main()
