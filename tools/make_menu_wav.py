#!/usr/bin/env python3
"""Writes the menu sound "menu.wav": a short rising two-tone blip, 16-bit mono at 44,100 Hz.

Usage: make_menu_wav.py OUTPUT
The samples are computed here, so the file is the same on every build. It is written to a temporary file beside
OUTPUT and renamed over it only when complete.
"""
import math
import os
import struct
import sys
import tempfile
import wave

RATE = 44100
# (frequency in Hz, seconds) of each step of the blip.
STEPS = [(660.0, 0.035), (990.0, 0.055)]
PEAK = 0.35  # of full scale
FADE_IN = 0.002  # seconds, against a click at the start
FADE_OUT = 0.030  # seconds at the end


def samples():
    total = sum(seconds for _, seconds in STEPS)
    phase = 0.0
    t = 0
    for frequency, seconds in STEPS:
        for _ in range(int(round(seconds * RATE))):
            time = t / RATE
            envelope = min(1.0, time / FADE_IN, (total - time) / FADE_OUT)
            # A softened square: the sine's sign with rounded edges.
            value = math.tanh(4.0 * math.sin(phase)) * PEAK * max(0.0, envelope)
            yield int(round(value * 32767))
            phase += 2.0 * math.pi * frequency / RATE
            t += 1


def main():
    if len(sys.argv) != 2:
        sys.stderr.write("usage: make_menu_wav.py OUTPUT\n")
        return 1
    output = sys.argv[1]
    folder = os.path.dirname(os.path.abspath(output))
    os.makedirs(folder, exist_ok=True)
    handle, temporary = tempfile.mkstemp(dir=folder, suffix=".tmp")
    try:
        with os.fdopen(handle, "wb") as raw:
            with wave.open(raw, "wb") as out:
                out.setnchannels(1)
                out.setsampwidth(2)
                out.setframerate(RATE)
                out.writeframes(b"".join(struct.pack("<h", s) for s in samples()))
            raw.flush()
            os.fsync(raw.fileno())
        os.replace(temporary, output)
    except BaseException:
        os.unlink(temporary)
        raise
    return 0


if __name__ == "__main__":
    sys.exit(main())
