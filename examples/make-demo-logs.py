#!/usr/bin/env python3
"""Writes demo-drive.{log,asc,trc,blf,csv}: two seconds of traffic of
demo-vehicle.dbc's engine, gearbox and wheel-speed messages, the same frames
in five log formats (python-can writes four, the SavvyCAN CSV is written
here). Times start at 0 and step by 10 ms, so every format keeps them exactly.
The headers' start is 1970-01-01 (as python-can writes it for times from 0),
which readers take for no date: every format's times count from the log's
start.

    make-demo-logs.py [OUTDIR]   (needs Debian's python3-can, python3-canmatrix)
"""
import os
import re
import sys
from decimal import Decimal

import can
import canmatrix.formats

HERE = os.path.dirname(os.path.abspath(__file__))


def frames():
    db = canmatrix.formats.loadp_flat(os.path.join(HERE, "demo-vehicle.dbc"))
    out = []

    def add(tick, name, values):
        frame = db.frame_by_name(name)
        data = frame.encode({signal: frame.signal_by_name(signal).phys2raw(Decimal(str(value)))
                             for signal, value in values.items()})
        out.append(can.Message(timestamp=tick / 100, arbitration_id=frame.arbitration_id.id,
                               is_extended_id=frame.arbitration_id.extended, data=bytes(data)))

    for tick in range(200):
        step = tick // 10
        add(tick, "Engine_1", {"EngineSpeed": 800 + 250 * step, "EngineLoad": 20 + 2 * step,
                               "IgnitionAdvance": 10, "EngineState": 2, "AliveCounter": tick % 16})
        if tick % 5 == 0:
            add(tick, "Engine_2", {"CoolantTemp": 60 + step, "OilTemp": 70 + step,
                                   "IntakeAirTemp": 25, "BatteryVoltage": 13.8})
        if tick % 10 == 0:
            add(tick, "Engine_3", {"PageIndex": 2, "ThrottlePosition": 5 * step,
                                   "PedalPosition": 5 * step})
        if tick % 10 == 5:
            add(tick, "Engine_3", {"PageIndex": 3, "InjectionTime": 2.5 + step / 10,
                                   "Lambda1": 1.0})
        if tick % 20 == 0:
            add(tick, "EnginePressures", {"ManifoldPressure": 1000 + 50 * step,
                                          "OilPressure": 3000 + 100 * step, "FuelPressure": 4000})
            add(tick, "WheelSpeeds", {"WheelSpeedFL": 10 * step, "WheelSpeedFR": 10 * step,
                                      "WheelSpeedRL": 10 * step, "WheelSpeedRR": 10 * step})
    return out


def main():
    outdir = sys.argv[1] if len(sys.argv) > 1 else HERE
    messages = frames()
    for ext in ("log", "asc", "trc", "blf"):
        path = os.path.join(outdir, "demo-drive." + ext)
        with can.Logger(path) as writer:
            for m in messages:
                writer.on_message_received(m)
        # python-can 4.1 dates the ASC and TRC headers by the clock at writing
        # (and runs the TRC start's days and milliseconds together): date
        # them by the first frame, as its "Begin Triggerblock" and later
        # versions do.
        if ext in ("asc", "trc"):
            with open(path, newline="") as f:
                text = f.read()
            text = re.sub(r"^date [^\n]*", "date Thu Jan 01 12:00:00.000 AM 1970", text, count=1)
            text = re.sub(r";\$STARTTIME=[^\r\n]*", ";$STARTTIME=25569.0", text, count=1)
            with open(path, "w", newline="") as f:
                f.write(text)
    with open(os.path.join(outdir, "demo-drive.csv"), "w") as csv:
        csv.write("Time Stamp,ID,Extended,Dir,Bus,LEN,D1,D2,D3,D4,D5,D6,D7,D8\n")
        for m in messages:
            cells = ["%02X" % b for b in m.data] + [""] * (8 - len(m.data))
            csv.write("%d,%08X,%s,Rx,0,%d,%s,\n" % (
                round(m.timestamp * 1e6), m.arbitration_id,
                "true" if m.is_extended_id else "false", m.dlc, ",".join(cells)))


if __name__ == "__main__":
    main()
