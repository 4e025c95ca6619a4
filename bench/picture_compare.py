#!/usr/bin/python3
"""Times our picture readers against Pillow and ImageMagick on the same large pictures.

    python3 bench/picture_compare.py [--decoder BUILD/bench/picture_decode] [--size 4000x3000]
                                     [--repeat 5] [--only NAME,...] [--keep DIR [--reuse]] [--core N]
                                     [--processes 3] [--clock cpu|wall] [--no-magick]

Makes one picture of about 12 megapixels (a photo-like half and a drawn half), writes it in each
format with the reference tools' own encoders (Pillow, libtiff's tiffcp, ImageMagick) into a
temporary folder, and decodes every file with
  - ours: bench/picture_decode (through the picture registry, a fresh process per file),
  - Pillow: Image.open of the open file + load (a fresh process per file, its plugins loaded
    and its freed memory blocks kept for reuse, as ours are),
  - ImageMagick: `convert FILE null:` (best of N, minus the time of the same command on a 1x1
    picture, so the program's start-up is not counted; one thread, like the others).
For ours and Pillow it gives the best of N decodes, the first decode of a process (cold
tables, memory not yet mapped) and the peak memory the decodes added to the process, each the
smallest over a few fresh processes. The times are the decoding thread's processor time (its
page faults and file reads included; ImageMagick's always on the wall), so that other programs
busy on the same core do not stretch them; --clock wall takes the time on the wall. With
--core every program runs pinned to that one core (as `taskset -c N` would), so on a loaded
machine both sides share the same conditions. It prints a table with the times and the ratios,
and checks that our pixels agree with Pillow's (largest channel difference).
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageChops, ImageDraw, ImageFilter

IM = "/usr/bin/convert"
HERE = os.path.dirname(os.path.abspath(__file__))


def find_decoder():
    """The most recently built bench/picture_decode of a plain (not sanitized) build folder."""
    root = os.path.dirname(HERE)
    found = []
    for d in os.listdir(root):
        p = os.path.join(root, d, "bench", "picture_decode")
        if d.startswith("build") and "asan" not in d and "fuzz" not in d and os.access(p, os.X_OK):
            found.append((os.path.getmtime(p), p))
    return max(found)[1] if found else None


def make_source(w, h):
    """A photo-like upper half (fractal and noise, smoothed) and a drawn lower half (flat areas,
    lines and text-like strokes), so run-length and LZW coders see both kinds of content."""
    half = h // 2
    frac = Image.effect_mandelbrot((w, half), (-2.0, -1.1, 0.8, 1.1), 60)
    noise = Image.effect_noise((w, half), 40)
    grad = Image.linear_gradient("L").resize((w, half))
    r = ImageChops.add(frac, noise, 1.0, -64)
    g = ImageChops.blend(grad, noise, 0.4)
    b = ImageChops.blend(frac.transpose(Image.Transpose.FLIP_LEFT_RIGHT), grad.rotate(180), 0.5)
    photo = Image.merge("RGB", (r, g, b)).filter(ImageFilter.GaussianBlur(1))

    drawn = Image.new("RGB", (w, h - half), (245, 240, 230))
    d = ImageDraw.Draw(drawn)
    rnd = random.Random(1)
    for _ in range(400):
        x0, y0 = rnd.randrange(w), rnd.randrange(h - half)
        x1, y1 = x0 + rnd.randrange(20, w // 4), y0 + rnd.randrange(20, (h - half) // 4)
        colour = tuple(rnd.randrange(256) for _ in range(3))
        shape = rnd.randrange(3)
        if shape == 0:
            d.rectangle((x0, y0, x1, y1), fill=colour)
        elif shape == 1:
            d.ellipse((x0, y0, x1, y1), fill=colour, outline=(0, 0, 0))
        else:
            d.line((x0, y0, x1, y1), fill=colour, width=rnd.randrange(1, 12))
    im = Image.new("RGB", (w, h))
    im.paste(photo, (0, 0))
    im.paste(drawn, (0, half))
    return im


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make_files(src, tmp, only, reuse=False):
    """(name, path) for every picture of the run, written by the reference tools (with reuse,
    only those not in the folder yet)."""
    base_png = os.path.join(tmp, "source.png")
    src.save(base_png, compress_level=1)
    grey = src.convert("L")
    pal = src.quantize(256, dither=Image.Dither.NONE)
    raw_tif = os.path.join(tmp, "rgb_raw.tif")
    made = []

    def want(name):
        return not only or name in only

    def add(name, path, maker):
        if want(name):
            if not (reuse and os.path.exists(path)):
                maker(path)
            made.append((name, path))

    add("tiff rgb raw", raw_tif, lambda p: src.save(p, compression="raw"))
    if not os.path.exists(raw_tif):
        src.save(raw_tif, compression="raw")
    add("tiff rgb lzw+pred", os.path.join(tmp, "rgb_lzw.tif"),
        lambda p: run("tiffcp", "-c", "lzw:2", "-r", "16", raw_tif, p))
    add("tiff rgb packbits", os.path.join(tmp, "rgb_pb.tif"),
        lambda p: run("tiffcp", "-c", "packbits", "-r", "16", raw_tif, p))
    add("tiff grey lzw", os.path.join(tmp, "grey_lzw.tif"), lambda p: grey.save(p, compression="tiff_lzw"))
    add("tga rgb24 raw", os.path.join(tmp, "rgb_raw.tga"), lambda p: src.save(p, rle=False))
    add("tga rgb24 rle", os.path.join(tmp, "rgb_rle.tga"), lambda p: src.save(p, rle=True))
    add("tga pal8 rle", os.path.join(tmp, "pal_rle.tga"), lambda p: pal.save(p, rle=True))
    add("pcx rgb24", os.path.join(tmp, "rgb.pcx"), lambda p: src.save(p))
    add("pcx pal8", os.path.join(tmp, "pal.pcx"), lambda p: pal.save(p))
    add("sgi rgb raw", os.path.join(tmp, "rgb_raw.sgi"), lambda p: src.save(p))
    add("sgi rgb rle", os.path.join(tmp, "rgb_rle.sgi"),
        lambda p: run(IM, base_png, "-compress", "RLE", "sgi:" + p))
    add("ppm raw", os.path.join(tmp, "rgb.ppm"), lambda p: src.save(p))
    add("pgm raw 16-bit", os.path.join(tmp, "grey16.pgm"),
        lambda p: run(IM, base_png, "-colorspace", "Gray", "-depth", "16", p))
    add("ppm plain", os.path.join(tmp, "plain.ppm"),
        lambda p: run(IM, base_png, "-compress", "None", p))
    add("gif", os.path.join(tmp, "pal.gif"), lambda p: pal.save(p))
    add("gif interlaced", os.path.join(tmp, "pal_i.gif"), lambda p: pal.save(p, interlace=True))
    add("psd rgb raw", os.path.join(tmp, "rgb_raw.psd"),
        lambda p: run(IM, base_png, "-compress", "None", p))
    add("psd rgb rle", os.path.join(tmp, "rgb_rle.psd"),
        lambda p: run(IM, base_png, "-compress", "RLE", p))
    add("jpeg baseline", os.path.join(tmp, "rgb.jpg"), lambda p: src.save(p, quality=90))
    add("jpeg progressive", os.path.join(tmp, "rgb_prog.jpg"),
        lambda p: src.save(p, quality=90, progressive=True))
    add("jpeg grey", os.path.join(tmp, "grey.jpg"), lambda p: grey.save(p, quality=90))
    add("bmp pal8", os.path.join(tmp, "pal.bmp"), lambda p: pal.save(p))
    add("bmp rgb24", os.path.join(tmp, "rgb24.bmp"), lambda p: src.save(p))
    add("bmp rgb32", os.path.join(tmp, "rgb32.bmp"), lambda p: src.convert("RGBA").save(p))
    return made


def best(times):
    return min(times)


# Pillow's side, run in a fresh process per file like ours: prints the first time, the best time
# (ms) and the peak memory the decodes added (MB).
PILLOW_DECODE = r"""
import sys, time
from PIL import Image
Image.init()
Image.core.set_blocks_max(64)
path, repeat = sys.argv[1], int(sys.argv[2])
clock = time.thread_time if sys.argv[3] == "cpu" else time.perf_counter


