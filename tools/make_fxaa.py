#!/usr/bin/env python3
"""Writes the engine's five pre-HUD pass effects, "__ROLT_FXAA_<Quality>" for None, Low, Medium, High and Ultra,
from the shared sources in content/EngineArt/FXAA/:

  GLSL.xml, PreHUDPass_VS.glsl, PreHUDPass_State.ini   the same for every quality
  Copy_PS.glsl                                         the pixel shader of None: the picture copied as it is
  Smoothing_PS.glsl                                    the pixel shader of the other qualities; @NAME@ marks are
                                                       replaced by the quality's values below

Usage: make_fxaa.py SOURCE_FOLDER OUTPUT_FOLDER
Each effect is "<name>_GLSL.xml" with "<name>_PreHUDPassTechnique_P0_{VS.glsl,PS.glsl,State.ini}". Each file is
written to a temporary file beside its final name and renamed over it only when complete.
"""
import os
import re
import sys

from engine_art import write_atomically

# Quality: contrast an edge needs relative to the brightest neighbour and at least, samples on each side of the
# pixel along the edge, pixels between those samples. Kept as text so the shaders say exactly these numbers.
SMOOTHING = {
    "Low": {"CONTRAST_RATIO": "0.25", "CONTRAST_FLOOR": "0.0833", "STEPS": "2", "STEP_LENGTH": "1.0"},
    "Medium": {"CONTRAST_RATIO": "0.166", "CONTRAST_FLOOR": "0.0625", "STEPS": "3", "STEP_LENGTH": "1.0"},
    "High": {"CONTRAST_RATIO": "0.125", "CONTRAST_FLOOR": "0.0417", "STEPS": "4", "STEP_LENGTH": "1.0"},
    "Ultra": {"CONTRAST_RATIO": "0.0625", "CONTRAST_FLOOR": "0.0312", "STEPS": "6", "STEP_LENGTH": "0.75"},
}
QUALITIES = ["None"] + list(SMOOTHING)


def fill(template, values):
    """The template with every @NAME@ replaced; raises KeyError for a mark without a value."""
    return re.sub(r"@([A-Z_]+)@", lambda mark: values[mark.group(1)], template)


def main():
    if len(sys.argv) != 3:
        sys.stderr.write("usage: make_fxaa.py SOURCE_FOLDER OUTPUT_FOLDER\n")
        return 1
    source, output = sys.argv[1], sys.argv[2]

    def read(name):
        with open(os.path.join(source, name), "r", encoding="utf-8", newline="") as f:
            return f.read()

    shared = {"_GLSL.xml": read("GLSL.xml"),
              "_PreHUDPassTechnique_P0_VS.glsl": read("PreHUDPass_VS.glsl"),
              "_PreHUDPassTechnique_P0_State.ini": read("PreHUDPass_State.ini")}
    copy_shader = read("Copy_PS.glsl")
    smoothing_shader = read("Smoothing_PS.glsl")
    for quality in QUALITIES:
        name = os.path.join(output, "__ROLT_FXAA_" + quality)
        if quality in SMOOTHING:
            values = dict(SMOOTHING[quality], QUALITY=quality.lower())
            pixel_shader = fill(smoothing_shader, values)
        else:
            pixel_shader = copy_shader
        for suffix, text in shared.items():
            write_atomically(name + suffix, text.encode("utf-8"))
        write_atomically(name + "_PreHUDPassTechnique_P0_PS.glsl", pixel_shader.encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
