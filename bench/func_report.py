#!/usr/bin/env python3
"""Table and plot of the function benchmarks.

Usage: func_report.py bench.json counts.json python.json cases.json [out.png] [--markdown]

Besides Func's tables, the exact tier (ExactFunc, "exact" rows) gets its own
table at its precisions beside MPFR and decimal, with its targets: within 4x
of MPFR, faster than decimal.

bench.json   Google Benchmark output of func_bench (CPU time, medians of the
             repetitions when there are any)
counts.json  func_count's operation counts per case
python.json  func_python.py's times
cases.json   func_bench --cases (labels)

The floor of a case is what its arithmetic alone costs: the multiplications,
divisions and additions it performed, each charged what one such operation
costs at that precision in the same run (cost_* rows). Products and
quotients cost according to their operands, so func_count counts them by
size (the shorter operand of a product, the longer one of a product by one or
two limbs, the divisor of a quotient) and func_bench measures them at a few
sizes; the cost at any size is read off the line through the two nearest
measured sizes. Additions are counted by the limbs they are formed over (a
running sum takes in only what its term's alignment cut leaves). A quotient
is cut at the weight of its dividend's last limb, so it has fewer limbs the
larger its divisor: it is charged a fixed part (the cost of one that keeps
about one limb) and the rest of a full-length quotient's cost in proportion
to the limbs it formed. All ratios are taken within the one run.
"""
import json
import sys

def cost_at(points, size):
    """Cost at `size` from the measured (size, cost) points: the line
    through the two nearest sizes, held flat beyond the ends."""
    pts = sorted(points)
    if size <= pts[0][0]:
        return pts[0][1]
    if size >= pts[-1][0]:
        return pts[-1][1]
    for (s0, c0), (s1, c1) in zip(pts, pts[1:]):
        if s0 <= size <= s1:
            return c0 + (c1 - c0) * (size - s0) / (s1 - s0)


def floor_of(c, t, n, quot):
    """The floor of one case's counts c at n limbs, or None. quot: the
    quotient limbs of the cost operations, by name."""
    points = {}
    for (key, impl, limbs), v in t.items():
        if impl == "kelvane" and limbs == n and key.startswith("cost_"):
            op, size = key[5:].rsplit("_", 1)
            points.setdefault(op, []).append((int(size), v))
    if any(op not in points for op in ("mul", "mul1", "div", "div1", "div1q", "divq1", "add")):
        return None
    # A quotient's cost grows with the quotient limbs it forms: it is read off
    # the line through a quotient that keeps about one limb (divq1, div1q)
    # and a full-length one, by the limbs formed.
    total = 0.0
    for op, one in (("div", "divq1"), ("div1", "div1q")):
        q1 = quot["%s_0" % one]
        c1 = points[one][0][1]
        for (size, count), (_, q) in zip(c["sizes"][op], c["quot"][op]):
            if op == "div":
                full = cost_at(points["div"], size)
                near = min(points["div"], key=lambda p: abs(p[0] - size))[0]
                qf = quot["div_%d" % near]
            else:
                full, qf = points["div1"][0][1], quot["div1_0"]
            per = (full - c1) / (qf - q1) if qf != q1 else 0.0
            total += count * c1 + per * (q - count * q1)
    for op in ("mul", "mul1", "add"):
        sized = 0
        for size, count in c["sizes"][op]:
            total += count * cost_at(points[op], size)
            sized += count
        # Operations with a zero operand never reach the limbs: the cost of
        # the smallest measured one.
        total += (c[op] - sized) * cost_at(points[op], 0)
    return total


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


