#!/usr/bin/env python3
"""Turns the driver's timings into Markdown: medians per tool and format, ratios
taken round by round, peak memory, and the targets with whether each is met.

    bench_table.py RUNS.tsv MACHINE.txt TABLE.md [DOCS.md]

With DOCS.md, the block between the bench-table markers in that file is
replaced by the table. Standard library only."""

import csv
import statistics
import sys
from collections import defaultdict
from pathlib import Path

BEGIN = "<!-- bench-table:begin -->"
END = "<!-- bench-table:end -->"

TOOLS = [
    ("split", "quernfold-split --yes"),
    ("dry-run", "quernfold-split --dry-run"),
    ("cp", "cp --reflink=never"),
    ("cat", "cat > /dev/null"),
    ("overview", "review overview"),
    ("sox", "SoX silence split"),
    ("ffmpeg-detect", "FFmpeg silencedetect"),
    ("ffmpeg-split", "FFmpeg detect + segment"),
]
# (label, numerator, denominator, target, "at most" or "at least")
RATIOS = [
    ("split / cp", "split", "cp", 1.5, "at most"),
    ("dry-run / cat", "dry-run", "cat", 2.0, "at most"),
    ("overview / cat", "overview", "cat", 1.5, "at most"),
    ("SoX / split", "sox", "split", 8.0, "at least"),
    ("FFmpeg detect + segment / split", "ffmpeg-split", "split", 8.0, "at least"),
    ("FFmpeg detect / dry-run", "ffmpeg-detect", "dry-run", 5.0, "at least"),
]
MEMORY_LIMIT_MB = 16.0
PER_BYTE_LIMIT = 2.0
WIDE_PER_BYTE_LIMIT = 1.5  # 24-bit and floating-point recordings


def format_name(bits, channels, floating=0):
    return (f"{bits}-bit {'float ' if floating else ''}"
            f"{'stereo' if channels == 2 else 'mono'}")


def is_wide(key):
    return key[1] > 16


def load(path):
    runs = defaultdict(dict)  # (minutes, bits, channels, float) -> tool -> round -> row
    sizes = {}
    failures = []
    with open(path, newline="") as handle:
        for row in csv.DictReader(handle, delimiter="\t"):
            key = (int(row["minutes"]), int(row["bits"]), int(row["channels"]),
                   int(row.get("float") or 0))
            sizes[key] = int(row["bytes"])
            status = int(row["status"])
            if status != 0:
                failures.append(f"{row['tool']} on {format_name(*key[1:])}, "
                                f"{key[0]} min, round {row['round']}: exit status {status}")
            if int(row["round"]) == 0:
                continue  # the warm-up round
            runs[key].setdefault(row["tool"], {})[int(row["round"])] = (
                int(row["microseconds"]) / 1e6, int(row["peak_kb"]) / 1024,
                float(row.get("cpu_seconds") or 0))
    return runs, sizes, failures


def median_seconds(rounds):
    return statistics.median(run[0] for run in rounds.values())


def median_cpu_seconds(rounds):
    return statistics.median(run[2] for run in rounds.values())


def pair_ratio(tools, top, bottom):
    """Median of the per-round ratios, so both sides of each ratio ran back to back."""
    if top not in tools or bottom not in tools:
        return None
    rounds = sorted(set(tools[top]) & set(tools[bottom]))
    ratios = [tools[top][r][0] / tools[bottom][r][0] for r in rounds if tools[bottom][r][0] > 0]
    return statistics.median(ratios) if ratios else None


def per_byte(runs, sizes, key, reference, tool, measure=median_seconds):
    """Seconds per input byte of `tool` on `key`, relative to the same tool on `reference`."""
    if reference not in runs or tool not in runs[reference] or tool not in runs[key]:
        return None
    reference_rate = measure(runs[reference][tool]) / sizes[reference]
    if reference_rate <= 0:
        return None
    return measure(runs[key][tool]) / sizes[key] / reference_rate


def verdict(value, target, sense):
    if value is None:
        return "not measured"
    ok = value <= target if sense == "at most" else value >= target
    return "met" if ok else "**not met**"


