#!/usr/bin/env python3
"""Reads the JSON of kernels_bench, prints the times and the target ratios,
and plots time against precision (log scales).

Usage: report.py bench.json out.png

CPU time is used throughout (the machines are shared; wall time picks up
other people's work), and with repetitions the median of each benchmark.
Ratios are taken within the one run.
"""
import json
import sys
from collections import defaultdict


def load(path):
    data = json.load(open(path))
    t = {}
    allocs = {}
    for b in data["benchmarks"]:
        name = b.get("run_name", b["name"])
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        op, impl, limbs = name.split("/")
        unit = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[b.get("time_unit", "ns")]
        t[(op, impl, int(limbs))] = b["cpu_time"] * unit
        if "allocs" in b:
            allocs[(op, impl, int(limbs))] = b["allocs"]
    return t, allocs


def fmt(ns):
    if ns is None:
        return "-"
    if ns >= 1e6:
        return "%.2f ms" % (ns / 1e6)
    if ns >= 1e3:
        return "%.2f us" % (ns / 1e3)
    return "%.1f ns" % ns


def main():
    t, allocs = load(sys.argv[1])
    out = sys.argv[2] if len(sys.argv) > 2 else None
    sizes = sorted({k[2] for k in t})
    ops = ["add", "sub", "cmp", "mul", "sqr", "div", "divsmall", "assign", "string"]
    impls = ["kelvane", "kernel", "cols1e4", "ref", "mpfr"]

    print("Times (CPU, median): op / precision in limbs")
    print("%-9s %6s" % ("op", "limbs") + "".join("%12s" % i for i in impls) + "%10s" % "kv/mpfr")
    for op in ops:
        for n in sizes:
            row = [t.get((op, i, n)) for i in impls]
            if all(r is None for r in row):
                continue
            kv, mp = t.get((op, "kelvane", n)), t.get((op, "mpfr", n))
            ratio = "%.2fx" % (kv / mp) if kv and mp else "-"
            print("%-9s %6d" % (op, n) + "".join("%12s" % fmt(r) for r in row) + "%10s" % ratio)

    def r(a, b):
        return t[a] / t[b] if a in t and b in t else None

    best130 = min(v for k, v in t.items() if k[0] == "mul" and k[1] in ("kernel", "cols1e4") and k[2] == 130)
    t[("mul", "best", 130)] = best130
    checks = [
        ("mul 130: KVnum *= / best bare product kernel", r(("mul", "kelvane", 130), ("mul", "best", 130)), 2),
        ("mul 130: KVnum *= / MPFR mul (851 bits)", r(("mul", "kelvane", 130), ("mul", "mpfr", 130)), 4),
        ("div 130: KVnum /= / KVnum *=", r(("div", "kelvane", 130), ("mul", "kelvane", 130)), 4),
        ("add 130: KVnum += / MPFR add", r(("add", "kelvane", 130), ("add", "mpfr", 130)), 3),
        ("cmp 130: KVnum == / MPFR add", r(("cmp", "kelvane", 130), ("add", "mpfr", 130)), 3),
        ("mul 2000: KVnum *= / MPFR mul", r(("mul", "kelvane", 2000), ("mul", "mpfr", 2000)), 5),
        ("div 2000: KVnum /= / MPFR div", r(("div", "kelvane", 2000), ("div", "mpfr", 2000)), 5),
    ]
    print("\nTargets (ratios within this run)")
    for label, val, limit in checks:
        if val is None:
            print("  %-48s %8s  (missing rows)" % (label, "-"))
        else:
            print("  %-48s %7.2fx  target <= %dx  %s" % (label, val, limit, "met" if val <= limit else "MISSED"))
    print("\nHeap allocations per operation")
    for op in ("add", "sub", "mul", "sqr", "div", "divsmall", "cmp", "assign", "string"):
        vals = ["%d: %g" % (n, allocs[(op, "kelvane", n)]) for n in sizes if (op, "kelvane", n) in allocs]
        print("  %-9s %s" % (op, ", ".join(vals)))

    if out:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
        fig, ax = plt.subplots(figsize=(8, 5.5))
        colours = {"add": "tab:green", "mul": "tab:blue", "div": "tab:red", "cmp": "tab:gray"}
        styles = {"kelvane": ("-", "o", "Kelvane"), "mpfr": ("--", "s", "MPFR"), "ref": (":", "^", "reference loops")}
        for op, col in colours.items():
            for impl, (ls, mk, label) in styles.items():
                pts = [(n, t[(op, impl, n)]) for n in sizes if (op, impl, n) in t]
                if not pts:
                    continue
                ax.plot([p[0] for p in pts], [p[1] for p in pts], ls, marker=mk, color=col,
                        label="%s %s" % (op, label))
        ax.set_xscale("log")
        ax.set_yscale("log")
        ax.set_xlabel("precision (limbs of 4 digits; 130 = 256 digits)")
        ax.set_ylabel("time per operation (ns, CPU)")
        ax.set_title("KVnum operations against MPFR at the same digits")
        ax.grid(True, which="both", alpha=0.3)
        ax.legend(fontsize=8, ncol=2)
        fig.tight_layout()
        fig.savefig(out, dpi=110)
        print("\nPlot written to", out)


if __name__ == "__main__":
    main()
