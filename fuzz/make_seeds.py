#!/usr/bin/env python3
"""Writes the seed corpora under corpus/. Run from this folder; the output is
committed, so this only needs running again when the seeds change."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("latin-1"))


# Vars.cfg -----------------------------------------------------------------
def vstr(text):
    raw = text.encode("latin-1")
    return struct.pack("<H", len(raw)) + raw


def entry(default="", user="", filler=""):
    return (vstr(filler) + vstr(default) + vstr(user) + b"\x11" * 44 + vstr(filler) * 6
            + b"\x33" * 13)


def vars_file(upper_a, upper_b, names, signature=7576, filler=""):
    out = struct.pack("<i", upper_a) + vstr(filler) * 4 * (upper_a + 1)
    out += struct.pack("<i", upper_b)
    for i in range(upper_b + 1):
        d, u = names.get(i, ("", ""))
        out += entry(d, u, filler)
    return out + struct.pack("<i", signature)


listed = {999: ("LOW", "Below list"), 1000: ("OILT", "Oil temp"), 1001: ("RPM", ""),
          1002: (" ", "Blank name")}
put("fuzz_vars_reader", "listed", vars_file(0, 1002, listed))
put("fuzz_vars_reader", "small-valid", vars_file(1, 3, {2: ("SPD", "Speed")}, filler="x"))
put("fuzz_vars_reader", "bad-signature", vars_file(0, 1, {}, signature=7575))
put("fuzz_vars_reader", "truncated", vars_file(0, 3, {1: ("A", "B")})[:-40])
put("fuzz_vars_reader", "negative-a", struct.pack("<i", -1) + vars_file(0, 0, {})[4:])
put("fuzz_vars_reader", "negative-b", struct.pack("<ii", 0, -5) + vstr("") * 4)
put("fuzz_vars_reader", "huge-claim",
    struct.pack("<i", 0) + vstr("") * 4 + struct.pack("<i", 2**31 - 1) + entry() + b"\x98\x1d\0\0")
put("fuzz_vars_reader", "empty", b"")

# .ccf -----------------------------------------------------------------------
STARTUP_PRIORITIES = ["2", "5", "5", "7", "5", "7", "4", "3", "1", "OFF", "2", "4", "OFF", "1",
                      "3", "3", "OFF", "OFF"]


def ccf(columns, baud="500 kbit", priorities=STARTUP_PRIORITIES, end="\r\n"):
    lines = ["".join(c + "|" for c in column) for column in columns]
    lines.append(baud)
    lines.append("".join(p + "|" for p in priorities))
    return "".join(line + end for line in lines)


empty = [[""] * 15 for _ in range(12)]
channel1 = ["Oil temp {OILT}", "11 bit", "0x100", "Byte 2", "0x12", "8", "16", "Unsigned",
            "Motorola forw MSB", "0,1", "-40", "0"]
configured = [list(col) for col in empty]
for column, text in enumerate(channel1):
    configured[column][0] = text
configured[0][14] = "USED FOR OBD"
configured[1][3] = "29 bit"
configured[2][3] = "0x1FFFFFFF"
put("fuzz_ccf_loader", "startup", ccf(empty))
put("fuzz_ccf_loader", "configured", ccf(configured, baud="1 Mbit"))
put("fuzz_ccf_loader", "lf-only", ccf(configured, end="\n"))
put("fuzz_ccf_loader", "cr-only", ccf(configured, baud="33.3 kbit", end="\r"))
put("fuzz_ccf_loader", "short", ccf(configured)[:200])
put("fuzz_ccf_loader", "pipe-in-cell", ccf(configured).replace("0x12", "0x|12", 1))
put("fuzz_ccf_loader", "extra-lines", ccf(configured) + "junk|after|the|end\r\n" * 3)

# Intel HEX images, and raw images for the decoder ----------------------------
def hex_record(address, record_type, data):
    head = bytes([len(data), (address >> 8) & 0xFF, address & 0xFF, record_type]) + data
    return ":" + (head + bytes([-sum(head) & 0xFF])).hex().upper()


def intel_hex(image, per=16, end="\r\n", segment=False, reverse=False):
    base = 0 if segment else 0x6000
    first = hex_record(0, 2, b"\x06\x00") if segment else ":020000040000FA"
    data = [hex_record(base + pos, 0, image[pos:pos + per]) for pos in range(0, len(image), per)]
    if reverse:
        data.reverse()
    return end.join([first] + data + [":00000001FF"])


def id_word(ident, extended=False, marker=False):
    if extended:
        word = bytes([(ident >> 21) & 0xFF, ((ident >> 18) & 7) << 5 | 0x08 | (ident >> 16) & 3,
                      (ident >> 8) & 0xFF, ident & 0xFF])
    else:
        word = bytes([(ident * 32 >> 8) & 0xFF, ident * 32 & 0xFF, 0, 0])
    return word[:1] + bytes([word[1] | (4 if marker else 0)]) + word[2:]


EMPTY_RECORD = bytes.fromhex("000080000000000000000000000000000000007F00000000")
STARTUP_TABLE = bytes.fromhex("021010401040080401000208000104040000"
                              "010102010302010101000202000102030000")


def config_image(ids, records, timing=b"\x41\xfe\x03"):
    words = [id_word(i, e) for i, e in ids]
    marked = [id_word(i, e, True) for i, e in ids]
    return (b"".join(words[:6]) + b"\xff" * 8 + b"".join(words[6:]) + b"\xff" * 4 + b"\0" * 4
            + timing + b"\x0f" + b"".join(marked) + b"".join(records) + b"\xff" * 604
            + STARTUP_TABLE)


startup_image = config_image([(0, False)] * 15, [EMPTY_RECORD] * 15)
rpm = bytes.fromhex("101030000049010000000000000000000000007D00000000")
oil = bytes.fromhex("08088103054801FE000000000000000048000085C8000087")
obd15 = bytes.fromhex("0001010000FFFF00" "0000000000000000" "0000008000000000")
configured_image = config_image([(0x280, False), (0x18FEF100, True)] + [(0x100, False)] * 13,
                                [rpm, oil] + [EMPTY_RECORD] * 12 + [obd15], b"\x40\xfe\x03")
put("fuzz_hex_reader", "startup", intel_hex(startup_image))
put("fuzz_hex_reader", "configured", intel_hex(configured_image))
put("fuzz_hex_reader", "other-tool",
    intel_hex(configured_image, per=32, end="\n", segment=True, reverse=True).lower())
put("fuzz_hex_reader", "bad-checksum", intel_hex(startup_image).replace("90\r\n", "91\r\n", 1))
put("fuzz_hex_reader", "cut-short", intel_hex(startup_image)[:900])
put("fuzz_hex_reader", "raw-startup", startup_image)
put("fuzz_hex_reader", "raw-configured", configured_image)

# TextToNumber: first byte 0 = Latin-1, 1 = UTF-8, 2 = UTF-16 -------------------
texts = ["0x100", "0X1f", "0x", "0xFFFFFFFF", "0x80000000", "0x1FFFFFFF", " 0x10", "&H10", "",
         "   ", "-", ".", "E", "abc", "5.", "1.2.3", "0.005", "1.000", "1e3", "1E-3", "1E+2",
         "1E2.5", "7E", "11 bit", "Signed", "1E400", "1" * 41, "1.5E2", "12,5", "-.5",
         "1 000,5", "29 bit", "Byte 3", "3-4", "5-", "0x 1 2\t3", "1E-400", "-0", "0.0001E-300",
         "123456789012345678901234567890", "9" * 39 + "E9"]
for i, text in enumerate(texts):
    put("fuzz_text_to_number", "latin1-%02d" % i, b"\0" + text.encode("latin-1"))
put("fuzz_text_to_number", "utf8-fullwidth", b"\1" + "\uff11\uff12,5".encode("utf-8"))
put("fuzz_text_to_number", "utf16-digits", b"\2" + "12.5E1".encode("utf-16-le"))


# Image build: line 0 OBD flag, 180 cells, bit rate, 18 priorities ------------
def image_input(obd, rows, baud="500 kbit", priorities=STARTUP_PRIORITIES):
    cells = []
    for row in rows:
        cells += row
    return "\n".join([obd] + cells + [baud] + priorities).encode("utf-8")


blank_rows = [[""] * 12 for _ in range(15)]
rows = [list(r) for r in blank_rows]
rows[0] = channel1
rows[1] = ["Engine speed {RPM}", "29 bit", "0x18FEF100", "No Filter", "0", "0", "32",
           "Float (single)", "Intel standard", "1", "0", "0"]
rows[2] = ["Frequency {FREQ}", "11 bit", "2047", "Byte 8", "255", "63", "1", "Signed",
           "Motorola backward", "1E-7", "-1E30", "-3"]
rows[14] = ["Wheel speed {WSPD}", "11 bit", "0x7FF", "Byte 1", "1", "0", "8", "Unsigned",
            "Intel sequential", "0", "0", "1"]
put("fuzz_image_build", "startup", image_input("0", blank_rows))
put("fuzz_image_build", "configured", image_input("0", rows, baud="125 kbit"))
put("fuzz_image_build", "obd", image_input("1", rows, priorities=["8"] * 9 + ["1"] * 9))
put("fuzz_image_build", "odd-texts",
    image_input("0", [["0x80000000", "29", "-1", "Byte 9", "256", "-1", "1E3", "Float",
                       "", "-0", "1E39", "-128"]] * 15, baud="500 KBIT",
                priorities=["9", "0", "-1", "255", "1E3", "OFF"] * 3))

# .dbc -----------------------------------------------------------------------
with open(os.path.join(HERE, "..", "examples", "demo-vehicle.dbc"), "rb") as f:
    put("fuzz_dbc_reader", "demo-vehicle", f.read())
MESSAGE = 'BO_ 100 M: 8 E\n SG_ X M : 8|8@1+ (1,0) [0|0] "" E\n'
put("fuzz_dbc_reader", "mux-lf",
    MESSAGE + ' SG_ S m5 : 16|8@1- (0.1,-40) [-40|215] "degC" A,B\n'
    'CM_ SG_ 100 S "multi\nline \\"quoted\\"";\nSIG_VALTYPE_ 100 S : 1;\n')
put("fuzz_dbc_reader", "latin1-crlf",
    ('VERSION ""\r\nNS_ :\r\n\tCM_\r\n\r\nBS_:\r\nBU_: E\r\n' + MESSAGE.replace("\n", "\r\n")
     + ' SG_ T : 39|32@0+ (1E-3,0) [0|0] "\xb0C" E\r\nVAL_ 100 T 0 "off;" ;\r\n'))
put("fuzz_dbc_reader", "utf8-bom-cr",
    b"\xef\xbb\xbf" + ('BO_ 2566844672 X: 8 E\r SG_ S : 7|16@0- (3,0) [0|0] "\xb0" E\r')
    .encode("utf-8"))
put("fuzz_dbc_reader", "errors",
    MESSAGE + ' SG_ A : 0|8 (1,0) [0|0] "" E\ngarbage\nBO_ 200 N 8 E\n SG_ C : 0|8@1+ (1,0) '
    '[0|0] "" E\nCM_ BO_ 100 "unclosed;\nBO_ 400 P: 8 E\n SG_ D : 99999|8@1+ (1e999,0) [0|0] "u\n'
    'BA_ "x" BO_ 400 1\nCM_ SG_ 100 Z "none";\n')
