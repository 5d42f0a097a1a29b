#!/usr/bin/env python3
"""fennick-export against the peer glabels-3-batch on the same A6 card and the same guest lists.

The card: six fixed CJK texts (Noto Serif/Sans CJK SC, 22/14/11/10/12/8 points) and the guest's
name in 18 points bold, as in bench/peer/invitation.glabels; the guest lists come from
bench/peer/make_guests.py. Every run is timed (wall time, CPU time and peak resident memory of the
process), each size a few times with the programs taking turns, so that a change in the machine's
load falls on all of them alike; the medians are printed side by side with the ratio, then as JSON.

    python3 bench/compare_export.py --build build/release [--sizes 100,1000,10000] [--reps 3]
        [--baseline OTHER_BUILD]

--baseline runs the fennick-export of another build in the same turns (an earlier commit, say) and
adds its medians and the speed-up over it. --vertical exports, in the same turns, the same card set
in columns (竖排: every text vertical, the name centred down its column and fitted to 50 mm) and
gives its time over the horizontal card's. The peer is run up to --peer-max guests (default 1000;
it needs minutes and several GB beyond a few thousand). Install it with `apt-get install glabels`;
it is never a dependency of Fennick.
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
import threading
import time

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
# The same card in columns from right to left: (label name, x, y, anchor 0 top / 2 bottom).
COLUMNS = {"标题": (88, 10, 0), "邀请": (76, 10, 0), "时间": (66, 10, 0), "地点": (57, 10, 0),
           "回复": (49, 10, 0), "落款": (12, 140, 2)}
VERTICAL_NAME = (30, 75, 50)  # x, y (the middle of its column), fit width in mm


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
    # Style 2: the same texts and fonts set vertically.
    db.execute("INSERT INTO Lists (ListID, ListName) VALUES (2, '竖排基准请柬')")
    vx, vy, fit = VERTICAL_NAME
    db.execute(
        "INSERT INTO GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle, keyanchor, keyfitwidth, "
        "keyvertical) VALUES (2, ?, ?, ?, ?, '粗体', 1, ?, 1)",
        (vx, vy, family, str(points), fit),
    )
    for name, text, bx, by, bw, justify, fam, pts, bold in LABELS:
        cx, cy, anchor = COLUMNS[name]
        db.execute(
            "INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, KeyFontStyle, "
            "KeyAnchor, KeyVertical) VALUES (2, ?, ?, ?, ?, ?, ?, ?, ?, 1)",
            (name + "竖排", text, cx, cy, fam, str(pts), "粗体" if bold else "常规", anchor),
        )
    with open(guests_csv, encoding="utf-8") as f:
        rows = [(r["name"],) for r in csv.DictReader(f)]
    for style in (1, 2):
        db.executemany("INSERT INTO Guests (ListID, Name) VALUES (?, ?)", [(style,) + r for r in rows])
    db.commit()
    db.close()


def timed(cmd, timeout):
    """Wall seconds, CPU seconds and peak resident MiB of one run, or None when it failed or ran out of time."""
    with tempfile.TemporaryFile() as err:
        start = time.perf_counter()
        proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=err)
        killer = threading.Timer(timeout, proc.kill)
        killer.start()
        _, status, usage = os.wait4(proc.pid, 0)  # the child's own resource use, unlike proc.wait()
        wall = time.perf_counter() - start
        killer.cancel()
        proc.returncode = os.waitstatus_to_exitcode(status)
        if proc.returncode != 0:
            err.seek(0)
            sys.stderr.write(err.read()[-2000:].decode(errors="replace"))
            return None
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024


def find_program(build, name):
    """The executable `name` somewhere under `build` (its folder moves with the source tree)."""
    for root, dirs, files in os.walk(build):
        dirs[:] = [d for d in dirs if not d.endswith("_autogen") and d != "CMakeFiles"]
        if name in files and os.access(os.path.join(root, name), os.X_OK):
            return os.path.join(root, name)
    sys.exit(f"compare_export.py: no {name} under {build}; build it first")


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
    return tuple(statistics.median(r[i] for r in runs) for i in range(3))


def cell(m):
    return f"{m[0]:7.3f} s {m[1]:6.2f} cpu {m[2]:5.0f} MiB" if m else "not run"


def as_json(m, name):
    if not m:
        return {f"{name}_s": None, f"{name}_cpu_s": None, f"{name}_mib": None}
    return {f"{name}_s": round(m[0], 3), f"{name}_cpu_s": round(m[1], 3), f"{name}_mib": round(m[2])}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build/release")
    ap.add_argument("--baseline", help="another build whose fennick-export runs in the same turns")
    ap.add_argument("--vertical", action="store_true", help="also export the same card set in columns")
    ap.add_argument("--sizes", default="100,1000,10000")
    ap.add_argument("--reps", type=int, default=3)
    ap.add_argument("--peer-max", type=int, default=1000)
    ap.add_argument("--peer-timeout", type=int, default=600)
    args = ap.parse_args()

    exporters = {"fennick": find_program(os.path.join(args.build, "src"), "fennick-export")}
    if args.baseline:
        exporters["baseline"] = find_program(os.path.join(args.baseline, "src"), "fennick-export")
    empty_db = os.path.join(args.build, "data", "Date_D.dat")
    peer = shutil.which("glabels-3-batch")
    results = []
    with tempfile.TemporaryDirectory(prefix="fennick-bench-") as work:
        for n in [int(s) for s in args.sizes.split(",")]:
            guests = os.path.join(work, f"g{n}.csv")
            subprocess.run([sys.executable, os.path.join(PEER_DIR, "make_guests.py"), str(n), guests], check=True)
            db = os.path.join(work, f"g{n}.dat")
            make_database(empty_db, guests, db)

            commands = {name: [exe, "--db", db, "--style", "基准请柬", "--out", os.path.join(work, f"{name}{n}.pdf"),
                               "--paper", "A6"] for name, exe in exporters.items()}
            if args.vertical:
                commands["vertical"] = [exporters["fennick"], "--db", db, "--style", "竖排基准请柬", "--out",
                                        os.path.join(work, f"vertical{n}.pdf"), "--paper", "A6"]
            timeouts = {name: 600 for name in commands}
            if peer and n <= args.peer_max:
                commands["peer"] = [peer, "-i", guests, "-o", os.path.join(work, f"peer{n}.pdf"),
                                    os.path.join(PEER_DIR, "invitation.glabels")]
                timeouts["peer"] = args.peer_timeout
            runs = {name: [] for name in commands}
            for _ in range(args.reps):
                for name, cmd in commands.items():
                    runs[name].append(timed(cmd, timeouts[name]))
            for name in list(exporters) + (["vertical"] if args.vertical else []):
                assert pages(commands[name][6]) == n, f"{name} fennick-export wrote the wrong number of pages"
            row = {"guests": n}
            row.update({name: median_of(r) for name, r in runs.items()})
            results.append(row)

    header = f"{'guests':>7} | {'fennick-export':>30} | {'glabels-3-batch':>30} | speed-up"
    if args.baseline:
        header += f" | {'baseline fennick-export':>30} | faster than baseline"
    if args.vertical:
        header += f" | {'the same cards vertical':>30} | vertical / horizontal"
    print(header)
    for r in results:
        f, p, b = r["fennick"], r.get("peer"), r.get("baseline")
        line = f"{r['guests']:>7} | {cell(f):>30} | {cell(p):>30} | {f'{p[0] / f[0]:.1f}x' if f and p else '':>8}"
        if args.baseline:
            line += f" | {cell(b):>30} | {f'{b[0] / f[0]:.2f}x' if f and b else ''}"
        if args.vertical:
            v = r.get("vertical")
            line += f" | {cell(v):>30} | {f'{v[0] / f[0]:.2f}' if f and v else ''}"
        print(line)
    rows = []
    for r in results:
        row = {"guests": r["guests"]}
        for name in ["fennick", "peer"] + (["baseline"] if args.baseline else []) + (
                ["vertical"] if args.vertical else []):
            row.update(as_json(r.get(name), name))
        if r["fennick"] and r.get("vertical"):
            row["vertical_over_horizontal"] = round(r["vertical"][0] / r["fennick"][0], 3)
        if r["fennick"] and r.get("peer"):
            row["speed_up"] = round(r["peer"][0] / r["fennick"][0], 2)
        rows.append(row)
    print(json.dumps(rows))


if __name__ == "__main__":
    main()
