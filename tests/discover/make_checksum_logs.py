#!/usr/bin/env python3
"""Writes one candump log per checksum family: frames whose checksum byte or
nibble is computed here, bit by bit, independently of the engine's tables.

    make_checksum_logs.py OUTDIR

OUTDIR/NAME.log   candump -L log, 400 frames (fewer for the evidence rows)
The rows and what discovery must find in them are in tests/tst_checksum.cpp.
"""
import os
import random
import sys


def crc8(data, poly, init, xorout, reflected=False):
    """CRC-8 the long way: one bit at a time, MSB first (or LSB first)."""
    reg = init
    if reflected:
        rpoly = int(f'{poly:08b}'[::-1], 2)
        for byte in data:
            reg ^= byte
            for _ in range(8):
                reg = (reg >> 1) ^ rpoly if reg & 1 else reg >> 1
    else:
        for byte in data:
            reg ^= byte
            for _ in range(8):
                reg = ((reg << 1) ^ poly) & 0xFF if reg & 0x80 else (reg << 1) & 0xFF
    return reg ^ xorout


def id_bytes(ident, extended):
    return list(ident.to_bytes(4 if extended else 2, 'big'))


def nibbles(frame):
    return [n for b in frame for n in (b & 0xF, b >> 4)]


def random_frame(rng, length, k):
    """Random bytes with a counter in byte 1's low nibble, as frames carry."""
    frame = [rng.randrange(256) for _ in range(length)]
    if length > 1:
        frame[1] = (frame[1] & 0xF0) | (k & 0xF)
    return frame


def make(rng, name, ident, length, place, check, extended=False, frames=400, lengths=None,
         distinct=None, fill=None):
    """check(frame, length) gives the checksum byte at `place`."""
    lines, pool = [], None
    if distinct is not None:  # only this many different frames, repeated
        pool = [random_frame(rng, length, k) for k in range(distinct)]
    for k in range(frames):
        n = lengths[k % len(lengths)] if lengths else length
        frame = fill(rng, n, k) if fill else (
            list(pool[k % distinct]) if pool else random_frame(rng, n, k))
        frame[place] = check(frame, n)  # reads none of its own bits but a counter's
        ident_text = f'{ident:08X}' if extended else f'{ident:03X}'
        lines.append(f'({1000 + k * 0.01:.6f}) can0 {ident_text}#{bytes(frame).hex().upper()}\n')
    return name, lines