def render(runs, sizes, failures, machine):
    rounds = max(len(r) for tools in runs.values() for r in tools.values())
    lines = [f"Measured by `scripts/bench`: medians of {rounds} timed rounds after a warm-up "
             "round; every tool runs once per round, in turn, on a warm page cache.", ""]
    lines += [f"- {line}" for line in machine]
    lines.append("")
    if failures:
        lines.append("Runs that failed (their times are in the medians as measured):")
        lines += [f"- {failure}" for failure in failures]
        lines.append("")

    for minutes in sorted({key[0] for key in runs}):
        keys = [key for key in runs if key[0] == minutes]
        keys.sort(key=lambda key: (is_wide(key), -key[1], -key[2]))
        present = [(tool, title) for tool, title in TOOLS if any(tool in runs[k] for k in keys)]

        lines.append(f"### {minutes}-minute recordings, 44.1 kHz, 15 tracks")
        lines.append("")
        lines.append("Median wall-clock seconds:")
        lines.append("")
        lines.append("| format | MB | " + " | ".join(title for _, title in present) + " |")
        lines.append("|---|---:|" + "---:|" * len(present))
        for key in keys:
            cells = [f"{median_seconds(runs[key][tool]):.3f}" if tool in runs[key] else "-"
                     for tool, _ in present]
            lines.append(f"| {format_name(*key[1:])} | {sizes[key] / 1e6:.0f} | "
                         + " | ".join(cells) + " |")
        lines.append("")

        lines.append("Ratios, each the median of the round-by-round ratios "
                     "(targets on 16-bit stereo in brackets):")
        lines.append("")
        lines.append("| format | " + " | ".join(
            f"{label} ({'≤' if sense == 'at most' else '≥'} {target:g})"
            for label, _, _, target, sense in RATIOS)
            + " | split per byte vs 16-bit stereo (≤ 2) | cp per byte vs 16-bit stereo"
            + " | split CPU time per byte vs 16-bit stereo |")
        lines.append("|---|" + "---:|" * (len(RATIOS) + 3))
        reference = (minutes, 16, 2, 0)
        for key in keys:
            cells = []
            for _, top, bottom, _, _ in RATIOS:
                value = pair_ratio(runs[key], top, bottom)
                cells.append("-" if value is None else f"{value:.2f}")
            for tool, measure in (("split", median_seconds), ("cp", median_seconds),
                                  ("split", median_cpu_seconds)):
                value = per_byte(runs, sizes, key, reference, tool, measure)
                cells.append("-" if value is None else f"{value:.2f}")
            lines.append(f"| {format_name(*key[1:])} | " + " | ".join(cells) + " |")
        lines.append("")

        lines.append("Peak resident memory, MB (largest of the timed rounds):")
        lines.append("")
        lines.append("| format | " + " | ".join(title for _, title in present) + " |")
        lines.append("|---|" + "---:|" * len(present))
        for key in keys:
            cells = [f"{max(mb for _, mb, _ in runs[key][tool].values()):.1f}"
                     if tool in runs[key] else "-" for tool, _ in present]
            lines.append(f"| {format_name(*key[1:])} | " + " | ".join(cells) + " |")
        lines.append("")

    lines += targets(runs, sizes)
    return "\n".join(lines) + "\n"


def targets(runs, sizes):
    longest = max(key[0] for key in runs)
    reference = (longest, 16, 2, 0)
    lines = [f"### Targets ({longest}-minute recordings)", "",
             "| target | measured | |", "|---|---:|---|"]
    if reference in runs:
        for label, top, bottom, target, sense in RATIOS:
            value = pair_ratio(runs[reference], top, bottom)
            shown = "-" if value is None else f"{value:.2f}"
            lines.append(f"| 16-bit stereo: {label} {sense} {target:g} | {shown} | "
                         f"{verdict(value, target, sense)} |")
        others = [key for key in runs
                  if key[0] == longest and key != reference and not is_wide(key)]
        split_ratios = [per_byte(runs, sizes, key, reference, "split") for key in others]
        split_ratios = [value for value in split_ratios if value is not None]
        if split_ratios:
            worst = max(split_ratios)
            floor = [per_byte(runs, sizes, key, reference, "cp") for key in others]
            floor = [value for value in floor if value is not None]
            cpu = [per_byte(runs, sizes, key, reference, "split", median_cpu_seconds)
                   for key in others]
            cpu = [value for value in cpu if value is not None]
            notes = ([f"cp's own: {max(floor):.2f}"] if floor else []) + (
                [f"by CPU time: {max(cpu):.2f}"] if cpu else [])
            shown = f"{worst:.2f}" + (f" ({'; '.join(notes)})" if notes else "")
            lines.append(f"| other formats: split time per byte at most {PER_BYTE_LIMIT:g} × "
                         f"16-bit stereo | {shown} | "
                         f"{verdict(worst, PER_BYTE_LIMIT, 'at most')} |")
        for key in sorted(key for key in runs if key[0] == longest and is_wide(key)):
            value = per_byte(runs, sizes, key, reference, "split")
            shown = "-" if value is None else f"{value:.2f}"
            lines.append(f"| {format_name(*key[1:])}: split time per byte at most "
                         f"{WIDE_PER_BYTE_LIMIT:g} × 16-bit stereo | {shown} | "
                         f"{verdict(value, WIDE_PER_BYTE_LIMIT, 'at most')} |")
    peak = max(mb for key in runs for tool in ("split", "dry-run") if tool in runs[key]
               for _, mb, _ in runs[key][tool].values())
    lines.append(f"| peak memory of quernfold-split under {MEMORY_LIMIT_MB:g} MB, every format "
                 f"and length | {peak:.1f} MB | {verdict(peak, MEMORY_LIMIT_MB, 'at most')} |")
    lines.append("")
    return lines


def main():
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    runs, sizes, failures = load(sys.argv[1])
    if not runs:
        sys.exit("bench_table.py: no timed rounds in " + sys.argv[1])
    machine = [line.strip() for line in Path(sys.argv[2]).read_text().splitlines() if line.strip()]
    table = render(runs, sizes, failures, machine)
    Path(sys.argv[3]).write_text(table)
    if len(sys.argv) == 5:
        docs = Path(sys.argv[4])
        text = docs.read_text()
        start, end = text.find(BEGIN), text.find(END)
        if start < 0 or end < start:
            sys.exit(f"bench_table.py: {docs} has no {BEGIN} ... {END} block")
        docs.write_text(text[:start + len(BEGIN)] + "\n" + table + text[end:])


if __name__ == "__main__":
    main()
