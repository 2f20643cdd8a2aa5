#!/usr/bin/env python3
"""Writes discover-demo-obd.log: thirty seconds of a drive on
demo-vehicle.dbc's bus (every message at its own rate, values that move as a
car's do: idle, two pulls through the gears, full throttle from 12 s to 15 s,
a cruise, a coast down), with a tester polling OBD-II mode 01 for engine speed
(0C), coolant (05) and throttle (11) in turn every 50 ms on 0x7DF and the
engine answering on 0x7E8. The answers carry the same quantities as the
database's EngineSpeed, CoolantTemp and ThrottlePosition, encoded with the
SAE J1979 formulas, so a field found in the traffic can be named and scaled
from them.

    make-discover-demo-log.py [OUTDIR]   (needs Debian's python3-can, python3-canmatrix)
"""
import math
import os
import struct
import sys
from decimal import Decimal

import can
import canmatrix.formats

HERE = os.path.dirname(os.path.abspath(__file__))
DURATION = 30.0


def ramp(t, points):
    """The value at t of a curve through (time, value) points, eased between them."""
    if t <= points[0][0]:
        return points[0][1]
    for (t0, v0), (t1, v1) in zip(points, points[1:]):
        if t <= t1:
            w = (t - t0) / (t1 - t0)
            return v0 + (v1 - v0) * (1 - math.cos(math.pi * w)) / 2
    return points[-1][1]


# The driver's foot: idle, a pull in first, a shift, a pull in second, full
# throttle from 12 s to 15 s, a cruise, a coast down to idle.
PEDAL = [(0, 0), (3, 0), (4, 55), (7, 60), (7.3, 0), (7.8, 0), (8.5, 45), (11.5, 50),
         (12, 100), (15, 100), (15.3, 0), (16, 0), (17, 25), (24, 22), (24.5, 0), (30, 0)]
RPM = [(0, 820), (3, 820), (7, 4600), (7.6, 2900), (11.5, 5200), (15, 6850), (15.6, 3300),
       (17, 3100), (24, 3000), (28, 1200), (29, 820), (30, 820)]
GEAR = [(0, 0), (2.5, 1), (7.4, 2), (15.4, 3), (26, 0)]


def pedal(t):
    return ramp(t, PEDAL)


def throttle(t):
    # The throttle plate follows the pedal a little late and never shuts
    # completely (idle air).
    return min(100.0, 3.5 + 0.95 * pedal(t - 0.12))


def rpm(t):
    return ramp(t, RPM) + 12 * math.sin(2 * math.pi * 1.7 * t)


def load(t):
    # Grows with the throttle, less so at high engine speed.
    return min(100, 12 + 0.9 * throttle(t) * (1.15 - rpm(t) / 14000))


def gear(t):
    g = 0
    for start, value in GEAR:
        if t >= start:
            g = value
    return g


def coolant(t):
    return 72 + 16 * (1 - math.exp(-t / 14))


def oil_temp(t):
    return 65 + 0.012 * t * t


def speed_kmh(t):
    ratio = {0: 0, 1: 0.0075, 2: 0.0135, 3: 0.0195}[gear(t)]
    return rpm(t) * ratio