def rows(rng):
    s = lambda f, a, b: sum(f[a:b])
    x = lambda f, a, b: __import__('functools').reduce(lambda p, q: p ^ q, f[a:b], 0)
    ib = lambda i, e=False: sum(id_bytes(i, e))
    xi = lambda i: __import__('functools').reduce(lambda p, q: p ^ q, id_bytes(i, False), 0)

    def nib_check(ident):
        def check(f, n):  # the low nibble of byte 7; its high nibble a counter
            others = nibbles(f)[:14] + [f[7] >> 4]
            return (f[7] & 0xF0) | ((sum(others) + sum(int(c, 16) for c in f'{ident:X}')) & 0xF)
        return check

    def nib_high(f, n):  # the high nibble of byte 7; its low nibble a counter
        others = nibbles(f)[:14] + [f[7] & 0xF]
        return (f[7] & 0x0F) | (((sum(others) + 0x4 + 0x9 + 0x9) & 0xF) << 4)

    def nib_fill_low(rng, n, k):
        f = [rng.randrange(256) for _ in range(n)]
        f[7] = k & 0xF
        return f

    def nib_xor(f, n):  # the low nibble of byte 7: XOR of the others and of 0x498's
        others = nibbles(f)[:14] + [f[7] >> 4]
        return (f[7] & 0xF0) | __import__('functools').reduce(lambda p, q: p ^ q, others, 4 ^ 9 ^ 8)

    def nib_fill(rng, n, k):
        f = [rng.randrange(256) for _ in range(n)]
        f[7] = (k & 0xF) << 4
        return f

    def only_counter(rng, n, k):  # byte 7 copies the counter in byte 1
        f = [0x11, k & 0xFF, 0, 0, 0, 0, 0, 0]
        return f

    def slow(rng, n, k):  # byte 7 creeps up, the rest random
        f = [rng.randrange(256) for _ in range(n)]
        f[7] = (k // 20) & 0xFF
        return f

    def toyota_short(rng, n, k):  # checksum in byte 3, bytes 4-7 fixed
        return [rng.randrange(256), k & 0xFF, rng.randrange(256), 0, 0x12, 0x34, 0x56, 0x78]

    yield make(rng, 'sum_last', 0x123, 8, 7, lambda f, n: s(f, 0, 7) & 0xFF)
    yield make(rng, 'sum_id_length', 0x2C1, 8, 7, lambda f, n: (s(f, 0, 7) + ib(0x2C1) + 8) & 0xFF)
    yield make(rng, 'sum_first_lengths', 0x1F5, 8, 0,
               lambda f, n: (s(f, 1, n) + ib(0x1F5) + n) & 0xFF, lengths=[1, 2, 3, 4, 5, 6, 7, 8])
    yield make(rng, 'sum_after_middle', 0x1F6, 8, 2, lambda f, n: s(f, 3, 8) & 0xFF)
    yield make(rng, 'sum_constant', 0x321, 8, 7, lambda f, n: (s(f, 0, 7) + 0x5A) & 0xFF)
    yield make(rng, 'negated_sum', 0x322, 8, 7, lambda f, n: (-s(f, 0, 7)) & 0xFF)
    yield make(rng, 'ff_minus_sum', 0x323, 8, 7, lambda f, n: (0xFF - s(f, 0, 7)) & 0xFF)
    yield make(rng, 'xor_first', 0x324, 8, 0, lambda f, n: x(f, 1, 8))
    yield make(rng, 'xor_id', 0x325, 8, 7, lambda f, n: x(f, 0, 7) ^ xi(0x325))
    yield make(rng, 'sum_extended', 0x18FEF100, 8, 7,
               lambda f, n: (s(f, 0, 7) + ib(0x18FEF100, True) + 8) & 0xFF, extended=True)
    yield make(rng, 'sum_middle', 0x0BA, 8, 3, lambda f, n: (s(f, 0, 3) + ib(0x0BA) + 4) & 0xFF,
               fill=toyota_short)
    yield make(rng, 'nibble_counter', 0x498, 8, 7, nib_check(0x498), fill=nib_fill)
    yield make(rng, 'nibble_xor', 0x498, 8, 7, nib_xor, fill=nib_fill)
    yield make(rng, 'nibble_high', 0x499, 8, 7, nib_high, fill=nib_fill_low)
    # The first and last odd generators tried.
    yield make(rng, 'crc_03_last', 0x337, 8, 7, lambda f, n: crc8(f[0:7], 0x03, 0x00, 0x00))
    yield make(rng, 'crc_ff_last', 0x338, 8, 7, lambda f, n: crc8(f[0:7], 0xFF, 0x00, 0x00))
    yield make(rng, 'crc_1d_first', 0x330, 8, 0, lambda f, n: crc8(f[1:8], 0x1D, 0xFF, 0xFF))
    yield make(rng, 'crc_2f_last', 0x331, 8, 7, lambda f, n: crc8(f[0:7], 0x2F, 0xFF, 0xFF))
    yield make(rng, 'crc_07_last', 0x332, 8, 7, lambda f, n: crc8(f[0:7], 0x07, 0x00, 0x00))
    yield make(rng, 'crc_31_reflected', 0x333, 8, 7,
               lambda f, n: crc8(f[0:7], 0x31, 0x00, 0x00, reflected=True))
    yield make(rng, 'crc_2f_init_ff', 0x339, 8, 7, lambda f, n: crc8(f[0:7], 0x2F, 0xFF, 0x00))
    yield make(rng, 'crc_2f_xorout', 0x334, 8, 7, lambda f, n: crc8(f[0:7], 0x2F, 0x00, 0x5A))
    yield make(rng, 'crc_1d_identifier', 0x335, 8, 7,
               lambda f, n: crc8(id_bytes(0x335, False) + f[0:7], 0x1D, 0xFF, 0xFF))
    yield make(rng, 'crc_1d_lengths', 0x336, 8, 0, lambda f, n: crc8(f[1:n], 0x1D, 0xFF, 0x00),
               lengths=[2, 3, 4, 5, 6, 7, 8])
    # Evidence edges: distinct frames just short of the threshold, and at it.
    yield make(rng, 'sum_7_distinct', 0x340, 8, 7, lambda f, n: s(f, 0, 7) & 0xFF, distinct=7)
    yield make(rng, 'sum_8_distinct', 0x341, 8, 7, lambda f, n: s(f, 0, 7) & 0xFF, distinct=8)
    yield make(rng, 'nibble_8_distinct', 0x498, 8, 7, nib_check(0x498), distinct=8)
    yield make(rng, 'nibble_9_distinct', 0x498, 8, 7, nib_check(0x498), distinct=9)
    # No family: random, a creeping byte, a copy of a counter.
    yield make(rng, 'random', 0x350, 8, 7, lambda f, n: rng.randrange(256))
    yield make(rng, 'slow', 0x351, 8, 7, lambda f, n: f[7], fill=slow)
    yield make(rng, 'copy_of_counter', 0x352, 8, 7, lambda f, n: (f[1] + 3) & 0xFF,
               fill=only_counter)

    # Frames whose only moving content is a counter, as buttons, doors and
    # lamps send theirs: the checksum then moves as a copy of the counter.
    def counter_in_byte_1(rng, n, k):  # a 4-bit counter, the rest still
        return [0, 0x30 | (k & 0xF), 0x12, 0, 0, 0x80, 0, 0]

    def counter_high_byte_6(rng, n, k):
        return [0, 0, 0x33, 0, 0, 0, (k & 0xF) << 4, 0]

    def two_bit_counter(rng, n, k):  # bits 4-5 of byte 7 count 0 to 3
        return [0, 0, 0x20, 0, 0, 0, 0, (k & 3) << 4]

    def pressed_once(rng, n, k):  # the same, and a button held for ten frames
        f = two_bit_counter(rng, n, k)
        f[0] = 0x20 if 200 <= k < 210 else 0
        return f

    def counting_to_two(rng, n, k):  # 0, 1, 2: the lowest bit stays in a third of the steps
        return [0, k % 3, 0, 0, 0, 0, 0, 0]

    def creeping(rng, n, k):  # one slow value in a nibble moves, nothing else
        return [0, (k // 20) & 0xF, 0, 0, 0, 0, 0, 0]

    def honda(ident):
        def check(f, n):  # the low nibble of byte 7: 8 minus the sum of all other nibbles
            others = nibbles(f)[:14] + [f[7] >> 4]
            return (f[7] & 0xF0) | ((8 - sum(others) - sum(int(c, 16) for c in f'{ident:X}')) & 0xF)
        return check

    yield make(rng, 'only_counter_sum_first', 0x140, 8, 0,
               lambda f, n: (s(f, 1, 8) + ib(0x140)) & 0xFF, fill=counter_in_byte_1)
    yield make(rng, 'only_counter_sum_last', 0x251, 8, 7, lambda f, n: s(f, 0, 7) & 0xFF,
               fill=counter_high_byte_6)
    yield make(rng, 'only_two_bit_counter', 0x296, 8, 7, honda(0x296), fill=two_bit_counter)
    yield make(rng, 'counter_pressed_once', 0x1A6, 8, 7, honda(0x1A6), fill=pressed_once)
    yield make(rng, 'only_counter_3_frames', 0x297, 8, 7, honda(0x297), fill=two_bit_counter,
               frames=3)
    yield make(rng, 'counting_to_two', 0x298, 8, 7, lambda f, n: s(f, 0, 7) & 0xFF,
               fill=counting_to_two)
    yield make(rng, 'copy_of_slow_value', 0x299, 8, 7, lambda f, n: s(f, 0, 7) & 0xFF,
               fill=creeping)

    # No family, but nothing else moves: a CRC over the frame and a byte of
    # its own per counter value (as an AUTOSAR data ID), an unknown nibble.
    data_ids = [rng.randrange(256) for _ in range(16)]

    def crc_with_data_id(f, n):
        return crc8(f[1:8] + [data_ids[f[1] & 0xF]], 0x2F, 0xFF, 0xFF)

    def counter_5_bits(rng, n, k):
        return [0, k & 0x1F, 0x12, 0, 0, 0x80, 0, 0]

    def counter_and_flag(rng, n, k):  # a flag held for a while, once
        f = counter_in_byte_1(rng, n, k)
        f[4] = 0x01 if 150 <= k < 250 else 0
        return f

    def gray(rng, n, k):  # 0, 1, 3, 2: each bit flips every other frame
        return [0, 0x30 | [0, 1, 3, 2][k % 4], 0x12, 0, 0, 0x80, 0, 0]

    def nibble_per_counter(f, n):  # the low nibble of byte 7, one value per count
        return (f[7] & 0xF0) | [0x9, 0x2, 0xE, 0x5][(f[7] >> 4) & 3]

    yield make(rng, 'crc_data_id', 0x3C0, 8, 0, crc_with_data_id, fill=counter_in_byte_1)
    yield make(rng, 'crc_data_id_last', 0x3C6, 8, 7,
               lambda f, n: crc8(f[0:7] + [data_ids[f[1] & 0xF]], 0x1D, 0xFF, 0xFF),
               fill=counter_in_byte_1)
    yield make(rng, 'unknown_nibble_counter', 0x3C1, 8, 7, nibble_per_counter,
               fill=two_bit_counter)
    yield make(rng, 'crc_data_id_flag', 0x3C2, 8, 0, crc_with_data_id, fill=counter_and_flag)
    yield make(rng, 'crc_data_id_5_bits', 0x3C3, 8, 0, crc_with_data_id, fill=counter_5_bits)
    yield make(rng, 'state_with_counter', 0x3C4, 8, 0, lambda f, n: 0x40 if f[1] & 1 else 0x15,
               fill=counter_in_byte_1)
    yield make(rng, 'crc_data_id_gray', 0x3C5, 8, 0, crc_with_data_id, fill=gray)

    # The same seal with the rest of the frame moving: the data IDs show.
    fixed_ids = [0x00, 0xFF, 0x01, 0x80, 0x7F, 0xFE, 0x35, 0xC3,
                 0x10, 0xA5, 0x5A, 0x42, 0x99, 0x0F, 0xF0, 0x66]
    yield make(rng, 'crc_data_id_moving', 0x3D0, 8, 0,
               lambda f, n: crc8(f[1:8] + [fixed_ids[f[1] & 0xF]], 0x2F, 0xFF, 0xFF))

    def counter_high_byte_6_moving(rng, n, k):
        f = [rng.randrange(256) for _ in range(n)]
        f[6] = (f[6] & 0x0F) | (k & 0xF) << 4
        return f

    yield make(rng, 'crc_data_id_high', 0x3D1, 8, 7,
               lambda f, n: crc8(f[0:7] + [fixed_ids[f[6] >> 4]], 0x1D, 0xFF, 0xFF),
               fill=counter_high_byte_6_moving)

    # Beside the counter, one bit at a time moves: each is one direction of
    # evidence, however often it comes back.
    def directions(count):
        spots = [16, 25, 34, 43, 52, 61, 20][:count]

        def fill(rng, n, k):
            f = [0, 0x30 | (k & 0xF), 0, 0, 0, 0, 0, 0]
            r = k // 16
            if r:
                bit = spots[(r - 1) % count]
                f[bit // 8] |= 1 << (bit % 8)
            return f
        return fill

    for count in (6, 7):
        yield make(rng, f'crc_data_id_{count}_directions', 0x3D2, 8, 0,
                   lambda f, n: crc8(f[1:8] + [fixed_ids[f[1] & 0xF]], 0x2F, 0xFF, 0xFF),
                   fill=directions(count))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    rng = random.Random(20261208)
    for name, lines in rows(rng):
        with open(os.path.join(out, name + '.log'), 'w') as f:
            f.writelines(lines)


if __name__ == '__main__':
    main()
