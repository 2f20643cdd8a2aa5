#!/usr/bin/env python3
"""Writes CAN logs with python-can and decodes frames with canmatrix, as an
independent reference for the project's log readers and decoder.

    make_reference_logs.py OUTDIR DBC [SEED]

OUTDIR/frames.txt   the random frames, one a line:
                    time id extended remote error length hexdata bus
                    (bus 0 or 1: python-can's channel "can0" or "can1")
OUTDIR/frames.log, .asc, .trc, .blf   the same frames written by python-can
OUTDIR/frames.log.times, ...          the frames' times as python-can reads
                    them back, one a line (ASC with absolute times)
OUTDIR/frames.csv   the same frames as a SavvyCAN CSV log

Times are seconds since 1970; the first frame falls on a whole millisecond,
as ASC and BLF headers keep the start to the millisecond. ASC and BLF starts
are local time: run it in the time zone the readers are checked in.
OUTDIR/dbc.log      frames of the database's messages with random payloads
OUTDIR/dbc.txt      canmatrix's decoding of them: index message.signal raw physical
"""
import os
import random
import re
import struct
import sys
from datetime import datetime, timedelta, timezone

import can
import canmatrix.formats


def random_frames(rng, count):
    frames = []
    # Whole microseconds, each time the double nearest to one.
    micros = 1700000000 * 10**6 + rng.randrange(0, 1000000) * 1000
    for index in range(count):
        if index > 0:
            micros += rng.randrange(1, 200000)
        t = micros / 1e6
        kind = rng.random()
        extended = rng.random() < 0.4
        # Identifiers at both edges of their range now and then.
        top = 0x1FFFFFFF if extended else 0x7FF
        ident = rng.choice([0, top, rng.randrange(0, top + 1), rng.randrange(0, top + 1)])
        length = rng.choice([0, 8, rng.randrange(0, 9)])
        # Two buses, the second now and then; the first frame on the first.
        channel = "can1" if index > 0 and rng.random() < 0.3 else "can0"
        if kind < 0.05:
            frames.append(can.Message(timestamp=t, arbitration_id=ident, is_extended_id=extended,
                                      is_remote_frame=True, dlc=length, channel=channel))
        elif kind < 0.08:
            frames.append(can.Message(timestamp=t, arbitration_id=0x20000000 | 0x80,
                                      is_extended_id=False, is_error_frame=True, dlc=8,
                                      data=bytes(8), channel=channel))
        else:
            data = bytes(rng.choice([0, 0xFF, rng.randrange(256)]) for _ in range(length))
            frames.append(can.Message(timestamp=t, arbitration_id=ident,
                                      is_extended_id=extended, dlc=length, data=data,
                                      channel=channel))
    return frames


def write_logs(outdir, frames):
    with open(os.path.join(outdir, "frames.txt"), "w") as truth:
        for m in frames:
            truth.write("%.6f %x %d %d %d %d %s %d\n" % (
                m.timestamp, m.arbitration_id & 0x1FFFFFFF, m.is_extended_id,
                m.is_remote_frame, m.is_error_frame, m.dlc, bytes(m.data).hex() or "-",
                m.channel == "can1"))
    for ext in ("log", "asc", "trc", "blf"):
        path = os.path.join(outdir, "frames." + ext)
        with can.Logger(path) as writer:
            for m in frames:
                writer.on_message_received(m)
        if ext == "asc":
            fix_asc_date(path, frames[0].timestamp)
        if ext == "trc":
            fix_trc_start(path, frames[0].timestamp)
        with open(path + ".times", "w") as out:
            for seconds in read_times(path):
                out.write("%r\n" % seconds)
    # SavvyCAN's own CSV layout: microsecond times, hex identifier and bytes.
    with open(os.path.join(outdir, "frames.csv"), "w") as csv:
        csv.write("Time Stamp,ID,Extended,Dir,Bus,LEN,D1,D2,D3,D4,D5,D6,D7,D8\n")
        for m in frames:
            if m.is_remote_frame or m.is_error_frame:
                continue
            cells = ["%02X" % b for b in m.data] + [""] * (8 - len(m.data))
            csv.write("%d,%08X,%s,Rx,%d,%d,%s,\n" % (
                round(m.timestamp * 1e6), m.arbitration_id,
                "true" if m.is_extended_id else "false", m.channel == "can1", m.dlc,
                ",".join(cells)))


