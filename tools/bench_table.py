#!/usr/bin/env python3
"""Prints one table of the results of Google Benchmark programs.

Usage: bench_table.py RESULT.json...   (files written with --benchmark_out_format=json)

Each file is named after its program (admin_bench.json …). A benchmark that skipped itself or
failed is listed with its message instead of a time.
"""
import json
import os
import sys


def rows(path):
    program = os.path.splitext(os.path.basename(path))[0]
    try:
        with open(path, encoding="utf-8") as f:
            data = json.load(f)
    except (OSError, ValueError) as error:
        yield program, "(no results)", str(error), ""
        return
    for bench in data.get("benchmarks", []):
        # Repetitions give aggregates too; with them only the mean is listed.
        if bench.get("run_type") == "aggregate" and bench.get("aggregate_name") != "mean":
            continue
        name = bench.get("name", "?")
        if bench.get("error_occurred"):
            yield program, name, "ERROR: " + bench.get("error_message", ""), ""
            continue
        time = bench.get("real_time", 0.0)
        yield program, name, f"{time:.3f}", bench.get("time_unit", "ns")


def main(paths):
    table = [row for path in sorted(paths) for row in rows(path)]
    if not table:
        print("no benchmark results")
        return 1
    header = ("program", "benchmark", "time", "unit")
    widths = [max(len(str(r[i])) for r in table + [header]) for i in range(4)]
    line = "  ".join("{:<%d}" % w for w in widths[:2]) + "  {:>%d}  {:<%d}" % tuple(widths[2:])
    print(line.format(*header))
    print("  ".join("-" * w for w in widths))
    for row in table:
        print(line.format(*row))
    return 1 if any(str(r[2]).startswith("ERROR") for r in table) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
