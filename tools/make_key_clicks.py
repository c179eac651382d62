#!/usr/bin/env python3
"""Writes the game's key-click sounds "click_0.wav" to "click_3.wav": short typewriter ticks of four pitches,
16-bit mono at 44,100 Hz, played as the cinematics type their text.

Usage: make_key_clicks.py FOLDER
The samples are computed here (a decaying noise burst from a fixed seed over a short tone), so the files are the
same on every build. Each is written to a temporary file beside its name and renamed over it when complete.
"""
import math
import os
import random
import struct
import sys
import tempfile
import wave

RATE = 44100
SECONDS = 0.025
PITCHES = [1800.0, 2100.0, 2400.0, 2700.0]  # Hz of each click's tone
PEAK = 0.3  # of full scale


def samples(pitch, seed):
    noise = random.Random(seed)
    count = int(SECONDS * RATE)
    for i in range(count):
        t = i / RATE
        envelope = math.exp(-t * 220.0)
        value = (0.6 * math.sin(2.0 * math.pi * pitch * t) + 0.4 * noise.uniform(-1.0, 1.0)) * envelope * PEAK
        yield int(round(max(-1.0, min(1.0, value)) * 32767))


def write(path, pitch, seed):
    folder = os.path.dirname(os.path.abspath(path))
    handle, temporary = tempfile.mkstemp(dir=folder)
    os.close(handle)
    with wave.open(temporary, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", s) for s in samples(pitch, seed)))
    os.replace(temporary, path)


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: make_key_clicks.py FOLDER\n")
        return 2
    os.makedirs(sys.argv[1], exist_ok=True)
    for index, pitch in enumerate(PITCHES):
        write(os.path.join(sys.argv[1], "click_%d.wav" % index), pitch, index)
    return 0


if __name__ == "__main__":
    sys.exit(main())