def print_table(title, head, body, markdown):
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


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    markdown = "--markdown" in sys.argv
    t, allocs = load_bench(args[0])
    counted = json.load(open(args[1]))
    counts = {(c["key"], c["limbs"]): c for c in counted if "key" in c}
    quots = {}
    for c in counted:
        if "cost" in c:
            quots.setdefault(c["limbs"], {})[c["cost"]] = c["quot"]
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
        f = floor_of(c, t, n, quots.get(n, {}))
        if f is not None:
            floor[(key, n)] = f

    rows = {}
    for n in sizes:
        for key in order:
            rows[(key, n)] = (t.get((key, "kelvane", n)), floor.get((key, n)), t.get((key, "mpfr", n)),
                              py.get((key, n)), t.get((key, "exact", n)))
    func_sizes = [n for n in sizes if any(k[1] == "kelvane" and k[2] == n and not k[0].startswith("cost_") for k in t)]
    exact_sizes = [n for n in sizes if any(k[1] == "exact" and k[2] == n for k in t)]
    for n in func_sizes:
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
        print_table("%d limbs (%d digits)" % (n, digits), head, body, markdown)
        costs = ", ".join("%s %s" % (k[0][5:], fmt(v)) for k, v in sorted(t.items(), key=lambda kv: kv[0])
                          if k[0].startswith("cost_") and k[2] == n)
        print("\n  one operation at %d limbs (op_size: limbs of the operand that sets the cost):\n    %s" % (n, costs))

    exact_missed = []
    for n in exact_sizes:
        digits = [c["digits"] for c in cases if c["limbs"] == n][0]
        head = ["method", "ExactFunc", "MPFR", "/MPFR", "decimal", "/decimal", "Func", "/Func"]
        body = []
        for key in order:
            kv, _, mp, pd, ex = rows[(key, n)]
            if ex is None:
                continue
            body.append([labels[key], fmt(ex), fmt(mp), ratio(ex, mp), fmt(pd), ratio(ex, pd), fmt(kv), ratio(ex, kv)])
            if mp and ex / mp > 4:
                exact_missed.append("%s at %d limbs: %.2fx MPFR" % (labels[key], n, ex / mp))
            if pd and ex >= pd:
                exact_missed.append("%s at %d limbs: %.2fx decimal" % (labels[key], n, ex / pd))
        print_table("Exact results (ExactFunc), %d limbs (%d digits)" % (n, digits), head, body, markdown)

    print("\nTargets (ratios within this run)")
    if exact_sizes:
        print("  ExactFunc within 4x of MPFR and faster than decimal: %s" % ("met" if not exact_missed else "MISSED"))
        for m in exact_missed:
            print("    " + m)
    missed = []
    for n in func_sizes:
        for key in order:
            kv, fl, _, _, _ = rows[(key, n)]
            if kv and fl and kv / fl > 1.5:
                missed.append("%s at %d limbs: %.2fx its floor" % (labels[key], n, kv / fl))
    print("  every method within 1.5x of its floor: %s" % ("met" if not missed else "MISSED"))
    for m in missed:
        print("    " + m)
    for key, what in [("ln2", "ln"), ("lnfull", "ln"), ("log7", "log10"), ("aln05", "exp"),
                      ("alnfull", "exp"), ("fpower", "power")]:
        kv, _, _, pd, _ = rows[(key, 130)]
        if kv and pd:
            print("  %-28s %8s vs decimal %-6s %8s  %5.2fx  %s" % (labels[key], fmt(kv), what, fmt(pd), kv / pd,
                                                                  "met" if kv < pd else "MISSED"))
    for key in ["sin", "cos", "atan", "pi", "e"]:
        kv, _, mp, _, _ = rows[(key, 130)]
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
                  ("MPFR", 2, "tab:orange"), ("Python decimal", 3, "tab:green"), ("ExactFunc", 4, "tab:red")]
        for ax, n in zip(axes, sizes):
            xs = range(len(order))
            wdt = 0.16
            for j, (name, idx, col) in enumerate(series):
                vals = [rows[(k, n)][idx] for k in order]
                pos = [x + (j - 2) * wdt for x in xs]
                ax.bar([p for p, v in zip(pos, vals) if v], [v * 1e6 for v in vals if v], wdt, label=name, color=col)
            ax.set_yscale("log")
            ax.set_xticks(list(xs))
            ax.set_xticklabels([labels[k].replace(", full length", "").replace(" digits, 10 -> 16", "")
                                for k in order], rotation=60, ha="right", fontsize=7)
            ax.set_ylabel("time per call (us, CPU)")
            digits = [c["digits"] for c in cases if c["limbs"] == n][0]
            ax.set_title("Func and ExactFunc methods at %d limbs (%d digits)" % (n, digits))
            ax.grid(True, axis="y", which="both", alpha=0.3)
            ax.legend(fontsize=8, ncol=5)
        fig.tight_layout()
        fig.savefig(out, dpi=100)
        print("\nPlot written to", out)


if __name__ == "__main__":
    main()
