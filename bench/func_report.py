#!/usr/bin/env python3
"""Table and plot of the function benchmarks.

Usage: func_report.py bench.json counts.json python.json cases.json [out.png] [--markdown]

bench.json   Google Benchmark output of func_bench (CPU time, medians of the
             repetitions when there are any)
counts.json  func_count's operation counts per case
python.json  func_python.py's times
cases.json   func_bench --cases (labels)

The floor of a case is the number of multiplications, divisions and
additions it performed, by class, times the measured cost of one such
operation at that precision in the same run (cost_* rows): what the method
would cost if nothing but that arithmetic took time. Products and quotients
by an operand of at most two limbs (div1) and additions cost what one such
operation on full-length numbers costs (every quotient is formed to full
length, every sum over the full array). Products and longer quotients cost in
proportion to their size, so they are charged by a line through two measured
points: a product costs alpha + beta x (its base-10^8 digit products), from
the full-length product and the product by 8 limbs; a product by at most two
limbs (mul1) alpha + beta x (the other operand's limbs), from full length by
7 and 8 limbs by 1; a quotient alpha + beta x (its divisor's limbs), from the
full-length quotient and the quotient by 8 limbs. All ratios are taken within
the one run.
"""
import json
import sys

FLOOR_OPS = ["mul", "mul8", "mul1", "mul1s", "div", "div8", "div1", "add"]


def floor_of(c, t, n):
    """The floor of one case's counts c at n limbs, or None."""
    cost = {op: t.get(("cost_" + op, "kelvane", n)) for op in FLOOR_OPS}
    if any(v is None for v in cost.values()):
        return None
    full = n // 2 - 1                 # significant limbs of a full-length number
    d = (full + 1) // 2               # its base-10^8 digits
    beta_m = (cost["mul"] - cost["mul8"]) / (d * d - d * 4)
    alpha_m = cost["mul"] - beta_m * d * d
    beta_1 = (cost["mul1"] - cost["mul1s"]) / (full - 8)
    alpha_1 = cost["mul1"] - beta_1 * full
    beta_d = (cost["div"] - cost["div8"]) / (full - 8)
    alpha_d = cost["div"] - beta_d * full
    return (c["mul"] * alpha_m + c["mul_work"] * beta_m + c["mul1"] * alpha_1 + c["mul1_work"] * beta_1 +
            c["div"] * alpha_d + c["div_work"] * beta_d + c["div1"] * cost["div1"] + c["add"] * cost["add"])


def load_bench(path):
    data = json.load(open(path))
    t, allocs = {}, {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        name = b.get("run_name", b["name"])
        key, impl, limbs = name.split("/")[:3]
        unit = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b.get("time_unit", "ns")]
        t[(key, impl, int(limbs))] = b["cpu_time"] * unit
        if "allocs" in b:
            allocs[(key, int(limbs))] = b["allocs"]
    return t, allocs


def fmt(s):
    if s is None:
        return "-"
    if s >= 1e-3:
        return "%.2f ms" % (s * 1e3)
    if s >= 1e-6:
        return "%.1f us" % (s * 1e6) if s < 1e-4 else "%.0f us" % (s * 1e6)
    return "%.0f ns" % (s * 1e9)


