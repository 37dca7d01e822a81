#!/usr/bin/env python3
"""Prints the table of bench/run: every figure beside its target and its anchor.

    report.py RESULTS_DIR SQL_ROWS QUICK

RESULTS_DIR holds catalogue.json and window.json (Google Benchmark, one entry per
repetition), process.txt (lines of varnimo-bench-spawn: name median min max peak_rss_kb runs),
catalogue-size-1m and the load averages. A figure with a target gets a verdict; the ratio is
the figure divided by its anchor.
"""
import json
import os
import re
import statistics
import sys


def load_benchmarks(path):
    """name -> (median, min, max, runs, counters) in milliseconds, from the repetitions."""
    if not os.path.exists(path):
        return {}
    with open(path) as f:
        doc = json.load(f)
    times, cpu, counters, failed = {}, {}, {}, set()
    for entry in doc.get("benchmarks", []):
        if entry.get("run_type") != "iteration":
            continue
        # A fixed iteration count shows in the name; the figure is the same figure.
        name = re.sub(r"/iterations:\d+$", "", entry["run_name"].removesuffix("/real_time"))
        if entry.get("error_occurred"):
            failed.add(name)
            continue
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[entry.get("time_unit", "ns")]
        times.setdefault(name, []).append(entry["real_time"] * scale)
        cpu.setdefault(name, []).append(entry["cpu_time"] * scale)
        for key in ("listed", "found", "bytes_per_second"):
            if key in entry:
                counters.setdefault(name, {}).setdefault(key, []).append(entry[key])
    out = {}
    for name, values in times.items():
        extra = {key: statistics.median(v) for key, v in counters.get(name, {}).items()}
        extra["cpu_ms"] = statistics.median(cpu[name])
        out[name] = (statistics.median(values), min(values), max(values), len(values), extra)
    for name in failed - set(out):
        out[name] = None
    return out


def load_processes(path):
    out = {}
    if not os.path.exists(path):
        return out
    with open(path) as f:
        for line in f:
            parts = line.split()
            if len(parts) == 7:
                name, median, low, high, rss, runs, cpu_ms = parts
                out[name] = (float(median), float(low), float(high), int(runs),
                             {"rss_kb": int(rss), "cpu_ms": float(cpu_ms)})
            elif len(parts) == 2:
                out[parts[0]] = parts[1]
    return out


def ms(value):
    if value >= 100:
        return f"{value:.0f} ms"
    if value >= 10:
        return f"{value:.1f} ms"
    return f"{value:.2f} ms"


def timed(figure):
    median, low, high, runs, _ = figure
    return f"{ms(median)} ({ms(low).removesuffix(' ms')}-{ms(high)}, n={runs})"


# The figures pushed toward the machine's limit, with their value before that work ("today")
# and their target: (label, how to get the figure, today, target, unit).
LIMIT_FIGURES = [
    ("varnimo-cli list, 1 M rows, cache present, whole process", ("proc", ["list_c1m"]),
     630.0, 300.0, "ms"),
    ("window start to drawn list, 1 M rows, whole process", ("proc", ["window_c1m"]),
     780.0, 450.0, "ms"),
    ("varnimo-cli list, 100 k rows, whole process", ("proc", ["list_c100k"]), 61.0, 30.0, "ms"),
    ("fresh scan, 1 M titles, 1 M ROM files present (no cache)", ("bench", ["scan/1m_owned"]),
     1830.0, 900.0, "ms"),
    ("search keystroke, 1 M rows, window until drawn, worst of 'a', '(u)', 'zelda'",
     ("bench", ["window_search/1m/letter", "window_search/1m/region", "window_search/1m/nomatch"]),
     14.0, 8.0, "ms"),
    ("peak memory, 1 M rows, varnimo-cli list / catalogue bytes", ("rss", ["list_c1m"]),
     2.2, 1.6, "x"),
]