def peak_kib():
    # This program's own high-water mark: getrusage's is carried over from the parent.
    with open("/proc/self/status") as f:
        return next(int(l.split()[1]) for l in f if l.startswith("VmHWM:"))


before = peak_kib()
times = []
for _ in range(repeat):
    t = clock()
    # From an open file rather than a name: given a name, Pillow maps uncompressed pictures
    # (8-bit BMP, PPM) into memory without reading a pixel, which is not a decode.
    with open(path, "rb") as f, Image.open(f) as im:
        im.load()
    times.append(clock() - t)
    del im
added = (peak_kib() - before) / 1024
print(times[0] * 1000, min(times) * 1000, added)
"""


def best_of_processes(runs, measure):
    """(first ms, best ms, MB added) over runs fresh processes: a single first decode says little
    on a busy machine, so each figure is the smallest of the runs."""
    results = [measure() for _ in range(runs)]
    return tuple(min(r[i] for r in results) for i in range(3))


def time_pillow(path, repeat, runs, clock):
    def measure():
        out = subprocess.run([sys.executable, "-c", PILLOW_DECODE, path, str(repeat), clock], check=True,
                             capture_output=True, text=True).stdout
        return tuple(float(v) for v in out.split())
    return best_of_processes(runs, measure)


def time_command(cmd, repeat):
    times = []
    for _ in range(repeat):
        t = time.perf_counter()
        subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times.append(time.perf_counter() - t)
    return best(times) * 1000


def time_ours(decoder, path, repeat, runs, clock, dump):
    def measure():
        cmd = [decoder, path, "--repeat", str(repeat), "--dump", dump] + (["--cpu"] if clock == "cpu" else [])
        out = subprocess.run(cmd, check=True,
                             capture_output=True, text=True).stdout
        m = re.search(r"first ([0-9.]+) ms, best ([0-9.]+) ms.*added by the loads ([0-9.-]+) MB", out)
        if not m:
            sys.exit("unexpected output from %s: %s" % (decoder, out))
        return tuple(float(v) for v in m.groups())
    return best_of_processes(runs, measure)


def max_difference(ours_ppm, path):
    with Image.open(path) as ref, Image.open(ours_ppm) as got:
        if ref.mode.startswith("I"):
            # Pillow keeps 16-bit samples as they are; ours are brought to 8 bits.
            ref = ref.point(lambda v: v * (255 / 65535) + 0.5)
        ref = ref.convert("RGB")
        if ref.size != got.size:
            return "size"
        extrema = ImageChops.difference(ref, got.convert("RGB")).getextrema()
        return str(max(e[1] for e in extrema))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--decoder", default=find_decoder())
    ap.add_argument("--size", default="4000x3000")
    ap.add_argument("--repeat", type=int, default=5, help="decodes in each process")
    ap.add_argument("--processes", type=int, default=3, help="fresh processes per file and decoder")
    ap.add_argument("--clock", choices=("cpu", "wall"), default="cpu",
                    help="the decoding thread's processor time, or the time on the wall")
    ap.add_argument("--only", default="", help="comma-separated names from the table")
    ap.add_argument("--keep", help="write the pictures into this folder and keep them")
    ap.add_argument("--reuse", action="store_true", help="with --keep, take the pictures already there")
    ap.add_argument("--core", type=int, help="run every decoder pinned to this one core")
    ap.add_argument("--no-magick", action="store_true", help="leave ImageMagick out (it is slow)")
    args = ap.parse_args()
    if args.core is not None:
        os.sched_setaffinity(0, {args.core})   # inherited by every program started below
    if not args.decoder or not os.access(args.decoder, os.X_OK):
        sys.exit("bench/picture_decode not found: build with -DKORVANE_BENCH=ON or pass --decoder")
    print("decoder: %s" % args.decoder)
    w, h = (int(v) for v in args.size.split("x"))
    only = {s.strip() for s in args.only.split(",") if s.strip()}
    env_note = "MAGICK_THREAD_LIMIT=1"
    os.environ["MAGICK_THREAD_LIMIT"] = "1"

    tmp = args.keep or tempfile.mkdtemp(prefix="picture_compare_")
    os.makedirs(tmp, exist_ok=True)
    try:
        print("making a %dx%d picture (%.1f megapixels) in each format..." % (w, h, w * h / 1e6), flush=True)
        files = make_files(make_source(w, h), tmp, only, args.reuse and bool(args.keep))
        tiny = os.path.join(tmp, "tiny.ppm")
        Image.new("RGB", (1, 1)).save(tiny)
        im_start = 0.0 if args.no_magick else time_command([IM, tiny, "null:"], max(3, args.repeat))
        dump = os.path.join(tmp, "ours-%d.ppm" % os.getpid())   # runs may share the folder

        rows = []
        for name, path in files:
            ours = time_ours(args.decoder, path, args.repeat, args.processes, args.clock, dump)
            try:
                diff = max_difference(dump, path)
                pil = time_pillow(path, args.repeat, args.processes, args.clock)
            except Exception as e:  # Pillow cannot read every variant
                diff, pil = "Pillow: %s" % e, None
            magick = 0.0 if args.no_magick else max(0.0, time_command([IM, path, "null:"], args.repeat) - im_start)
            rows.append((name, os.path.getsize(path), ours, pil, magick, diff))
            print("  %-18s ours %8.1f ms (first %.1f, %.1f MB)  Pillow %s  ImageMagick %8.1f ms"
                  % (name, ours[1], ours[0], ours[2],
                     "-" if pil is None else "%8.1f ms (first %.1f, %.1f MB)" % (pil[1], pil[0], pil[2]),
                     magick), flush=True)

        def ratio(a, b):
            return "%.2f" % (a / b) if b > 0 else "-"

        print()
        print("Decoding %dx%d pictures, %s time, best of %d in each of %d processes%s (ImageMagick: %s, its start-up of %.0f ms taken off);"
              % (w, h, "processor" if args.clock == "cpu" else "wall", args.repeat, args.processes, "" if args.core is None else ", all on core %d" % args.core, env_note,
                 im_start))
        print("first: the first decode of a process; MB: peak memory the decodes added to a process")
        head = ("format", "file MB", "ours ms", "Pillow ms", "IM ms", "ours/Pillow", "first ours ms",
                "first Pillow ms", "first ours/Pillow", "ours MB", "Pillow MB", "MB ours/Pillow", "ours/IM",
                "max diff")
        print("| " + " | ".join(head) + " |")
        print("|" + "|".join("---" for _ in head) + "|")
        for name, size, ours, pil, magick, diff in rows:
            pil = pil or (0.0, 0.0, 0.0)
            cells = (name, "%.1f" % (size / 1e6), "%.1f" % ours[1], "%.1f" % pil[1], "%.1f" % magick,
                     ratio(ours[1], pil[1]), "%.1f" % ours[0], "%.1f" % pil[0], ratio(ours[0], pil[0]),
                     "%.1f" % ours[2], "%.1f" % pil[2], ratio(ours[2], pil[2]), ratio(ours[1], magick), diff)
            print("| " + " | ".join(cells) + " |")
        slower = [r[0] for r in rows if r[3] is not None and r[2][1] > r[3][1]]
        if slower:
            print("\nslower than Pillow: " + ", ".join(slower))
    finally:
        if not args.keep:
            shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
