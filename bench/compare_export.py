#!/usr/bin/env python3
"""fennick-export against the peer glabels-3-batch on the same A6 card and the same guest lists.

The card: six fixed CJK texts (Noto Serif/Sans CJK SC, 22/14/11/10/12/8 points) and the guest's
name in 18 points bold, as in bench/peer/invitation.glabels; the guest lists come from
bench/peer/make_guests.py. Every run is timed with /usr/bin/time (wall time and peak resident memory), each size
a few times, and the medians are printed side by side with the ratio, then as JSON.

    python3 bench/compare_export.py --build build/release [--sizes 100,1000,10000] [--reps 3]

The peer is run up to --peer-max guests (default 1000; it needs minutes and several GB beyond a
few thousand). Install it with `apt-get install glabels`; it is never a dependency of Fennick.
"""
import argparse
import csv
import json
import os
import shutil
import sqlite3
import statistics
import subprocess
import sys
import tempfile

PEER_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "peer")
MM_PER_POINT = 25.4 / 72

# (name, text, box x, box y, box width, justify, family, points, bold) from invitation.glabels.
LABELS = [
    ("标题", "婚礼请柬", 10, 10, 85, "center", "Noto Serif CJK SC", 22, True),
    ("邀请", "诚挚邀请您参加我们的婚礼", 10, 45, 85, "center", "Noto Serif CJK SC", 14, False),
    ("时间", "时间：2027年5月1日 中午12时", 12, 66, 83, "left", "Noto Sans CJK SC", 11, False),
    ("地点", "地点：上海市黄浦区和平饭店宴会厅", 12, 76, 83, "left", "Noto Sans CJK SC", 10, False),
    ("落款", "新郎 张伟 · 新娘 李娜 敬邀", 10, 105, 85, "right", "Noto Serif CJK SC", 12, True),
    ("回复", "请于2027年4月15日前回复是否出席", 10, 132, 85, "center", "Noto Sans CJK SC", 8, True),
]
NAME = (10, 28, 85, "Noto Serif CJK SC", 18)  # centred; names are 2 to 4 characters


def text_width_mm(text, points):
    """Rough advance width: full width for CJK, half width for the rest."""
    ems = sum(1.0 if ord(c) > 0x2E80 else 0.5 for c in text)
    return ems * points * MM_PER_POINT


def placed_x(text, x, width, justify, points):
    if justify == "left":
        return x
    free = width - text_width_mm(text, points)
    return x + (free / 2 if justify == "center" else free)


def make_database(empty_db, guests_csv, path):
    shutil.copyfile(empty_db, path)
    db = sqlite3.connect(path)
    db.execute("INSERT INTO Lists (ListID, ListName) VALUES (1, '基准请柬')")
    x, y, width, family, points = NAME
    db.execute(
        "INSERT INTO GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle) VALUES (1, ?, ?, ?, ?, '粗体')",
        (round(x + (width - 3 * points * MM_PER_POINT) / 2, 1), y, family, str(points)),
    )
    for name, text, bx, by, bw, justify, fam, pts, bold in LABELS:
        db.execute(
            "INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, KeyFontStyle) "
            "VALUES (1, ?, ?, ?, ?, ?, ?, ?)",
            (name, text, round(placed_x(text, bx, bw, justify, pts), 1), by, fam, str(pts), "粗体" if bold else "常规"),
        )
    with open(guests_csv, encoding="utf-8") as f:
        rows = [(r["name"],) for r in csv.DictReader(f)]
    db.executemany("INSERT INTO Guests (ListID, Name) VALUES (1, ?)", rows)
    db.commit()
    db.close()


def timed(cmd, timeout):
    """Wall seconds and peak resident MiB of one run, or None when it failed or ran out of time."""
    fmt = "BENCH %e %M"
    try:
        done = subprocess.run(["/usr/bin/time", "-f", fmt] + cmd, capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return None
    line = [l for l in done.stderr.splitlines() if l.startswith("BENCH ")]
    if done.returncode != 0 or not line:
        sys.stderr.write(done.stderr[-2000:])
        return None
    _, seconds, kib = line[-1].split()
    return float(seconds), int(kib) / 1024


def pages(pdf):
    info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True).stdout
    for l in info.splitlines():
        if l.startswith("Pages:"):
            return int(l.split()[1])
    return -1


def median_of(runs):
    runs = [r for r in runs if r]
    if not runs:
        return None
    return statistics.median(r[0] for r in runs), statistics.median(r[1] for r in runs)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build/release")
    ap.add_argument("--sizes", default="100,1000,10000")
    ap.add_argument("--reps", type=int, default=3)
    ap.add_argument("--peer-max", type=int, default=1000)
    ap.add_argument("--peer-timeout", type=int, default=600)
    args = ap.parse_args()

    exporter = os.path.join(args.build, "src", "fennick-export")
    empty_db = os.path.join(args.build, "data", "Date_D.dat")
    peer = shutil.which("glabels-3-batch")
    results = []
    with tempfile.TemporaryDirectory(prefix="fennick-bench-") as work:
        for n in [int(s) for s in args.sizes.split(",")]:
            guests = os.path.join(work, f"g{n}.csv")
            subprocess.run([sys.executable, os.path.join(PEER_DIR, "make_guests.py"), str(n), guests], check=True)
            db = os.path.join(work, f"g{n}.dat")
            make_database(empty_db, guests, db)

            ours_pdf = os.path.join(work, f"fennick{n}.pdf")
            ours = [timed([exporter, "--db", db, "--style", "基准请柬", "--out", ours_pdf, "--paper", "A6"], 600)
                    for _ in range(args.reps)]
            assert pages(ours_pdf) == n, "fennick-export wrote the wrong number of pages"
            row = {"guests": n, "fennick": median_of(ours), "peer": None}

            if peer and n <= args.peer_max:
                peer_pdf = os.path.join(work, f"glabels{n}.pdf")
                theirs = [timed([peer, "-i", guests, "-o", peer_pdf, os.path.join(PEER_DIR, "invitation.glabels")],
                                args.peer_timeout) for _ in range(args.reps)]
                row["peer"] = median_of(theirs)
            results.append(row)

    print(f"{'guests':>7} | {'fennick-export':>20} | {'glabels-3-batch':>20} | speed-up")
    for r in results:
        f, p = r["fennick"], r["peer"]
        fs = f"{f[0]:7.2f} s {f[1]:7.0f} MiB" if f else "failed"
        ps = f"{p[0]:7.2f} s {p[1]:7.0f} MiB" if p else "not run"
        ratio = f"{p[0] / f[0]:.1f}x" if f and p else ""
        print(f"{r['guests']:>7} | {fs:>20} | {ps:>20} | {ratio}")
    print(json.dumps([{"guests": r["guests"],
                       "fennick_s": r["fennick"] and round(r["fennick"][0], 3),
                       "fennick_mib": r["fennick"] and round(r["fennick"][1]),
                       "peer_s": r["peer"] and round(r["peer"][0], 3),
                       "peer_mib": r["peer"] and round(r["peer"][1])} for r in results]))


if __name__ == "__main__":
    main()