def print_limit_table(bench, proc, file_size):
    """The figures of the speed work: each beside its value before and its target."""
    rows = []
    for label, (kind, names), today, target, unit in LIMIT_FIGURES:
        value, cpu, note = None, None, ""
        if kind == "rss":
            figure = proc.get(names[0])
            if figure is not None and file_size:
                value = figure[4]["rss_kb"] * 1024 / file_size
                note = f"{figure[4]['rss_kb'] / 1024:.0f} MiB"
        else:
            source = proc if kind == "proc" else bench
            figures = [source.get(name) for name in names]
            if figures and all(f is not None for f in figures):
                worst = max(figures, key=lambda f: f[0])
                value, cpu = worst[0], worst[4].get("cpu_ms")
                note = timed(worst) + (f" cpu {ms(cpu)}" if cpu is not None else "")
                if len(names) > 1:
                    note += f" [{names[figures.index(worst)].rsplit('/', 1)[-1]}]"
        fmt = (lambda v: f"{v:.2f} x") if unit == "x" else ms
        verdict = "MISSING" if value is None else ("ok" if value <= target else "MISSED")
        rows.append((label, fmt(today), "<= " + fmt(target),
                     "not measured" if value is None else fmt(value), note, verdict))
    headers = ("figure (speed toward the limit)", "today", "target", "measured", "detail",
               "verdict")
    widths = [max(len(str(r[i])) for r in rows + [headers]) for i in range(len(headers))]
    print(" | ".join(h.ljust(w) for h, w in zip(headers, widths)))
    print("-+-".join("-" * w for w in widths))
    for r in rows:
        print(" | ".join(str(c).ljust(w) for c, w in zip(r, widths)))
    print("'today' is the figure before the one-read catalogue, listing scan, radix sort and"
          " narrowing search; a busy machine inflates the wall-clock figures (see the cpu"
          " times and the load below)")


