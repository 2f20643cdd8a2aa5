#!/usr/bin/env python3
"""Writes the logs the marks and time-window hints are checked against, from
marks.dbc, canmatrix encoding the frames and python-can writing candump -l
logs of 60 s:

    make_marks_logs.py OUTDIR

OUTDIR/marks.log      the brake switch pressed 0.6 s after each of the marks
                      12.1, 25.3 and 40.8 s for 0.8 s; a horn and a door
                      switched at other times (the door also at 12.5 s); an
                      indicator blinking from 20 to 24 s; the accelerator
                      pressed to 100 % from 12 to 15 s and from 30 to 33 s
                      and at 0 otherwise; an engine speed, a coolant
                      temperature and a steering angle moving all along
OUTDIR/marks-tie.log  the same, with the brake light following the brake
                      switch in another frame: the marks cannot tell them
                      apart
"""
import math
import os
import sys

import can
import canmatrix.formats

HERE = os.path.dirname(os.path.abspath(__file__))
SECONDS = 60
MARKS = [12.1, 25.3, 40.8]
BRAKE = [(m + 0.6, m + 1.4) for m in MARKS]
HORN = [(5, 5.5), (18, 18.4), (33.5, 34), (50, 50.2)]
DOOR = [(12.5, 30), (45, 61)]
PEDAL = [(12, 15), (30, 33)]


def within(t, spans):
    return any(a <= t < b for a, b in spans)


def pedal(t):
    # Pressed over a second, held, released over a second.
    level = 0.0
    for a, b in PEDAL:
        level = max(level, min(1.0, max(0.0, min(t - a, b - t) / 1.0)))
    return 100 * level


def write(path, tie):
    db = canmatrix.formats.loadp_flat(os.path.join(HERE, "marks.dbc"))
    out = []

    def add(t, name, values):
        frame = db.frame_by_name(name)
        raw = {s.name: 0 for s in frame.signals}
        for signal_name, value in values.items():
            s = frame.signal_by_name(signal_name)
            raw[signal_name] = int(round((value - float(s.offset)) / float(s.factor)))
        out.append(can.Message(timestamp=round(t, 6), arbitration_id=frame.arbitration_id.id,
                               is_extended_id=False, data=bytes(frame.encode(raw))))

    for tick in range(SECONDS * 100):
        t = tick / 100
        add(t + 0.001, "Pedals", {"AccelPedal": pedal(t),
                                  "EngineSpeed": 2500 + 1500 * math.sin(t / 5),
                                  "CoolantTemp": 60 + 30 * (1 - math.exp(-t / 25)),
                                  "SteeringAngle": 180 * math.sin(t / 3)})
        if tick % 2 == 0:
            add(t + 0.003, "Brake_1", {"BrakeSwitch": within(t, BRAKE),
                                       "HornSwitch": within(t, HORN),
                                       "DoorOpen": within(t, DOOR),
                                       "AliveCounter": (tick // 2) % 16})
        if tick % 5 == 0:
            add(t + 0.004, "Lights", {"BrakeLight": tie and within(t, BRAKE),
                                      "Indicator": 20 <= t < 24 and int(t * 3) % 2 == 0})
    out.sort(key=lambda m: m.timestamp)
    with can.Logger(path) as writer:
        for m in out:
            writer.on_message_received(m)


def main():
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)
    write(os.path.join(outdir, "marks.log"), False)
    write(os.path.join(outdir, "marks-tie.log"), True)


if __name__ == "__main__":
    main()