TRC_EPOCH = datetime(1899, 12, 30, tzinfo=timezone.utc)


def fix_asc_date(path, first):
    """python-can 4.1 dates the ASC header when it writes it and cuts the
    microseconds' last digits wherever they appear, the year's too: date it
    as its "Begin Triggerblock", by the first frame, so no run depends on the
    clock."""
    date = datetime.fromtimestamp(first).strftime("%a %b %d %I:%M:%S.{} %p %Y")
    date = date.format("%03d" % (round(first * 1000) % 1000))
    with open(path) as f:
        text = f.read()
    with open(path, "w") as f:
        f.write(re.sub(r"^date [^\n]*", "date " + date, text, count=1))


def fix_trc_start(path, first):
    """python-can before 4.2 writes $STARTTIME as whole days and the day's
    milliseconds run together, from the time of writing; write it as later
    versions do: days since 1899-12-30 UTC of the first frame."""
    days = (datetime.fromtimestamp(first, timezone.utc) - TRC_EPOCH) / timedelta(days=1)
    with open(path, newline="") as f:
        text = f.read()
    with open(path, "w", newline="") as f:
        f.write(re.sub(r";\$STARTTIME=[^\r\n]*", ";$STARTTIME=%r" % days, text, count=1))


def read_times(path):
    if path.endswith(".asc"):
        return [m.timestamp for m in can.ASCReader(path, relative_timestamp=False)]
    reader = can.LogReader(path)
    times = [m.timestamp for m in reader]
    if path.endswith(".trc") and not hasattr(reader, "start_time"):
        # Before 4.2 python-can's reader leaves $STARTTIME out; add it as
        # later versions do, to the microsecond.
        with open(path) as f:
            days = float(re.search(r";\$STARTTIME=(\S+)", f.read()).group(1))
        start = TRC_EPOCH + timedelta(days=days)
        times = [(start + timedelta(seconds=t)).timestamp() for t in times]
    return times


def write_decoded(outdir, dbc_path, rng, count):
    db = canmatrix.formats.loadp_flat(dbc_path)
    frames = [f for f in db.frames if f.name != "Dashboard"]
    messages = []
    with open(os.path.join(outdir, "dbc.txt"), "w") as out:
        for index in range(count):
            frame = rng.choice(frames)
            data = bytearray(rng.choice([0, 0xFF, rng.randrange(256)]) for _ in range(8))
            if frame.name == "Engine_3":
                data[0] = rng.choice([0, 2, 3, 255])  # the multiplexor's page
            if frame.name == "EnginePressures":
                data[4:8] = struct.pack("<f", rng.uniform(-1e6, 1e6))
            messages.append(can.Message(timestamp=index * 0.01, arbitration_id=frame.arbitration_id.id,
                                        is_extended_id=frame.arbitration_id.extended,
                                        data=bytes(data)))
            for name, signal in frame.decode(bytes(data)).items():
                out.write("%d %s.%s %r %r\n" % (index, frame.name, name, float(signal.raw_value),
                                             float(signal.phys_value)))
    with can.Logger(os.path.join(outdir, "dbc.log")) as writer:
        for m in messages:
            writer.on_message_received(m)


def main():
    outdir, dbc_path = sys.argv[1], sys.argv[2]
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else random.randrange(1 << 30)
    print("make_reference_logs.py seed", seed)
    rng = random.Random(seed)
    os.makedirs(outdir, exist_ok=True)
    write_logs(outdir, random_frames(rng, 400))
    write_decoded(outdir, dbc_path, rng, 400)


if __name__ == "__main__":
    main()
