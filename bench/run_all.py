#!/usr/bin/env python3
"""Runs every benchmark of a build and compare_export.py, and prints their figures in one table.

    python3 bench/run_all.py [--build build/release] [--reps 3] [--no-peer] [--only bench_preview,...]

Builds nothing: the benchmark programs must have been built (see README.md). Each program prints its
medians as JSON; compare_export.py times fennick-export on 1,000 and 10,000 guests against
glabels-3-batch on 1,000 (when it is installed), and the same cards set vertically against them.
The table gives each figure's median, its target where there is one, and whether it was met, as
Markdown, followed by the machine's load before and after. Benchmarks are run one after another, never two at a time.
"""
import argparse
import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAMS = ["bench_foundation", "bench_labels", "bench_printing", "bench_printers", "bench_guests", "bench_preview",
            "bench_designer", "bench_rtf", "bench_import", "bench_import_large", "bench_snapshots", "bench_record",
            "bench_fields"]

# figure: (comparison, bound)
TARGETS = {
    "export_10000_s": ("<", 1.5),
    "export_10000_mib": ("<", 100),
    "export_1000_speed_up_over_glabels": (">=", 20),
    "open_preview_100k_ms": ("<", 200),
    "preview_page_turn_ms": ("<", 16),
    "preview_page_turn_actual_size_ms": ("<", 16),
    "print_one_card_pdf_10_labels_ms": ("<", 10),
    "print_one_card_pdf_10_labels_corrected_ms": ("<", 10),
    "open_settings_window_more_printers_ms": ("<", 150),
    "print_one_card_pdf_10_vertical_labels_fitted_name_ms": ("<", 10),
    "export_10000_vertical_over_horizontal": ("<", 1.2),
    "snapshot_ms": ("<", 300),
    "restore_ms": ("<", 500),
    "peak_rss_mb": ("<", 400),
    "one_paragraph_words_16MB.window_open_ms": ("<", 2000),
    "one_paragraph_chinese_16MB.window_open_ms": ("<", 2000),
    "record_one_card_ms": ("<", 2),
    "open_guest_window_100k_guests_100k_cards_ms": ("<", 150),
    "filter_not_printed_ms": ("<", 100),
    "filter_printed_ms": ("<", 100),
    "filter_failed_ms": ("<", 100),
    "filter_all_ms": ("<", 100),
    "bring_500_cards_up_to_date_ms": ("<", 300),
    "open_designer_50_labels_jpeg_ms": ("<", 300),
    "open_designer_50_labels_png_ms": ("<", 300),
    "designer_drag_frame_100_jpeg_ms": ("<", 16),
    "designer_drag_frame_100_png_ms": ("<", 16),
    "designer_save_50_moved_jpeg_ms": ("<", 50),
    "designer_save_50_moved_png_ms": ("<", 50),
    "expand_fields_100k_cards_ms": ("<", 100),
    "export_fields_over_typed_names_cpu_ratio": ("<=", 1.10),
}
UNITS = [("_cpu_ms", "ms CPU"), ("_cpu_s", "s CPU"), ("_ms", "ms"), ("_mib", "MiB"), ("_mb", "MB"), ("_s", "s"),
         ("speed_up_over_glabels", "×"), ("_over_horizontal", "×"), ("_ratio", "×")]


def load():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def find_program(build, name):
    for root, dirs, files in os.walk(build):
        dirs[:] = [d for d in dirs if not d.endswith("_autogen") and d != "CMakeFiles"]
        if name in files and os.access(os.path.join(root, name), os.X_OK):
            return os.path.join(root, name)
    return None


def run_program(path):
    """The figures a benchmark printed, or an error text."""
    done = subprocess.run([path], capture_output=True, text=True, timeout=3600)
    out = done.stdout
    if done.returncode != 0 or "{" not in out:
        return f"failed (exit {done.returncode}): {done.stderr.strip()[-300:]}"
    return json.loads(out[out.index("{"):out.rindex("}") + 1])


def run_large_import(path):
    """A 1,000,000-row CSV read, planned and written by bench_import in a process of its own, whose
    peak memory is the figure."""
    import tempfile
    with tempfile.TemporaryDirectory() as folder:
        csv = os.path.join(folder, "million.csv")
        subprocess.run([path, "--write-csv", csv, "1000000"], check=True, timeout=600)
        done = subprocess.run([path, "--read", csv], capture_output=True, text=True, timeout=3600)
    out = done.stdout
    if done.returncode != 0 or "{" not in out:
        return f"failed (exit {done.returncode}): {done.stderr.strip()[-300:]}"
    return json.loads(out[out.index("{"):out.rindex("}") + 1])


