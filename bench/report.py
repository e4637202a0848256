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
    ("print", "7 print to the PDF queue"),
    ("pdf_one_worker", "4 save PDF, one processor"),
    ("limit_jpeg", "limit: libjpeg-turbo q90"),
]
PEERS = [
    ("peer_vips", "peer: libvips + img2pdf"),
    ("peer_libjpeg_turbo", "peer: cjpeg + img2pdf"),
    ("peer_imagemagick", "peer: ImageMagick"),
]
JPG_PEER = ("peer_vips_jpg", "peer: libvips JPG pages")
# Targets that hold for the large pictures only, where fixed costs no longer count.
LARGE = 100000


def parse(path):
    runs = defaultdict(dict)
    for line in open(path):
        fields = dict(f.split("=", 1) for f in line.split() if "=" in f)
        h = int(fields.pop("h"))
        if "stage" in fields:
            runs[h].setdefault("stages", {})[fields.pop("stage")] = fields
        elif "refused" in fields:
            runs[h]["refused"] = line.split("refused=", 1)[1].strip()
        else:
            runs[h].update(fields)
    return runs


def mb(value):
    return float(value) / 1048576.0


def seconds(stages, key):
    return float(stages[key]["seconds"])


class Targets:
    def __init__(self):
        self.ok = True
        self.lines = []

    def check(self, met, text):
        self.ok &= met
        self.lines.append(f"  {text}  {'met' if met else 'MISSED'}")


def show_height(h, run, targets):
    print()
    if "refused" in run:
        print(f"height {h:,} px: refused by the tile builder: {run['refused']}")
        return
    stages = run.get("stages", {})
    if "pdf" not in stages:
        print(f"height {h:,} px: the run ended early")
        targets.ok = False
        return
    mp = float(run["megapixels"])
    print(f"height {h:,} px ({mp:.1f} MP), {run['pages']} pages of {run['piece_width']} x {run['piece_height']}"
          f" picture px on a {run['page_width']} x {run['page_height']} page"
          f" ({'printer' if run['printer'] == '1' else 'no printer'}), load {run.get('load', '?')}")
    print(f"  {'stage':30} {'seconds':>9} {'MP/s':>9}")
    for key, name in STAGES:
        if key in stages:
            print(f"  {name:30} {seconds(stages, key):9.3f} {float(stages[key]['mpps']):9.1f}")
    peers = {key: seconds(stages, key) for key, _ in PEERS if key in stages}
    for key, name in PEERS + [JPG_PEER]:
        if key in stages:
            print(f"  {name:30} {seconds(stages, key):9.3f} {mp / seconds(stages, key):9.1f}")
    if "print_pages_per_second" in run:
        print(f"  printing: {float(run['print_pages_per_second']):.2f} pages per second until the document was handed over")
    print(f"  peak working set {mb(run['peak_working_set_bytes']):.1f} MB, tile file "
          f"{mb(run['tile_file_bytes']):.1f} MB, PDF {mb(run['pdf_bytes']):.1f} MB, JPG pages "
          f"{mb(run['jpg_bytes']):.1f} MB")

    workers = int(run["workers"])
    per_worker = float(stages["pdf"]["mpps"]) / workers
    limit = float(stages["limit_jpeg"]["mpps"])
    print(f"  PDF stage: {per_worker:.1f} MP/s per worker thread ({workers} workers), "
          f"{float(stages['pdf_one_worker']['mpps']):.1f} MP/s on one processor; single-threaded limit {limit:.1f} MP/s")
    loads, tiles = int(run["retile_tile_loads"]), int(run["capture_tiles"])
    targets.check(loads == tiles, f"{h:>7,}: re-tiling read {loads} capture tiles for a capture of {tiles}")
    ratio = float(stages["pdf_one_worker"]["mpps"]) / limit
    least = 0.85 if h >= LARGE else 0.6
    targets.check(ratio >= least, f"{h:>7,}: PDF stage on one processor / limit = {ratio:.2f} (target >= {least})")
    if "jpg" in stages and h >= LARGE:
        ratio = float(stages["jpg"]["mpps"]) / limit
        targets.check(ratio >= 0.5, f"{h:>7,}: JPG pages / limit = {ratio:.2f} (target >= 0.5)")
    if "jpg" in stages and JPG_PEER[0] in stages:
        ours, theirs = seconds(stages, "jpg"), seconds(stages, JPG_PEER[0])
        targets.check(ours / theirs <= 0.5, f"{h:>7,}: JPG pages, ours {ours:.2f} s / libvips {theirs:.2f} s"
                      f" = {ours / theirs:.2f} (target <= 0.5)")
    if peers:
        fastest = min(peers, key=peers.get)
        name = dict(PEERS)[fastest].split(": ", 1)[1]
        plain = seconds(stages, "pdf")
        clipped = seconds(stages, "retile") + plain
        targets.check(plain / peers[fastest] <= 0.5,
                      f"{h:>7,}: captured picture to paged PDF, ours {plain:.2f} s / {name} {peers[fastest]:.2f} s"
                      f" = {plain / peers[fastest]:.2f} (target <= 0.5)")
        targets.check(clipped / peers[fastest] <= 0.8,
                      f"{h:>7,}: with clipping (stages 2 and 4), ours {clipped:.2f} s / {name} {peers[fastest]:.2f} s"
                      f" = {clipped / peers[fastest]:.2f} (target <= 0.8)")


def main():
    runs = parse(sys.argv[1])
    heights = sorted(runs)
    targets = Targets()
    print()
    print("Output benchmark: a page 1,280 pixels wide, view tiles of 1,280 x 720")
    for h in heights:
        show_height(h, runs[h], targets)

    measured = [h for h in heights if "peak_working_set_bytes" in runs[h]]
    if len(measured) > 1:
        lo = measured[0]
        base = float(runs[lo]["peak_working_set_bytes"])
        for hi in measured[1:]:
            allowed = 1.2 * base + float(runs[hi]["pdf_bytes"])
            peak = float(runs[hi]["peak_working_set_bytes"])
            targets.check(peak <= allowed, f"memory flat: peak at {hi:,} = {mb(peak):.1f} MB, allowed 1.2 x "
                          f"{mb(base):.1f} (at {lo:,}) + PDF {mb(runs[hi]['pdf_bytes']):.1f} = {mb(allowed):.1f} MB")
    print()
    if not targets.lines:
        print("no height measured")
        return
    print("Targets")
    print("\n".join(targets.lines))
    print()
    print("all targets met" if targets.ok else "some targets missed")


if __name__ == "__main__":
    main()