def ratio(a, b):
    return "%.2fx" % (a / b) if a and b else "-"


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    markdown = "--markdown" in sys.argv
    t, allocs = load_bench(args[0])
    counts = {(c["key"], c["limbs"]): c for c in json.load(open(args[1]))}
    py = {(p["key"], p["limbs"]): p["seconds"] for p in json.load(open(args[2]))}
    cases = json.load(open(args[3]))
    out = args[4] if len(args) > 4 else None
    labels = {}
    order = []
    for c in cases:
        labels[c["key"]] = c["label"]
        if c["key"] not in order:
            order.append(c["key"])
    sizes = sorted({c["limbs"] for c in cases})

    floor = {}
    for (key, n), c in counts.items():
        f = floor_of(c, t, n)
        if f is not None:
            floor[(key, n)] = f

    rows = {}
    for n in sizes:
        digits = [c["digits"] for c in cases if c["limbs"] == n][0]
        head = ["method", "Kelvane", "floor", "/floor", "MPFR", "/MPFR", "decimal", "/decimal", "allocs"]
        body = []
        for key in order:
            kv = t.get((key, "kelvane", n))
            fl = floor.get((key, n))
            mp = t.get((key, "mpfr", n))
            pd = py.get((key, n))
            al = allocs.get((key, n))
            body.append([labels[key], fmt(kv), fmt(fl), ratio(kv, fl), fmt(mp), ratio(kv, mp), fmt(pd),
                         ratio(kv, pd), "-" if al is None else "%.3g" % al])
            rows[(key, n)] = (kv, fl, mp, pd)
        title = "%d limbs (%d digits)" % (n, digits)
        if markdown:
            print("\n" + title + "\n")
            print("| " + " | ".join(head) + " |")
            print("|" + "---|" * len(head))
            for r in body:
                print("| " + " | ".join(r) + " |")
        else:
            print("\n" + title)
            w = [max(len(str(r[i])) for r in body + [head]) for i in range(len(head))]
            print("  ".join(h.ljust(w[i]) if i == 0 else h.rjust(w[i]) for i, h in enumerate(head)))
            for r in body:
                print("  ".join(x.ljust(w[i]) if i == 0 else x.rjust(w[i]) for i, x in enumerate(r)))
        costs = ", ".join("%s %s" % (op, fmt(t.get(("cost_" + op, "kelvane", n)))) for op in FLOOR_OPS)
        print("\n  one operation at %d limbs: %s" % (n, costs))

    print("\nTargets (ratios within this run)")
    missed = []
    for n in sizes:
        for key in order:
            kv, fl, _, _ = rows[(key, n)]
            if kv and fl and kv / fl > 1.5:
                missed.append("%s at %d limbs: %.2fx its floor" % (labels[key], n, kv / fl))
    print("  every method within 1.5x of its floor: %s" % ("met" if not missed else "MISSED"))
    for m in missed:
        print("    " + m)
    for key, what in [("ln2", "ln"), ("lnfull", "ln"), ("log7", "log10"), ("aln05", "exp"),
                      ("alnfull", "exp"), ("fpower", "power")]:
        kv, _, _, pd = rows[(key, 130)]
        if kv and pd:
            print("  %-28s %8s vs decimal %-6s %8s  %5.2fx  %s" % (labels[key], fmt(kv), what, fmt(pd), kv / pd,
                                                                  "met" if kv < pd else "MISSED"))
    for key in ["sin", "cos", "atan", "pi", "e"]:
        kv, _, mp, _ = rows[(key, 130)]
        if kv and mp:
            print("  %-28s %8s vs MPFR %8s  %6.1fx  target < 50x  %s" % (labels[key], fmt(kv), fmt(mp), kv / mp,
                                                                        "met" if kv / mp < 50 else "MISSED"))

    if out:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
        fig, axes = plt.subplots(len(sizes), 1, figsize=(11, 4.2 * len(sizes)))
        if len(sizes) == 1:
            axes = [axes]
        series = [("Kelvane", 0, "tab:blue"), ("its arithmetic floor", 1, "lightsteelblue"),
                  ("MPFR", 2, "tab:orange"), ("Python decimal", 3, "tab:green")]
        for ax, n in zip(axes, sizes):
            xs = range(len(order))
            wdt = 0.2
            for j, (name, idx, col) in enumerate(series):
                vals = [rows[(k, n)][idx] for k in order]
                pos = [x + (j - 1.5) * wdt for x in xs]
                ax.bar([p for p, v in zip(pos, vals) if v], [v * 1e6 for v in vals if v], wdt, label=name, color=col)
            ax.set_yscale("log")
            ax.set_xticks(list(xs))
            ax.set_xticklabels([labels[k].split(",")[0].replace(" full length", "") for k in order], rotation=60,
                               ha="right", fontsize=7)
            ax.set_ylabel("time per call (us, CPU)")
            digits = [c["digits"] for c in cases if c["limbs"] == n][0]
            ax.set_title("Func methods at %d limbs (%d digits)" % (n, digits))
            ax.grid(True, axis="y", which="both", alpha=0.3)
            ax.legend(fontsize=8, ncol=4)
        fig.tight_layout()
        fig.savefig(out, dpi=100)
        print("\nPlot written to", out)


if __name__ == "__main__":
    main()
