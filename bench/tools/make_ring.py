#!/usr/bin/env python3
"""Writes an odd ring oscillator of N stages (N-1 inverters and the enable
NAND) by repeating one inverter stage of data/ring5.msk, for the benchmarks
that need a large ring. Usage: make_ring.py STAGES OUT.msk [ring5.msk]"""
import re
import sys
from pathlib import Path

PITCH = 18


def main():
    stages = int(sys.argv[1])
    out = sys.argv[2]
    src = Path(sys.argv[3] if len(sys.argv) > 3 else Path(__file__).resolve().parents[2] / "data" / "ring5.msk")
    if stages < 5 or stages % 2 == 0:
        sys.exit("the ring needs an odd number of stages, at least 5")
    extra = (stages - 5) * PITCH  # how far the last inverter and the NAND move
    lines = src.read_bytes().decode("cp1252").replace("\r\n", "\n").split("\n")
    boxes, labels = [], []
    i = 0
    while i < len(lines):
        line = lines[i]
        m = re.match(r"REC\((-?\d+),(-?\d+),(\d+),(\d+),(\w\w)(?:,(-?\d+))?\)", line)
        if m:
            boxes.append([int(m[1]), int(m[2]), int(m[3]), int(m[4]), m[5], m[6]])
        elif line.startswith("TITLE"):
            t = re.match(r"TITLE (-?\d+) (-?\d+)  #(.*)", line)
            labels.append([int(t[1]), int(t[2]), t[3], lines[i + 1]])
            i += 1
        i += 1
    out_boxes = []
    for x, y, w, h, code, value in boxes:
        if x < 24 and x + w > 77:  # rails, well and feedback run the whole length
            out_boxes.append([x, y, w + extra, h, code, value])
        elif x < 24:  # the first inverter and the feedback's left end
            out_boxes.append([x, y, w, h, code, value])
        elif x < 42:  # the inverter that is repeated, in place of the second and third
            for k in range(stages - 3):
                out_boxes.append([x + k * PITCH, y, w, h, code, value])
        elif x < 60:  # replaced by the repeats
            continue
        else:  # the last inverter and the NAND
            out_boxes.append([x + extra, y, w, h, code, value])
    out_labels = []
    for x, y, text, prop in labels:
        if 42 <= x < 60:
            continue
        if x >= 60:
            x += extra
        out_labels.append([x, y, text, prop])
    xs = [b[0] for b in out_boxes] + [b[0] + b[2] for b in out_boxes]
    ys = [b[1] for b in out_boxes] + [b[1] + b[3] for b in out_boxes]
    text = [f"VERSION 01/01/2026 00:00:00", f"FIG #{out}", f"BB({min(xs)},{min(ys)},{max(xs)},{max(ys)})", "SIMU #20.00"]
    for x, y, w, h, code, value in out_boxes:
        text.append(f"REC({x},{y},{w},{h},{code}" + (f",{value})" if value is not None else ")"))
    for x, y, t, prop in out_labels:
        text += [f"TITLE {x} {y}  #{t}", prop]
    text.append(f"FFIG {out}")
    Path(out).write_bytes(("\r\n".join(text) + "\r\n").encode("cp1252"))


if __name__ == "__main__":
    main()
