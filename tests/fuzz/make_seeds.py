#!/usr/bin/env python3
"""Writes the seed corpus of each fuzz target into corpus/<target>/ (run from anywhere).

The seeds are committed; run this again only when a target's input format changes."""
import os
import re
import struct

here = os.path.dirname(os.path.abspath(__file__))
src = os.path.join(here, "..", "..", "src")


def put(target, name, data):
    folder = os.path.join(here, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("utf-8"))


# ---- INI: the file's text first, ended by a backslash and one more byte (FuzzedDataProvider's
# string end); the choices of the changes are taken from the end of the input.
choices = bytes(range(1, 64, 3)) * 3
profile = "[Setting]\nLED0=0\nLED15=3\nLED16=7\nKEY0=16,1,0\n\n[3360]\nLED15=40\n; comment\n"
put("fuzz_ini", "profile", profile.encode() + b"\\;" + choices)
put("fuzz_ini", "index", "[MACROCOUNT]\ncount=2\n[MACRONAME]\n0=a\n1=\"b\"\n".encode() + b"\\;" + choices[::-1])
put("fuzz_ini", "utf8bom", b"\xef\xbb\xbf[S]\r\nK = v ; x\r\n[s]\r\nk=second\r\n" + b"\\;" + choices)
put("fuzz_ini", "utf16", b"\xff\xfe" + "[Setting]\r\nLED1=5\r\n".encode("utf-16-le") + b"\\;" + choices)
put("fuzz_ini", "nonewline", b"[A]\nx=1\n[B]\ny=2" + b"\\;" + choices[5:])


# ---- HID descriptors: length (big-endian), descriptor, collection, reports.
def descriptor(name):
    text = open(os.path.join(src, "sim", "VirtualMouseDescriptor.cpp"), encoding="utf-8").read()
    body = text.split("VirtualMouseDescriptor::" + name)[1].split("};")[0]
    body = "\n".join(line.split("//")[0] for line in body.splitlines())
    return bytes(int(x, 16) for x in re.findall(r"0x([0-9A-Fa-f]{2})\b", body))


for name, reports in (("mouseInterface", [b"\x07\x05\xff\x01"]),
                      ("vendorInterface", [b"\x03\x02\x04", b"\x01\x00\x00\x04\x00\x00\x00\x00\x00"])):
    d = descriptor(name)
    data = struct.pack(">H", len(d)) + d + b"\x01"
    for r in reports:
        data += bytes([0x80 | len(r)]) + r
    put("fuzz_hid_descriptor", name, data)


# ---- Device answers: plan, steps, then one instruction per answer read.
def answer(data=b"", status=None):
    data = data[:56].ljust(56, b"\x00")
    return (b"\x00" + data) if status is None else (b"\x03" + bytes([status]) + data)


image = struct.pack("<HHH", 0x55AA, 26, 1) + b"\x00" * 10 + struct.pack("<H", 18) + struct.pack("<HH", 2, 0) \
    + b"\x04\x89\x04\x09"
info = bytearray(33)
info[6] = 255
info[9:11] = struct.pack("<H", 0x3325)
info[12] = 59
record = bytearray(56)
record[15:20] = bytes([1, 5, 9, 20, 58])
connect = (answer()                          # CMD_BEGIN
           + answer(image[:16])              # macro header
           + answer(image)                   # the whole area
           + answer()                        # CMD_END
           + answer()                        # CMD_BEGIN
           + answer(bytes(info))             # identity
           + answer(b"\x01" * 56) + answer(b"\x02" * 56) + answer(b"\x03" * 14)  # default buttons
           + answer(b"\x02")                 # active record
           + answer(bytes(record))           # its settings
           + answer(b"\x04" * 56) + answer(b"\x05" * 56) + answer(b"\x06" * 14)  # its buttons
           + answer())                       # CMD_END
put("fuzz_device_answers", "connect", b"\x00\x00" + connect)
put("fuzz_device_answers", "connect_then_sync", b"\x00\x02" + connect + b"\x00" + answer(bytes(info))
    + answer(b"\x01") + answer(bytes(record)) + b"\x31" + answer(b"\x01") + answer() + answer(bytes(record)))
put("fuzz_device_answers", "errors", b"\x00\x03" + answer(status=0xFF) + b"\x05" + b"\x04\x03\x03\x01\x00"
    + answer(status=0xFE) + b"\x06" + b"\x07")
put("fuzz_device_answers", "cli_info", b"\x80\x00" + answer(bytes(info)))
put("fuzz_device_answers", "cli_capture", b"\x83\x00" + connect[len(answer()) * 4:])
put("fuzz_device_answers", "cli_write_macros", b"\x84\x00" + answer(bytes(info)) + answer() * 4)

# ---- Macros: the index and three macro files (each ended by a backslash and one more byte),
# then the image (mode 1) or changes to the packed one; the mode is the last byte.
macro = "[MACROACTIONCOUNT]\ncount=3\n[MACROACTION]\n0=1,4,202,1,A\n1=0,5,0,1,A\n2=1,4,138,0,A\n"
for name, index, mode in (("packed", "[MACROCOUNT]\ncount=3\n[MACRONAME]\n0=a\n1=b\n2=新建宏1\n", 0),
                          ("links", "[MACROCOUNT]\ncount=3\n[MACRONAME]\n0=link\n1=../x\n2=up\n", 0),
                          ("raw", "[MACROCOUNT]\ncount=1\n[MACRONAME]\n0=a\n", 1)):
    tail = image if mode == 1 else b"\x05\x07\x01"
    end = b"\\;"
    put("fuzz_macros", name, index.encode() + end + macro.encode() + end + macro.encode() + end + end + tail
        + bytes([mode]))
# Lines whose numbers do not fit an action's two bytes, beside ones that do.
damaged = ("[MACROACTIONCOUNT]\ncount=6\n[MACROACTION]\n0=0,30,99999,1,A\n1=0,-1,-1,0,A\n2=1,4,10,1,A\n"
           "3=1,240,202,1,A\n4=0,255,127,0,\n5=1,2,201,1,LShift\n")
put("fuzz_macros", "damaged", "[MACROCOUNT]\ncount=1\n[MACRONAME]\n0=a\n".encode() + b"\\;" + damaged.encode()
    + b"\\;\\;\\;" + b"\x05\x07\x01" + bytes([0]))

# ---- Scripts: every end-to-end script is a seed.
e2e = os.path.join(here, "..", "e2e")
for f in sorted(os.listdir(e2e)):
    if f.endswith(".script"):
        put("fuzz_script", f, open(os.path.join(e2e, f), "rb").read())
