#!/usr/bin/python3
"""The output benchmark's peers: common tools that take the same picture from disk (a binary PPM)
to a PDF of JPEG pages, cut with the same clipping into pages of the same size, at the same JPEG
quality and chroma subsampling (4:2:0), with as many encoders at once as ours uses; and libvips
cutting it into JPG pages scaled to the page's pixel width, at the JPG pages' quality.

  peers.py <picture.ppm> <work dir> <clip l,t,r,b> <page w,h> <quality> <workers> <jpg width> <jpg quality>

Prints one line per peer: stage=peer_<name> seconds=... pages=... pdf_bytes=... (jpg_bytes=... for
the JPG pages)
"""
import glob
import mmap
import os
import shutil
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor


def ppm_header(path):
    """Width, height and the offset of the first row of a binary PPM."""
    with open(path, "rb") as f:
        head = f.read(64)
    fields, at = [], 0
    while len(fields) < 4:
        while head[at:at + 1].isspace():
            at += 1
        end = at
        while not head[end:end + 1].isspace():
            end += 1
        fields.append(head[at:end])
        at = end
    assert fields[0] == b"P6" and fields[3] == b"255", "a binary 8-bit PPM"
    return int(fields[1]), int(fields[2]), at + 1


def pages_of(clip, page):
    """The page rectangles (left, top, width, height): the clipped picture cut top to bottom."""
    left, top, right, bottom = clip
    w, h = page
    return [(left, y, min(w, right - left), min(h, bottom - y)) for y in range(top, bottom, h)]


def assemble(jpegs, pdf):
    subprocess.run(["img2pdf", "-o", pdf] + jpegs, check=True)


def vips():
    """libvips through GObject introspection, and a call of one of its operations by name."""
    os.environ["VIPS_CONCURRENCY"] = "1"  # pages run side by side instead
    import gi
    gi.require_version("Vips", "8.0")
    from gi.repository import GObject, Vips

    def run(name, **props):
        op = Vips.Operation.new(name)
        for key, value in props.items():
            GObject.Object.set_property(op, key.replace("_", "-"), value)
        op = Vips.cache_operation_build(op)
        out = GObject.Object.get_property(op, "out") if name != "jpegsave" else None
        op.unref_outputs()
        return out

    return Vips, run


def vips_pages(picture, work, clip, page, quality, workers, prefix, scale=None):
    """libvips: the picture mapped, not read; each page cut, resized by `scale` with libvips'
    default kernel when given, and saved as JPEG side by side. The names of the files."""
    Vips, run = vips()
    pages = pages_of(clip, page)
    width, height, offset = ppm_header(picture)
    image = Vips.Image.new_from_file_raw(picture, width, height, 3, offset)
    names = [os.path.join(work, "%s%05d.jpg" % (prefix, i)) for i in range(len(pages))]

    def save(i):
        left, top, w, h = pages[i]
        page = run("extract_area", input=image, left=left, top=top, width=w, height=h)
        if scale is not None:
            page = run("resize", **{"in": page, "scale": scale})
        run("jpegsave", **{"in": page, "filename": names[i], "Q": quality,
                           "subsample_mode": Vips.ForeignSubsample.ON})

    with ThreadPoolExecutor(workers) as pool:
        list(pool.map(save, range(len(pages))))
    return names


def vips_peer(picture, work, clip, page, quality, workers):
    """libvips: every page as JPEG; then img2pdf."""
    assemble(vips_pages(picture, work, clip, page, quality, workers, "v"), os.path.join(work, "vips.pdf"))
    return os.path.join(work, "vips.pdf")


def libjpeg_turbo_peer(picture, work, clip, page, quality, workers):
    """libjpeg-turbo's cjpeg on each page's rows, cut from the mapped picture; then img2pdf."""
    pages = pages_of(clip, page)
    width, _, offset = ppm_header(picture)
    stride = width * 3
    names = [os.path.join(work, "t%05d.jpg" % i) for i in range(len(pages))]
    with open(picture, "rb") as f, mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as pixels:
        def save(i):
            left, top, w, h = pages[i]
            rows = [pixels[offset + y * stride + left * 3: offset + y * stride + (left + w) * 3]
                    for y in range(top, top + h)]
            data = b"P6\n%d %d\n255\n" % (w, h) + b"".join(rows)
            subprocess.run(["cjpeg", "-quality", str(quality), "-sample", "2x2", "-outfile", names[i]],
                           input=data, check=True)

        with ThreadPoolExecutor(workers) as pool:
            list(pool.map(save, range(len(pages))))
    assemble(names, os.path.join(work, "turbo.pdf"))
    return os.path.join(work, "turbo.pdf")


def imagemagick_peer(picture, work, clip, page, quality, workers):
    """ImageMagick: the clipped picture cut into pages, one JPEG PDF."""
    left, top, right, bottom = clip
    env = dict(os.environ, MAGICK_THREAD_LIMIT=str(workers),
               MAGICK_CONFIGURE_PATH=os.path.join(os.path.dirname(os.path.abspath(__file__)), "imagemagick"))
    pdf = os.path.join(work, "magick.pdf")
    subprocess.run(["convert", picture, "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top), "+repage",
                    "-crop", "%dx%d" % page, "+repage", "-sampling-factor", "4:2:0", "-quality", str(quality),
                    "-compress", "jpeg", pdf], check=True, env=env)
    return pdf


def pdf_pages(pdf):
    info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True, check=True).stdout
    return next(int(line.split()[1]) for line in info.splitlines() if line.startswith("Pages:"))


def main():
    picture, work = sys.argv[1], sys.argv[2]
    clip = tuple(int(v) for v in sys.argv[3].split(","))
    page = tuple(int(v) for v in sys.argv[4].split(","))
    quality, workers = int(sys.argv[5]), int(sys.argv[6])
    jpg_width, jpg_quality = int(sys.argv[7]), int(sys.argv[8])

    folder = os.path.join(work, "vips_jpg")
    os.makedirs(folder, exist_ok=True)
    start = time.perf_counter()
    names = vips_pages(picture, folder, clip, page, jpg_quality, workers, "j", jpg_width / page[0])
    seconds = time.perf_counter() - start
    print(f"stage=peer_vips_jpg seconds={seconds:.3f} pages={len(names)} "
          f"jpg_bytes={sum(os.path.getsize(n) for n in names)}", flush=True)
    shutil.rmtree(folder)
    for name, peer in [("vips", vips_peer), ("libjpeg_turbo", libjpeg_turbo_peer), ("imagemagick", imagemagick_peer)]:
        folder = os.path.join(work, name)
        os.makedirs(folder, exist_ok=True)
        start = time.perf_counter()
        pdf = peer(picture, folder, clip, page, quality, workers)
        seconds = time.perf_counter() - start
        print(f"stage=peer_{name} seconds={seconds:.3f} pages={pdf_pages(pdf)} pdf_bytes={os.path.getsize(pdf)}",
              flush=True)
        shutil.rmtree(folder)


if __name__ == "__main__":
    main()
