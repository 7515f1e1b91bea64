#!/usr/bin/env python3
"""Writes fuzz seeds of extreme shape into the folder given: scene files, OBJ
and 3DS files holding chains at and past the readers' depth limit and many
small nodes side by side, each under 1 MB (the fuzzers' -max_len for these
readers). Called by scripts/fuzz; the seeds go to the scene import, OBJ and
3DS fuzzers only."""

import os
import struct
import sys


def scene(count, chain):
    out = ["; scene file\nFileHeader: {\n Version: 6000\n}\nObjects: {\n"]
    for i in range(count):
        out.append('Model: "M%d", "Null" {\n' % i)
        if chain and i + 1 < count:
            out.append(' Children: "M%d"\n' % (i + 1))
        out.append("}\n")
    out.append("}\n")
    return "".join(out).encode()


def obj_groups(count):
    out = ["v 0 0 0\nv 1 0 0\nv 0 1 0\n"]
    out += ["g g%d\nf 1 2 3\n" % i for i in range(count)]
    return "".join(out).encode()


def obj_polygon(corners):
    return ("v 0 0 0\nv 1 0 0\nv 0 1 0\nf" + " 1 2 3" * (corners // 3) + "\n").encode()


def chunk(cid, body):
    return struct.pack("<HI", cid, len(body) + 6) + body


def key_node(nid, parent, name):
    header = chunk(0xB010, b"$$$DUMMY\0" + struct.pack("<HHH", 0, 0, parent))
    track = chunk(0xB020, struct.pack("<H8xI", 0, 1) + struct.pack("<IH3f", 0, 0, 1.0, 0.0, 0.0))
    return chunk(0xB002, chunk(0xB030, struct.pack("<H", nid)) + header +
                 chunk(0xB011, name.encode() + b"\0") + track)


def tds(editor=b"", keyframer=b""):
    body = chunk(0x0002, struct.pack("<I", 3)) + chunk(0x3D3D, editor)
    if keyframer:
        body += chunk(0xB000, keyframer)
    return chunk(0x4D4D, body)


def tds_chain(count, length):
    return tds(keyframer=b"".join(
        key_node(i, 0xFFFF if i % length == 0 else i - 1, "D%d" % i) for i in range(count)))


def tds_objects(count):
    mesh = chunk(0x4100, chunk(0x4110, struct.pack("<H9f", 3, 0, 0, 0, 1, 0, 0, 0, 1, 0)) +
                 chunk(0x4120, struct.pack("<H4H", 1, 0, 1, 2, 7)))
    return tds(editor=b"".join(chunk(0x4000, b"O%d\0" % i + mesh) for i in range(count)))


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    seeds = {
        "scene-chain-1000.txt": scene(1000, True),
        "scene-chain-1001.txt": scene(1001, True),
        "scene-chain-12000.txt": scene(12000, True),
        "scene-wide-12000.txt": scene(12000, False),
        "obj-groups-40000.obj": obj_groups(40000),
        "obj-polygon-150000.obj": obj_polygon(150000),
        "tds-chain-1000.3ds": tds_chain(1000, 1000),
        "tds-chain-1001.3ds": tds_chain(1001, 1001),
        "tds-chain-12000.3ds": tds_chain(12000, 12000),
        "tds-chains-4x1000.3ds": tds_chain(4000, 1000),
        "tds-objects-12000.3ds": tds_objects(12000),
    }
    for name, data in seeds.items():
        assert len(data) <= 1 << 20, name
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
