#!/usr/bin/env python3
"""kvcalc against bc -l on the same values at the same number of digits.

    python3 bench/kvcalc_bc.py build/cli/kvcalc [--digits 50,2000,10000] [--bc-timeout 900]

Each case is one process run (start-up included, as a user meets it): kvcalc
with -d N, bc -l with scale=N. The time is the least of a few runs (one at
10,000 digits). Prints a Markdown table and writes docs/bench-kvcalc.png when
matplotlib is at hand. bc runs that pass the timeout are shown as "> T".
"""
import argparse
import os
import subprocess
import sys
import time

CASES = [
    # name, kvcalc expression, bc expression
    ("sqrt", "sqrt(2)", "sqrt(2)"),
    ("e", "e", "e(1)"),
    ("pi", "pi", "4*a(1)"),
    ("ln", "ln(2)", "l(2)"),
    ("exp", "exp(0.5)", "e(0.5)"),
    ("sin", "sin(1)", "s(1)"),
    ("atan", "atan(0.5)", "a(0.5)"),
    ("pow", "1.5^0.7", "e(0.7*l(1.5))"),
]


def timed(cmd, stdin, timeout):
    best = None
    t0 = time.perf_counter()
    try:
        p = subprocess.run(cmd, input=stdin, capture_output=True, text=True, timeout=timeout,
                           env=dict(os.environ, BC_LINE_LENGTH="0"))
    except subprocess.TimeoutExpired:
        return None, ""
    best = time.perf_counter() - t0
    return best, p.stdout


def best_of(cmd, stdin, reps, timeout):
    times, out = [], ""
    for _ in range(reps):
        t, out = timed(cmd, stdin, timeout)
        if t is None:
            return None, ""
        times.append(t)
    return min(times), out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("kvcalc")
    ap.add_argument("--digits", default="50,2000,10000")
    ap.add_argument("--bc-timeout", type=float, default=900)
    ap.add_argument("--plot", default="docs/bench-kvcalc.png")
    a = ap.parse_args()
    digits = [int(d) for d in a.digits.split(",")]
    rows = []
    for d in digits:
        reps = 20 if d <= 100 else 3 if d <= 2000 else 1
        for name, kx, bx in CASES:
            tk, ok = best_of([a.kvcalc, "-d", str(d), kx], None, reps, 600)
            tb, ob = best_of(["bc", "-l"], "scale=%d\n%s\n" % (d, bx), reps, a.bc_timeout)
            # The two agree on all but bc's last few digits (bc's own errors).
            if tb is not None and ok and ob:
                k, b = ok.strip().lstrip("0"), ob.strip().lstrip("0")
                same = next((i for i, (x, y) in enumerate(zip(k, b)) if x != y), min(len(k), len(b)))
                if same < len(k) - 12:
                    print("warning: %s at %d digits: kvcalc and bc differ from place %d" % (name, d, same),
                          file=sys.stderr)
            rows.append((d, name, tk, tb))
            print("%6d %-5s kvcalc %.4f s  bc %s" % (d, name, tk, "%.4f s" % tb if tb else "> %g s" % a.bc_timeout),
                  file=sys.stderr, flush=True)
    print("| digits | function | kvcalc (s) | bc -l (s) | bc / kvcalc |")
    print("|---:|---|---:|---:|---:|")
    for d, name, tk, tb in rows:
        ratio = "%.1f" % (tb / tk) if tb else "> %.0f" % (a.bc_timeout / tk)
        print("| %d | %s | %.4f | %s | %s |" % (d, name, tk, "%.4f" % tb if tb else "> %g" % a.bc_timeout, ratio))
    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        print("matplotlib not found: no plot", file=sys.stderr)
        return
    fig, axes = plt.subplots(1, len(digits), figsize=(4.2 * len(digits), 4), squeeze=False)
    for ax, d in zip(axes[0], digits):
        sel = [r for r in rows if r[0] == d]
        xs = range(len(sel))
        ax.bar([x - 0.2 for x in xs], [r[2] for r in sel], 0.4, label="kvcalc")
        ax.bar([x + 0.2 for x in xs], [r[3] if r[3] else a.bc_timeout for r in sel], 0.4, label="bc -l",
               hatch=None)
        ax.set_yscale("log")
        ax.set_xticks(list(xs))
        ax.set_xticklabels([r[1] for r in sel], rotation=45)
        ax.set_title("%d digits" % d)
        ax.set_ylabel("seconds (one process run)")
        ax.legend()
    fig.tight_layout()
    fig.savefig(a.plot, dpi=90)
    print("wrote", a.plot, file=sys.stderr)


if __name__ == "__main__":
    main()
