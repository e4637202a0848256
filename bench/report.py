#!/usr/bin/env python3
"""Turns the output benchmark's key=value lines into its table of figures and targets."""
import sys
from collections import defaultdict

STAGES = [
    ("build_tiles", "1 build tile file"),
    ("retile", "2 re-tile with margins"),
    ("layout", "3 layout, fit to width"),
    ("pdf", "4 save PDF"),
    ("jpg", "5 save JPG pages"),
    ("thumbnails", "6 thumbnails at 1/5"),
    ("limit_jpeg", "limit: libjpeg-turbo q90"),
]


def parse(path):
    runs = defaultdict(dict)
    for line in open(path):
        fields = dict(f.split("=", 1) for f in line.split() if "=" in f)
        h = int(fields.pop("h"))
        if "stage" in fields:
            runs[h].setdefault("stages", {})[fields.pop("stage")] = fields
        else:
            runs[h].update(fields)
    return runs


def mb(value):
    return float(value) / 1048576.0


def main():
    runs = parse(sys.argv[1])
    heights = sorted(runs)
    print()
    print("Output benchmark: a page 1,280 pixels wide, view tiles of 1,280 x 720")
    for h in heights:
        run = runs[h]
        stages = run["stages"]
        print()
        print(f"height {h:,} px ({float(run['megapixels']):.1f} MP), {run['pages']} pages of "
              f"{run['piece_width']} x {run['piece_height']} picture px on a {run['page_width']} x "
              f"{run['page_height']} page ({'printer' if run['printer'] == '1' else 'no printer'})")
        print(f"  {'stage':28} {'seconds':>9} {'MP/s':>9}")
        for key, name in STAGES:
            if key in stages:
                s = stages[key]
                print(f"  {name:28} {float(s['seconds']):9.3f} {float(s['mpps']):9.1f}")
        peer = stages.get("peer")
        if peer:
            print(f"  {'peer: ImageMagick to PDF':28} {float(peer['seconds']):9.3f}"
                  f" {float(run['megapixels']) / float(peer['seconds']):9.1f}")
        print(f"  peak working set {mb(run['peak_working_set_bytes']):.1f} MB, tile file "
              f"{mb(run['tile_file_bytes']):.1f} MB, PDF {mb(run['pdf_bytes']):.1f} MB, JPG pages "
              f"{mb(run['jpg_bytes']):.1f} MB" + (f", peer PDF {mb(peer['pdf_bytes']):.1f} MB" if peer else ""))

    print()
    print("Targets")
    ok = True
    lo, hi = heights[0], heights[-1]
    if lo != hi:
        allowed = 1.2 * float(runs[lo]["peak_working_set_bytes"]) + float(runs[hi]["pdf_bytes"])
        peak = float(runs[hi]["peak_working_set_bytes"])
        met = peak <= allowed
        ok &= met
        print(f"  memory flat: peak at {hi:,} = {mb(peak):.1f} MB, allowed 1.2 x {mb(runs[lo]['peak_working_set_bytes']):.1f}"
              f" + PDF {mb(runs[hi]['pdf_bytes']):.1f} = {mb(allowed):.1f} MB  {'met' if met else 'MISSED'}")
    for h in heights:
        stages = runs[h]["stages"]
        ratio = float(stages["pdf"]["mpps"]) / float(stages["limit_jpeg"]["mpps"])
        met = ratio >= 0.5
        ok &= met
        print(f"  {h:>7,}: PDF throughput / limit = {ratio:.2f} (target >= 0.5)  {'met' if met else 'MISSED'}")
        if "peer" in stages:
            ours = float(stages["build_tiles"]["seconds"]) + float(stages["pdf"]["seconds"])
            peer = float(stages["peer"]["seconds"])
            r = ours / peer
            met = r <= 0.5
            ok &= met
            print(f"  {h:>7,}: pixels to paged PDF, ours {ours:.2f} s / peer {peer:.2f} s = {r:.2f} (target <= 0.5)"
                  f"  {'met' if met else 'MISSED'}")
    print()
    print("all targets met" if ok else "some targets missed")


if __name__ == "__main__":
    main()
