#!/usr/bin/env python3
"""Plays an SLCAN adapter on a pseudo-terminal for the Windows window's test.

usage: slcan_peer.py LOG RECEIVED SEEN

Prints the terminal's device, to be linked as a COM port. Waits for the
commands that close, set the bit rate and open the channel, answers them
(the close with the error answer, as an adapter whose channel was closed
does), sends the frames of the candump LOG as SLCAN lines (every other one
with a time stamp, and one line that is no frame after the eleventh), then
waits until the file SEEN exists and hangs up, as an unplugged adapter does.
Everything the program sent is written to RECEIVED.
"""
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

    read_for(180, lambda: received.endswith(OPEN_COMMANDS))
    if received.endswith(OPEN_COMMANDS):
        os.write(master, b"\a\r\r")
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
