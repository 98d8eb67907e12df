#!/usr/bin/python3
"""Writes the seed corpora of Pellivar's file-reader fuzz targets.

kvx/: settings documents as the program writes them (defaults, all sources)
and the variants its reader must cope with: partial, no comment, a gamma
curve with Val 7, a Version 1000 curve, a damaged one.
old/: older binary settings files (struct.pack('<358i')), at the size and
one byte off.
replies/: gamma replies from the processor, one per line.

Run from this folder:  /usr/bin/python3 make_seeds.py
"""
import os
import struct

SOURCES = ["CD", "2-CH", "6-CH", "TAPE", "TUNER", "DVD1", "TV1", "SAT1", "VCR",
           "AUX", "DVD2", "DVD3", "DVD4", "TV2", "TV3", "TV4", "SAT2"]
KEYS = [("PictureInColorSpace", 0), ("PictureInColorSpaceRGB", 0), ("PictureImageColorContrast", 50),
        ("PictureImageColorBrightness", 50), ("PictureImageColorSaturation", 50), ("PictureImageColorHue", 50),
        ("PictureFilmMode", 0), ("PictureDetaileEnhancementLevel", 0),
        ("PictureDetaileEnhancementNoiseThreshold", 0), ("PictureNoiseReductionLevel", 0),
        ("PictureMotionThreshold", 4), ("PictureChromaBugCorrection", 0), ("PictureSVideoChromaLevel", 0),
        ("PictureSVideoLumaLevel", 0), ("PictureInputGain", 0), ("PictureInputOffset", 50),
        ("PictureSamplingPhase", 15), ("InputCropIn", 0), ("InputCustomHorzSize", 1920),
        ("InputCustomVertSize", 1080), ("InputCustomHorzPos", 960), ("InputCustomVertPos", 540),
        ("InputEdges", 0), ("InputEdgesValue", 6), ("InputYCDelay", 0), ("ScaleOutSelection", 1),
        ("ScaleZoomSize", 100), ("ScaleZoomHorzPos", 50), ("ScaleZoomVertPos", 50),
        ("ScaleBypassHorzSize", 100), ("ScaleBypassVertSize", 100), ("ScaleBypassHorzPos", 50),
        ("ScaleBypassVertPos", 50), ("GammaCurveSelection", 3), ("GammaCurveExponent", 100), ("FrameLock", 1)]
RESOLUTION = [("ResolutionTotalHSize", 5), ("ResolutionActiveHSize", 1), ("ResolutionTotalVSize", 5),
              ("ResolutionActiveVSize", 1), ("ResolutionHSyncStart", 1), ("ResolutionHSyncEnd", 2),
              ("ResolutionVSyncStart", 1), ("ResolutionVSyncEnd", 2), ("ResolutionActiveF1Size", 1),
              ("ResolutionBlankF1Size", 4), ("ResolutionOffsetF1F2", 0), ("ResolutionPixelRate", 5000000)]
LINEAR = [(x, x) for x in range(0, 961, 64)] + [(1023, 1023)]
HEAD = '<?xml version="1.1" standalone="no" ?>\n<!--Tessik Live Video Settings file .kvx-->\n'


def curve(val, points, version=1001):
    lines = [f'    <GammaCurve Count="{len(points)}" Version="{version}" Val="{val}">']
    lines += [f'        <Point X="{x}" Y="{y}" />' for x, y in points]
    return lines + ["    </GammaCurve>"]


def document(sources=SOURCES, curves=None, head=HEAD):
    lines = ['<Settings Version="1.31">']
    for s in sources:
        lines.append(f'    <SourceSettings Source="{s}">')
        lines += [f'        <{k} Value="{v}" />' for k, v in KEYS]
        lines.append("    </SourceSettings>")
    lines.append("    <CustomOutputResolutionSettings>")
    lines += [f'        <{k} Value="{v}" />' for k, v in RESOLUTION]
    lines.append("    </CustomOutputResolutionSettings>")
    for val, points, version in curves or [(c, LINEAR, 1001) for c in range(4)]:
        lines += curve(val, points, version)
    lines.append("</Settings>")
    return head + "\n".join(lines) + "\n"


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


full = document()
write("kvx", "defaults.kvx", full)
write("kvx", "partial.kvx", HEAD + '<Settings><SourceSettings Source="TV2"><FrameLock Value="0" />'
      '<PictureImageColorHue /></SourceSettings><SourceSettings Source="DVD" /></Settings>\n')
write("kvx", "no-comment.kvx", full.replace("<!--Tessik Live Video Settings file .kvx-->\n", ""))
write("kvx", "curves.kvx", document(sources=["SAT2"], curves=[
    (7, LINEAR, 1001), (1, [(0, 0), (250, 100), (500, 300), (750, 600), (1000, 1000)], 1000),
    (2, [(0, 0), (1023, 1023)], 1001), (3, [(0, 5), (5, 0), (5, 9), (1023, 4000), (9, 9)], 1001)]))
write("kvx", "damaged.kvx", full[:len(full) // 2])

ints = [0] * 8
for source in range(10):
    ints += [0, 0, 0] + [source * 32 + j for j in range(32)]
old = struct.pack("<358i", *ints)
write("old", "old.bin", old)
write("old", "old-short.bin", old[:-1])
write("old", "old-long.bin", old + b"\x01")

# replies/: the processor's gamma replies, one per line: a whole curve read
# back (17 points, then end markers), and a mixture of odd ones.
lines = [f"fI0{i:02x}{x:03x}{y:03x}" for i, (x, y) in enumerate(LINEAR)]
lines += [f"fI0{i:02x}AAAAAA" for i in range(len(LINEAR), 30)]
write("replies", "curve0.txt", "\n".join(lines) + "\n")
write("replies", "mixed.txt", "fI0050ff0ff\nfI007AAAAAA\nfI?005\nfI2030100f\nfI303AAAAAA\nfI1113ff3ff\n")
