#!/usr/bin/env python3
"""Builds the benchmark table from the JSON files the benchmark programs
wrote (--benchmark_out_format=json): each figure next to its floor, the
ratios, the target and whether it is met.

Usage: report.py RESULT.json... ; exits 0 when every target is met, 3 when
one is missed, 2 when a figure is missing or its benchmark failed.
"""
import json
import re
import sys


def load(paths):
    """Benchmark entries by base name (without /iterations:N/manual_time)."""
    runs = {}
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        for b in data.get("benchmarks", []):
            name = b.get("run_name", b.get("name", ""))
            name = re.sub(r"/iterations:\d+", "", name)
            name = re.sub(r"/(manual|real)_time", "", name)
            runs[name] = b
    return runs


def us(v):
    if v is None:
        return "-"
    if v >= 10000:
        return "%.1f ms" % (v / 1000.0)
    return "%.0f us" % v


def millions(v):
    return "-" if v is None else "%.2fM instr" % (v / 1e6)


def ratio(v):
    return "-" if v is None else "%.2fx" % v


class Table:
    def __init__(self, runs):
        self.runs = runs
        self.rows = []
        self.missed = 0
        self.broken = 0

    def get(self, name, counter):
        b = self.runs.get(name)
        if b is None or b.get("error_occurred"):
            return None
        return b.get(counter)

    def problem(self, name):
        b = self.runs.get(name)
        if b is None:
            return "not run"
        if b.get("error_occurred"):
            return "failed: " + b.get("error_message", "?")
        return None

    def add(self, label, name, cells, target, met):
        trouble = self.problem(name)
        if trouble is not None:
            self.broken += 1
            self.rows.append([label, trouble, "", "", "", "", "", target, "ERROR"])
            return
        if met is None:
            result = "info"
        elif met:
            result = "PASS"
        else:
            result = "MISS"
            self.missed += 1
        self.rows.append([label] + cells + [target, result])

    def paired(self, label, name, target, check):
        g = lambda c: self.get(name, c)
        cells = [us(g("median_us")), us(g("p99_us")), us(g("floor_median_us")), us(g("floor_p99_us")),
                 ratio(g("ratio_median")), ratio(g("ratio_p99"))]
        met = None
        if check is not None and self.problem(name) is None:
            met = check(g)
        self.add(label, name, cells, target, met)

    def instructions(self, label, name, target, limit):
        """A callgrind row: instructions per key redrawing only what changed,
        beside the same keys through the full composition."""
        g = lambda c: self.get(name, c)
        changed, full, r = g("instructions_per_key"), g("full_instructions_per_key"), g("ratio")
        cells = [millions(changed), "", millions(full) + " full" if full is not None else "-", "", ratio(r), ""]
        met = None
        if limit is not None and r is not None:
            met = r <= limit
        self.add(label, name, cells, target, met)

    def print(self):
        head = ["Figure", "Library median", "Library p99", "Floor median", "Floor p99", "Ratio median",
                "Ratio p99", "Target", "Result"]
        rows = [head] + self.rows
        widths = [max(len(str(r[i])) for r in rows) for i in range(len(head))]
        line = "-|-".join("-" * w for w in widths)
        for i, r in enumerate(rows):
            print(" | ".join(str(c).ljust(widths[j]) for j, c in enumerate(r)))
            if i == 0:
                print(line)


