#!/usr/bin/env python3
"""Plays an SLCAN adapter on a pseudo-terminal for the Windows window's test.

usage: slcan_peer.py LOG RECEIVED SEEN
       slcan_peer.py brake RECEIVED SEEN

Prints the terminal's device, to be linked as a COM port. Waits for the
commands that close, set the bit rate and open the channel, answers them
(the close with the error answer, as an adapter whose channel was closed
does), sends the frames of the candump LOG as SLCAN lines (every other one
with a time stamp, and one line that is no frame after the eleventh), then
waits until the file SEEN exists and hangs up, as an unplugged adapter does.
Everything the program sent is written to RECEIVED.

With "brake" for LOG it plays, in real time, 8 s of a car at standstill
whose brake is pressed three times (at 1.5, 3.5 and 5.5 s, for 0.6 s): the
switch at 0x1A0 bit 0 and the pressure at bits 16 to 31 move only then,
beside a counter, a blinker flag, an idling engine speed and a gear.
"""
import math
import os
import pty
import select
import sys
import time
import tty

OPEN_COMMANDS = b"C\rS6\rO\r"


def slcan_lines(log_path):
    lines = []
    with open(log_path) as log:
        for number, text in enumerate(log):
            fields = text.split()
            if len(fields) < 3 or "#" not in fields[2]:
                continue
            ident, data = fields[2].split("#", 1)
            extended = len(ident) > 3
            if data.startswith("R"):
                kind = "R" if extended else "r"
                body = data[1:2] or "0"
            else:
                kind = "T" if extended else "t"
                body = str(len(data) // 2) + data.upper()
            line = kind + ident.upper().rjust(8 if extended else 3, "0") + body
            if len(lines) % 2:
                line += "%04X" % (int(float(fields[0].strip("()")) * 1000) % 60000)
            lines.append(line.encode() + b"\r")
            if len(lines) == 11:
                lines.append(b"t12X0\r")
    return lines


PRESSES = (1.5, 3.5, 5.5)
PRESS_SECONDS = 0.6


def brake_frames(t, tick):
    """The three frames of the car at standstill at time t, as SLCAN lines."""
    pressed = [t - at for at in PRESSES if at <= t < at + PRESS_SECONDS]
    braking = 1 if pressed else 0
    pressure = min(3000, int(pressed[0] * 12000)) if pressed else 0
    brake = braking | pressure << 16 | (tick & 0xF) << 56
    blinker = int(t / 0.7) % 2
    rpm = int((800 + 60 * math.sin(t * 2)) * 4)
    engine = blinker | rpm << 8
    gear = 0x55 | (1, 3, 7)[int(t / 1.3) % 3] << 32
    return [b"t%03X8%s\r" % (ident, data.to_bytes(8, "little").hex().upper().encode())
            for ident, data in ((0x1A0, brake), (0x2B0, engine), (0x3C0, gear))]


def play_brake(master):
    start, tick = time.monotonic(), 0
    while True:
        t = time.monotonic() - start
        if t >= 8:
            return
        tick += 1
        os.write(master, b"".join(brake_frames(t, tick)))
        time.sleep(0.02)


def main():
    log_path, received_path, seen_path = sys.argv[1:4]
    master, slave = pty.openpty()
    tty.setraw(slave)  # no echo, no line editing: bytes pass as they are
    print(os.ttyname(slave), flush=True)
    received = b""

    def read_for(seconds, until):
        nonlocal received
        deadline = time.monotonic() + seconds
        while not until() and time.monotonic() < deadline:
            ready, _, _ = select.select([master], [], [], 0.1)
            if ready:
                received += os.read(master, 4096)

    # A test that never connects makes SEEN all the same.
    read_for(180, lambda: received.endswith(OPEN_COMMANDS) or os.path.exists(seen_path))
    if received.endswith(OPEN_COMMANDS):
        os.write(master, b"\a\r\r")
        if log_path == "brake":
            play_brake(master)
        else:
            for line in slcan_lines(log_path):
                os.write(master, line)
        read_for(180, lambda: os.path.exists(seen_path))
    with open(received_path, "wb") as out:
        out.write(received)
    os.close(master)  # the adapter unplugged
    time.sleep(1)
    os.close(slave)


if __name__ == "__main__":
    main()
