#!/usr/bin/env python3
"""Table, ratios, growth exponents and plot of the long-number benchmarks.

Usage: big_report.py bench.json python.json peak.jsonl plot.png

bench.json is big_bench's Google Benchmark output (CPU time; the median of
the repetitions when there are several), python.json big_python.py's, and
peak.jsonl one line of `big_bench --peak=D` per size.
"""
import json
import math
import sys

DIGITS = [20000, 200000, 2000000]
IMPLS = ["kelvane", "kelvane-plain", "gmp", "mpfr", "decimal"]
OPS = ["mul", "div", "add", "string", "ln2"]
UNIT = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def load(bench, python):
    t = {}
    for b in json.load(open(bench))["benchmarks"]:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        name = b.get("run_name", b["name"])
        t[name] = b["cpu_time"] * UNIT[b.get("time_unit", "ns")]
    t.update(json.load(open(python)))
    return t


def show(s):
    if s is None:
        return "-"
    if s >= 1:
        return "%.2f s" % s
    if s >= 1e-3:
        return "%.1f ms" % (s * 1e3)
    return "%.1f us" % (s * 1e6)


def growth(t, op, impl):
    """Slope of log time against log digits over the sizes measured."""
    pts = [(math.log(d), math.log(t[k])) for d in DIGITS for k in ["%s/%s/%d" % (op, impl, d)] if k in t]
    if len(pts) < 2:
        return None
    mx = sum(p[0] for p in pts) / len(pts)
    my = sum(p[1] for p in pts) / len(pts)
    return sum((x - mx) * (y - my) for x, y in pts) / sum((x - mx) ** 2 for x, _ in pts)


def main():
    bench, python, peakfile, png = sys.argv[1:5]
    t = load(bench, python)
    print("| op | implementation | 20,000 digits | 200,000 digits | 2,000,000 digits | growth k |")
    print("|---|---|---|---|---|---|")
    for op in OPS:
        for impl in IMPLS:
            row = [t.get("%s/%s/%d" % (op, impl, d)) for d in DIGITS]
            if all(r is None for r in row):
                continue
            k = growth(t, op, impl)
            print("| `%s` | %s | %s | %s | %s | %s |" % (
                op, impl, *[show(r) for r in row], "%.2f" % k if k is not None else "-"))
    print()
    print("Ratios (same run; below 1 is faster than the rival):")
    print()
    print("| ratio | 20,000 | 200,000 | 2,000,000 |")
    print("|---|---|---|---|")

    def ratio(a, b, d):
        x, y = t.get(a % d), t.get(b % d)
        return "%.2f" % (x / y) if x and y else "-"

    rows = [
        ("`*=` / decimal", "mul/kelvane/%d", "mul/decimal/%d"),
        ("`/=` / decimal", "div/kelvane/%d", "div/decimal/%d"),
        ("`/=` / own `*=`", "div/kelvane/%d", "mul/kelvane/%d"),
        ("`*=` / GMP", "mul/kelvane/%d", "mul/gmp/%d"),
        ("`/=` / GMP", "div/kelvane/%d", "div/gmp/%d"),
        ("`*=` / MPFR", "mul/kelvane/%d", "mul/mpfr/%d"),
        ("`/=` / MPFR", "div/kelvane/%d", "div/mpfr/%d"),
        ("`*=` / before (Karatsuba)", "mul/kelvane/%d", "mul/kelvane-plain/%d"),
        ("`/=` / before (long division)", "div/kelvane/%d", "div/kelvane-plain/%d"),
        ("`+=` / decimal", "add/kelvane/%d", "add/decimal/%d"),
        ("`String` / decimal `str`", "string/kelvane/%d", "string/decimal/%d"),
        ("ln 2 and ln 10 / MPFR's ln 2", "ln2/kelvane/%d", "ln2/mpfr/%d"),
    ]
    for label, a, b in rows:
        print("| %s | %s |" % (label, " | ".join(ratio(a, b, d) for d in DIGITS)))
    print()
    print("Peak heap bytes of one `*=` beyond what was held before it:")
    print()
    print("| digits | extra bytes | / operands' limb arrays | / their significant limbs |")
    print("|---|---|---|---|")
    for line in open(peakfile):
        p = json.loads(line)
        print("| %d | %d | %.2f | %.2f |" % (p["digits"], p["extra_bytes"], p["extra_bytes"] / p["operand_bytes"],
                                            p["extra_bytes"] / p["significant_bytes"]))

    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    fig, axes = plt.subplots(1, 2, figsize=(11, 4.5))
    for ax, op, title in [(axes[0], "mul", "product (*=)"), (axes[1], "div", "quotient (/=)")]:
        for impl, style in [("kelvane", "o-"), ("kelvane-plain", "o:"), ("gmp", "s--"), ("mpfr", "^--"),
                            ("decimal", "d--")]:
            pts = [(d, t["%s/%s/%d" % (op, impl, d)]) for d in DIGITS if "%s/%s/%d" % (op, impl, d) in t]
            if pts:
                label = {"kelvane-plain": "kelvane before (Karatsuba / long division)",
                         "gmp": "GMP mpz", "mpfr": "MPFR", "decimal": "Python decimal"}.get(impl, impl)
                ax.plot([p[0] for p in pts], [p[1] for p in pts], style, label=label)
        ax.set_xscale("log")
        ax.set_yscale("log")
        ax.set_xlabel("significant digits")
        ax.set_ylabel("CPU seconds per operation")
        ax.set_title(title)
        ax.grid(True, which="both", alpha=0.3)
        ax.legend(fontsize=8)
    fig.tight_layout()
    fig.savefig(png, dpi=90)


if __name__ == "__main__":
    main()