def frames(db):
    out = []

    def add(t, name, values):
        frame = db.frame_by_name(name)
        raw = {}
        for signal_name, value in values.items():
            signal = frame.signal_by_name(signal_name)
            if signal.is_float:
                raw[signal_name] = value
            else:
                steps = (Decimal(str(value)) - signal.offset) / signal.factor
                raw[signal_name] = int(steps.to_integral_value())
        data = frame.encode(raw)
        out.append(can.Message(timestamp=round(t, 6), arbitration_id=frame.arbitration_id.id,
                               is_extended_id=frame.arbitration_id.extended, data=bytes(data)))

    ticks = int(DURATION * 100)
    for tick in range(ticks):
        t = tick / 100
        add(t, "Engine_1", {"EngineSpeed": rpm(t), "EngineLoad": load(t),
                            "IgnitionAdvance": 12 + rpm(t) / 400 - 0.15 * load(t),
                            "EngineState": 2 if rpm(t) > 500 else 1,
                            "AliveCounter": tick % 16})
        if tick % 10 == 2:
            add(t, "Engine_2", {"CoolantTemp": coolant(t), "OilTemp": oil_temp(t),
                                "IntakeAirTemp": 24 + 3 * math.sin(t / 9),
                                "BatteryVoltage": 13.5 + 0.6 * (1 - math.exp(-rpm(t) / 1500))})
        if tick % 10 == 4:
            add(t, "Engine_3", {"PageIndex": 2, "ThrottlePosition": throttle(t),
                                "PedalPosition": pedal(t)})
        if tick % 10 == 9:
            add(t, "Engine_3", {"PageIndex": 3, "InjectionTime": 1.5 + 0.1 * load(t),
                                "Lambda1": 1.0 - 0.12 * (load(t) / 100) ** 2})
        if tick % 10 == 6:
            add(t, "EnginePressures", {"ManifoldPressure": 300 + 7 * load(t),
                                       "OilPressure": 60 * math.sqrt(rpm(t)),
                                       "FuelPressure": 4000 + 2 * load(t)})
        if tick % 5 == 1:
            wheel = speed_kmh(t) / 3.6 / (0.31 * 2 * math.pi)  # rotations per second
            add(t, "WheelSpeeds", {"WheelSpeedFL": wheel, "WheelSpeedFR": wheel * 1.002,
                                   "WheelSpeedRL": wheel * 0.998, "WheelSpeedRR": wheel})
            add(t, "ChassisDynamics", {"SteeringAngle": 35 * math.sin(t / 3.1),
                                       "LateralAccel": 0.25 * math.sin(t / 3.1),
                                       "BrakePressureFront": 0})
        if tick % 10 == 7:
            shaft = rpm(t) / 60 if gear(t) else 0
            add(t, "Gearbox_1", {"GearSelected": gear(t), "GearboxOilTemp": 50 + t / 4,
                                 "InputShaftSpeed": shaft,
                                 "OutputShaftSpeed": speed_kmh(t) * 2.2,
                                 "ShiftTime": 180, "AliveCounter": (tick // 10) % 16})
        if tick % 100 == 50:
            add(t, "Dashboard", {"OdometerTotal": 48213.0 + t / 100})
    return out


def obd_frames():
    """A tester asks for 0C, 05 and 11 in turn every 50 ms; the engine answers
    3 ms later with the value at that moment (J1979: 0C = (256A+B)/4 rpm,
    05 = A-40 degC, 11 = 100A/255 %)."""
    out = []
    pids = [0x0C, 0x05, 0x11]
    for n in range(int(DURATION / 0.05)):
        ask = round(n * 0.05 + 0.013, 6)
        pid = pids[n % 3]
        out.append(can.Message(timestamp=ask, arbitration_id=0x7DF, is_extended_id=False,
                               data=bytes([0x02, 0x01, pid, 0x55, 0x55, 0x55, 0x55, 0x55])))
        t = round(ask + 0.003, 6)
        if pid == 0x0C:
            value = round(rpm(t) * 4)
            payload = [0x41, pid, value >> 8, value & 0xFF]
        elif pid == 0x05:
            payload = [0x41, pid, round(coolant(t)) + 40]
        else:
            payload = [0x41, pid, round(throttle(t) * 255 / 100)]
        data = [len(payload)] + payload + [0x55] * (7 - len(payload))
        out.append(can.Message(timestamp=t, arbitration_id=0x7E8, is_extended_id=False,
                               data=bytes(data)))
    return out


def main():
    outdir = sys.argv[1] if len(sys.argv) > 1 else HERE
    db = canmatrix.formats.loadp_flat(os.path.join(HERE, "demo-vehicle.dbc"))
    messages = sorted(frames(db) + obd_frames(), key=lambda m: m.timestamp)
    with can.Logger(os.path.join(outdir, "discover-demo-obd.log")) as writer:
        for m in messages:
            writer.on_message_received(m)


if __name__ == "__main__":
    main()