def main(paths):
    t = Table(load(paths))
    changed = "median <= 1.25x changed-pixels floor"
    t.paired("Key to flip, VOL+/VOL- (median)", "BM_KeyToFlip", changed, lambda g: g("ratio_median") <= 1.25)
    t.paired("Key to flip, VOL+/VOL- (p99)", "BM_KeyToFlip", "p99 <= 2x floor", lambda g: g("ratio_p99") <= 2.0)
    t.paired("Full composition, volume bar", "BM_Composition/volume", "median <= 1.15x floor",
             lambda g: g("ratio_median") <= 1.15)
    t.paired("Full composition, three OSDs", "BM_Composition/three", "median <= 1.15x floor",
             lambda g: g("ratio_median") <= 1.15)
    t.paired("Start-up (Start + Finalize)", "BM_Startup", "median <= 2x INI + window",
             lambda g: g("ratio_median") <= 2.0)
    t.paired("  vs visible-window floor", "BM_Startup/visible_window", "(reference)", None)
    t.paired("First showing of volume", "BM_FirstShow", "median <= 1.2x raw decode",
             lambda g: g("ratio_median") <= 1.2)
    t.paired("  vs raw decode + frame", "BM_FirstShow/with_frame", "(reference)", None)
    t.paired("CH+ on DTV, key to flip (banner with measured texts)", "BM_BannerKeyToFlip", changed,
             lambda g: g("ratio_median") <= 1.25)
    t.paired("PIN digit, key to flip", "BM_PinDigitToFlip", changed, lambda g: g("ratio_median") <= 1.25)
    t.paired("ATV/DTV menu cursor, key to flip", "BM_AtvDtvMenuCursorToFlip", changed,
             lambda g: g("ratio_median") <= 1.25)
    t.paired("Cursor key in the input menu, key to flip", "BM_InputMenuCursorToFlip", changed,
             lambda g: g("ratio_median") <= 1.25)
    # Instructions per key (callgrind), beside the full composition's.
    keys = "BM_KeyInstructions/"
    t.instructions("Instructions per key, input-menu cursor", keys + "input_menu_cursor", "<= 1/5 of full", 0.2)
    t.instructions("Instructions per key, VOL+", keys + "vol_up", "<= 1/3 of full", 1 / 3.0)
    t.instructions("Instructions per key, PIN digit", keys + "pin_digit", "<= 1/3 of full", 1 / 3.0)
    t.instructions("Instructions per key, ATV/DTV-menu cursor", keys + "atvdtv_menu_cursor", "<= 1/3 of full",
                   1 / 3.0)
    t.instructions("Instructions per key, CH+ (banner)", keys + "ch_up", "(reference)", None)
    t.paired("Timer lateness", "BM_TimerLateness", "p99 <= floor p99 + 1 ms",
             lambda g: g("p99_us") <= g("floor_p99_us") + 1000.0)
    t.paired("Settings file at the limits, LoadCommonSetting", "BM_SettingsAtTheLimits", "median <= 50 ms",
             lambda g: g("median_us") <= 50000.0)
    t.paired("  its rewrite, SetConfigActivation", "BM_SettingsSetterAtTheLimits", "(reference)", None)
    t.paired("Layout at the limits, volume handler load", "BM_LayoutAtTheLimits", "median <= 50 ms",
             lambda g: g("median_us") <= 50000.0)

    heap = "BM_SteadyState/heap"
    growth = t.get(heap, "growth_bytes")
    t.add("Heap growth, 100 -> 10000 keys", heap,
          ["%d B" % growth if growth is not None else "-", "", "0 B", "", "", ""], "0 bytes",
          growth is not None and growth <= 0)
    idle = "BM_SteadyState/idle_wakeups"
    rate = t.get(idle, "wakeups_per_s")
    floor = t.get(idle, "floor_wakeups_per_s")
    inp, tim = t.get(idle, "input_passes"), t.get(idle, "timer_passes")
    t.add("Idle wake-ups (3 s)", idle,
          ["%.2f/s" % rate if rate is not None else "-",
           "input %d, timer %d" % (inp, tim) if inp is not None else "",
           "%.2f/s" % floor if floor is not None else "-", "", "", ""],
          "<= 4/s", rate is not None and rate <= 4.0)

    t.print()
    print()
    if t.broken:
        print("%d figure(s) missing or failed" % t.broken)
        return 2
    print("%d target(s) missed" % t.missed if t.missed else "every target met")
    return 3 if t.missed else 0


if __name__ == "__main__":
    if len(sys.argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1:]))