def run_export(build, reps, peer):
    cmd = [sys.executable, os.path.join(HERE, "compare_export.py"), "--build", build, "--sizes", "1000,10000",
           "--reps", str(reps), "--peer-max", "1000" if peer else "0", "--vertical"]
    done = subprocess.run(cmd, capture_output=True, text=True, timeout=7200)
    if done.returncode != 0:
        return f"failed (exit {done.returncode}): {done.stderr.strip()[-300:]}"
    sys.stderr.write(done.stdout)
    figures = {}
    for row in json.loads(done.stdout.strip().splitlines()[-1]):
        n = row["guests"]
        figures[f"export_{n}_s"] = row["fennick_s"]
        figures[f"export_{n}_cpu_s"] = row["fennick_cpu_s"]
        figures[f"export_{n}_mib"] = row["fennick_mib"]
        if row.get("vertical_s"):
            figures[f"export_{n}_vertical_s"] = row["vertical_s"]
            figures[f"export_{n}_vertical_over_horizontal"] = row["vertical_over_horizontal"]
        if row.get("peer_s") and row.get("fennick_s"):
            figures[f"glabels_{n}_s"] = row["peer_s"]
            figures[f"glabels_{n}_cpu_s"] = row["peer_cpu_s"]
            figures[f"glabels_{n}_mib"] = row["peer_mib"]
            figures[f"export_{n}_speed_up_over_glabels"] = row["speed_up"]
            figures[f"export_{n}_cpu_speed_up_over_glabels"] = round(row["peer_cpu_s"] / row["fennick_cpu_s"], 2)
    return figures


def figures_of(result, prefix=""):
    """Flattens nested figures (help_gbk_5MB.read_ms); keeps timings, memory and ratios, not counts."""
    for key, value in result.items():
        name = prefix + key
        if isinstance(value, dict):
            yield from figures_of(value, name + ".")
        elif (value is None or isinstance(value, (int, float))) and not isinstance(value, bool) and unit(name):
            yield name, value


def unit(name):
    return next((u for suffix, u in UNITS if name.endswith(suffix)), "")


def verdict(name, value):
    if name not in TARGETS:
        return "—", ""
    op, bound = TARGETS[name]
    target = f"{op} {bound:g} {unit(name)}".strip()
    if value is None:
        return target, "not measured"
    met = {"<": value < bound, "<=": value <= bound, ">=": value >= bound}[op]
    return target, "yes" if met else "**no**"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build/release")
    ap.add_argument("--reps", type=int, default=3, help="repetitions of each export in compare_export.py")
    ap.add_argument("--no-peer", action="store_true", help="do not run glabels-3-batch")
    ap.add_argument("--only", help="comma-separated names of the benchmarks to run (compare_export included)")
    args = ap.parse_args()
    os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

    chosen = args.only.split(",") if args.only else PROGRAMS + ["compare_export"]
    before = load()
    rows = []
    for name in chosen:
        sys.stderr.write(f"run_all.py: {name} ...\n")
        if name == "compare_export":
            result = run_export(args.build, args.reps, not args.no_peer)
        else:
            program = "bench_import" if name == "bench_import_large" else name
            path = find_program(os.path.join(args.build, "bench"), program) or find_program(args.build, program)
            if not path:
                result = "not built"
            else:
                result = run_large_import(path) if name == "bench_import_large" else run_program(path)
        if isinstance(result, str):
            rows.append((name, None, result))
            continue
        for figure, value in figures_of(result):
            rows.append((name, figure, value))
    after = load()

    print("| benchmark | figure | median | target | met? |")
    print("|---|---|---|---|---|")
    for program, figure, value in rows:
        if figure is None:
            print(f"| {program} | | {value} | | |")
            continue
        target, met = verdict(figure, value)
        shown = "—" if value is None else f"{value:g} {unit(figure)}".strip()
        print(f"| {program} | {figure} | {shown} | {target} | {met} |")
    print(f"\nLoad average (1, 5, 15 min): {before} before, {after} after; {os.cpu_count()} CPUs.")


if __name__ == "__main__":
    main()