def main():
    results, sql_rows, quick = sys.argv[1], int(sys.argv[2]), sys.argv[3] == "1"
    bench = load_benchmarks(os.path.join(results, "catalogue.json"))
    bench.update(load_benchmarks(os.path.join(results, "window.json")))
    proc = load_processes(os.path.join(results, "process.txt"))
    rows = []  # (figure, measured, target, anchor, anchor measured, ratio, verdict)

    def add_time(label, name, source, anchor_label=None, anchor_name=None, limit_ms=None,
                 limit_ratio=None, target_text="", note=""):
        figure = source.get(name)
        anchor = source.get(anchor_name) if anchor_name else None
        if figure is None:
            has_target = limit_ms is not None or limit_ratio is not None
            rows.append((label, "not measured", target_text, anchor_label or "", "", "",
                         "MISSING" if has_target else ""))
            return
        ratio = figure[0] / anchor[0] if anchor else None
        verdict = ""
        if limit_ms is not None:
            verdict = "ok" if figure[0] <= limit_ms else "MISSED"
        if limit_ratio is not None and ratio is not None:
            verdict = "ok" if ratio <= limit_ratio else "MISSED"
        measured = timed(figure)
        cpu_ms = figure[4].get("cpu_ms")
        if cpu_ms is not None:
            measured += f" cpu {ms(cpu_ms)}"
        listed = figure[4].get("listed")
        if listed is not None:
            measured += f" [{int(listed)} listed]"
        speed = figure[4].get("bytes_per_second")
        if speed is not None:
            measured += f" [{speed / 1e6:.0f} MB/s]"
        rows.append((label + note, measured, target_text, anchor_label or "",
                     timed(anchor) if anchor else ("not measured" if anchor_name else ""),
                     f"{ratio:.2f}" if ratio is not None else "", verdict))

    sizes = [("3k", "3 k"), ("100k", "100 k"), ("1m", "1 M")]
    # 1. Reset sequence.
    for key, label in sizes:
        target = dict(limit_ms=150, target_text="<= 150 ms") if key == "100k" else {}
        add_time(f"1 reset sequence at start, {label} rows, in-process", f"reset_start/{key}", bench,
                 "read the 2 files' bytes", f"read_files/{key}", **target)
    for key, label in sizes:
        add_time(f"1 Settings > Reset, {label} rows, in-process", f"reset_again/{key}", bench,
                 "read the 2 files' bytes", f"read_files/{key}")
    for key, label in sizes:
        target = dict(limit_ms=150, target_text="<= 150 ms") if key == "100k" else {}
        add_time(f"1 varnimo-cli list, {label} rows, whole process", f"list_c{key}", proc,
                 "cat the 2 files (process)", f"cat_c{key}", **target)
    # 2. Search per keystroke.
    texts = [("letter", "'a'"), ("region", "'(u)'"), ("nomatch", "'zelda' (no match)")]
    for key, label in sizes[1:]:
        for case, text in texts:
            target = dict(limit_ms=16, target_text="<= 16 ms") if key == "1m" else {}
            add_time(f"2 search {text}, {label} rows, core", f"search/{key}/{case}", bench,
                     "naive unsorted loop", f"naive_search/{key}/{case}", **target)
    for key, label in sizes[1:]:
        add_time(f"2 Region > USA (marker or region words), {label} rows, core",
                 f"region_menu/{key}/usa", bench, "search '(u)', same rows",
                 f"search/{key}/region", **(dict(limit_ms=16, target_text="<= 16 ms")
                                            if key == "1m" else {}))
        add_time(f"2 region words of every title, once after a load, {label} rows",
                 f"region_words/{key}", bench)
    for case, text in [("all", "'' (every row)")] + texts:
        add_time(f"2 window keystroke {text}, 1 M rows, until the list is drawn",
                 f"window_search/1m/{case}", bench,
                 "core search, same text" if case != "all" else "",
                 f"search/1m/{case}" if case != "all" else None,
                 limit_ms=33, target_text="<= 33 ms")
    for case, text in [("all", "'' (every row)")] + texts:
        add_time(f"2 window keystroke {text}, 1 M rows, until every line is laid out",
                 f"window_layout/1m/{case}", bench,
                 "core search, same text" if case != "all" else "",
                 f"search/1m/{case}" if case != "all" else None)
    # 3. Fresh scan.
    add_time("3 fresh scan, 100 k rows", "scan/100k", bench, "bare stat() x 100 k",
             "bare_stat/100k", limit_ratio=1.5, target_text="ratio <= 1.5")
    add_time("3 fresh scan + cache written, 100 k rows", "scan_and_cache/100k", bench,
             "bare stat() x 100 k", "bare_stat/100k")
    # 4. Window start.
    add_time("4 window start to shown list, 3 k rows, process", "window_c3k", proc,
             "empty Qt window (process)", "empty_window", limit_ms=150, target_text="<= 150 ms")
    add_time("4 window start to shown list, 100 k rows, process", "window_c100k", proc,
             "empty Qt window (process)", "empty_window")
    add_time("4 window start to shown list, 1 M rows, process", "window_c1m", proc,
             "empty Qt window (process)", "empty_window")
    add_time("4 Windows window (varnimo.exe) start to drawn list, 100 k rows, under Wine",
             "window_wine_c100k", proc, "varnimo-cli.exe --version under Wine (process)",
             "wine_cli_version")
    # 7. Import of a ROM folder.
    add_time("7 varnimo-cli import, 100 k ROM files + thumbnails, process", "import_100k", proc,
             "ls -f of the ROM folder (process)", "ls_import_100k", limit_ms=1000,
             target_text="<= 1000 ms")
    # 7. What an import with DAT files does besides listing the folder.
    add_time("7 read a DAT of 4,000 games, clrmamepro text", "dat_read/4k_games/text", bench)
    add_time("7 read a DAT of 4,000 games, Logiqx XML", "dat_read/4k_games/xml", bench)
    add_time("7 merge 3 DATs of 4,000 games with 3,500 files", "dat_merge/3x4k_games_3500_files",
             bench)
    add_time("7 CRC of a 1 MiB ROM file in the page cache", "crc_raw/1mib", bench)
    add_time("7 varnimo-cli import, 3,500 ROM files of 1 MiB + 3 DATs of 4,000 games, process",
             "import_dats", proc, "cat of the ROM files (process)", "cat_import_dats",
             limit_ms=3000, target_text="<= 3000 ms")
    for threads in ("two_threads", "one_thread"):
        add_time(f"7 CRC of those 3,500 ROM files in the page cache, {threads.replace('_', ' ')}",
                 f"crc_folder/3500x1mib/{threads}", bench)
    rows_path = os.path.join(results, "import-dats-rows")
    merged_rows = open(rows_path).read().strip() if os.path.exists(rows_path) else "?"
    add_time(f"1 varnimo-cli list of that merged collection ({merged_rows} rows), process",
             "list_import_dats", proc, "cat the 2 files (process)", "cat_list_import_dats")
    # 5. MySQL.
    rows_label = f"{sql_rows // 1000} k" if sql_rows < 1_000_000 else f"{sql_rows // 1_000_000} M"
    for buffering in ("unbuffered", "buffered"):
        for mode in ("plain", "compress"):
            stock_text = "mariadb --batch" + (" --quick" if buffering == "unbuffered" else "")
            stock_text += " --compress" if mode == "compress" else ""
            add_time(f"5 sql fetch {rows_label} rows, {buffering}, {mode}",
                     f"sql_{buffering}_{mode}", proc, stock_text, f"stock_{buffering}_{mode}",
                     limit_ratio=1.0, target_text="ratio <= 1.0")
    add_time("5 sql connect + login + query + quit", "sql_login", proc,
             "mariadb --batch, same", "stock_login", limit_ratio=1.0, target_text="ratio <= 1.0")
    # 6. Peak resident memory.
    size_path = os.path.join(results, "catalogue-size-1m")
    file_size = int(open(size_path).read()) if os.path.exists(size_path) else 0
    for name, label in (("list_c1m", "varnimo-cli list"), ("window_c1m", "window")):
        figure = proc.get(name)
        if figure is None or not file_size:
            rows.append((f"6 peak RSS, 1 M rows, {label}", "not measured", "<= 3 x file" if
                         name == "list_c1m" else "", "catalogue file size", "", "",
                         "MISSING" if name == "list_c1m" else ""))
            continue
        rss = figure[4]["rss_kb"] * 1024
        ratio = rss / file_size
        rows.append((f"6 peak RSS, 1 M rows, {label}", f"{rss / 2**20:.0f} MiB",
                     "<= 3 x file" if name == "list_c1m" else "",
                     "catalogue file size", f"{file_size / 2**20:.0f} MiB", f"{ratio:.2f}",
                     ("ok" if ratio <= 3 else "MISSED") if name == "list_c1m" else ""))

    print_limit_table(bench, proc, file_size)
    print()

    headers = ("figure", "measured: median (spread)", "target", "anchor", "anchor: median (spread)",
               "ratio", "verdict")
    widths = [max(len(str(r[i])) for r in rows + [headers]) for i in range(len(headers))]
    line = " | ".join(h.ljust(w) for h, w in zip(headers, widths))
    print(line)
    print("-+-".join("-" * w for w in widths))
    for r in rows:
        print(" | ".join(str(c).ljust(w) for c, w in zip(r, widths)))
    print()
    for which in ("before", "after"):
        path = os.path.join(results, f"load-{which}")
        if os.path.exists(path):
            print(f"load {which}: {open(path).read().strip()}")
    if proc.get("same_output") == "0":
        print("warning: varnimo-cli sql and mariadb printed different bytes for the fetch query")
    print("timings are wall-clock medians; 'cpu' is the median CPU time of the same runs (for a"
          " process: user + system), which other processes on the machine inflate less")
    print("mode: " + ("quick (fewer runs, smaller query)" if quick else "full"))
    missed = [r[0] for r in rows if r[6] in ("MISSED", "MISSING")]
    print(f"targets missed or not measured: {len(missed)}" + (": " + "; ".join(missed) if missed else ""))


if __name__ == "__main__":
    main()
