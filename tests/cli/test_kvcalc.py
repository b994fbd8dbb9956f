#!/usr/bin/env python3
"""End-to-end tests of kvcalc: runs the built binary.

    python3 tests/cli/test_kvcalc.py path/to/kvcalc

Expected values come from Python's decimal module (rational results and
ln/exp/sqrt/log10/powers, computed here at a higher precision and truncated),
from bc -l (trigonometric functions, and a comparison on 50 fractional digits
of every kind of function), from sine and pi summed here with decimal (large
arguments, where bc reduces with too few digits of pi), from the library's
documented worked examples (the --literal rows), or from a rule stated next
to the case.
"""

import os
import subprocess
import sys
import unittest
from decimal import ROUND_DOWN, Decimal, localcontext

KVCALC = None
BC = "/usr/bin/bc"


def run(args, stdin=None, env=None):
    full_env = dict(os.environ)
    full_env.pop("PRECISION", None)
    if env:
        full_env.update(env)
    p = subprocess.run([KVCALC] + args, input=stdin, capture_output=True, text=True,
                       env=full_env, timeout=120)
    return p.returncode, p.stdout, p.stderr


class tempfile_path:
    """A temporary file holding `text`, removed afterwards."""

    def __init__(self, text):
        import tempfile
        f = tempfile.NamedTemporaryFile("w", suffix=".kvc", delete=False)
        f.write(text)
        f.close()
        self.path = f.name

    def __enter__(self):
        return self.path

    def __exit__(self, *exc):
        os.unlink(self.path)


def digits_of(limbs):
    """Significant digits that kvcalc prints at a precision: 4 * (limbs/2 - 1)."""
    return 4 * (limbs // 2 - 1)


def truncate_sig(value, sig):
    """value cut (toward zero) to `sig` significant digits, as kvcalc prints it
    by default: no trailing fractional zeros, no trailing point; scientific
    form when the units digit is not among the digits kept or the value is
    below 1e-20."""
    with localcontext() as ctx:
        ctx.prec = sig + 50
        ctx.Emax, ctx.Emin = 10 ** 15, -10 ** 15
        last = value.adjusted() - sig + 1
        t = value.quantize(Decimal(1).scaleb(last), rounding=ROUND_DOWN)
        digits = format(abs(t.scaleb(-last)), "f").rstrip("0")
    if last > 0 or value.adjusted() < -20:
        mant = digits[0] + ("." + digits[1:] if len(digits) > 1 else "")
        return ("-" if t < 0 else "") + mant + "e" + str(value.adjusted())
    s = format(t, "f")
    if "." in s:
        s = s.rstrip("0").rstrip(".")
    return s


def dec(expr_fn, prec=400):
    with localcontext() as ctx:
        ctx.prec = prec
        ctx.Emax, ctx.Emin = 10 ** 15, -10 ** 15
        return +expr_fn()


class Rational(unittest.TestCase):
    """Default output: every digit that the precision holds, truncated."""

    def test_exact_and_repeating(self):
        cases = [
            # (expression, precision, exact value as a Decimal expression)
            ("1/3", 20, lambda: Decimal(1) / 3),
            ("2/3", 9, lambda: Decimal(2) / 3),
            ("-22/7", 40, lambda: Decimal(-22) / 7),
            ("1e-5/3", 20, lambda: Decimal("1e-5") / 3),
            ("100/3", 20, lambda: Decimal(100) / 3),
            ("1/7 + 1/7", 130, lambda: Decimal(2) / 7),
            ("(1 - 1/3) * 3", 20, lambda: Decimal(2)),
            ("0.1 + 0.2", 20, lambda: Decimal("0.3")),
            ("2^-2", 20, lambda: Decimal("0.25")),
            ("2^100", 40, lambda: Decimal(2) ** 100),
            ("(-3)^3", 20, lambda: Decimal(-27)),
            ("1.5^-3", 20, lambda: Decimal(1) / Decimal("3.375")),
            ("12345678901234567890 * 98765432109876543210", 40,
             lambda: Decimal(12345678901234567890) * 98765432109876543210),
            ("20!", 20, lambda: Decimal(2432902008176640000)),
            ("25!/24!", 40, lambda: Decimal(25)),
            ("-2^2", 20, lambda: Decimal(-4)),          # unary minus below ^
            ("2^3^2", 20, lambda: Decimal(512)),        # right-associative
            ("-3!", 20, lambda: Decimal(-6)),           # ! above unary minus
            ("int(-7.9) + int(7.9)", 20, lambda: Decimal(0)),
            ("int(sqrt(81))", 20, lambda: Decimal(9)),  # an exact root is an exact integer
            ("int(ln(exp(5)))", 20, lambda: Decimal(5)),  # so is a computed one
            ("int(2.9999999999999999999999999999)", 9, lambda: Decimal(2)),  # an exact input is not
        ]
        for expr, p, fn in cases:
            with self.subTest(expr=expr, p=p):
                rc, out, err = run(["-p", str(p), expr])
                self.assertEqual((rc, err), (0, ""))
                self.assertEqual(out, truncate_sig(dec(fn), digits_of(p)) + "\n")

    def test_transcendental_default_digits(self):
        """ln, exp, sqrt, log10 and real powers against decimal at many precisions."""
        cases = [
            ("sqrt(2)", 9, lambda: Decimal(2).sqrt()),
            ("sqrt(2)", 130, lambda: Decimal(2).sqrt()),
            ("sqrt(1e-9)", 40, lambda: Decimal("1e-9").sqrt()),
            ("ln(10)", 130, lambda: Decimal(10).ln()),
            ("ln(1.000001)", 40, lambda: Decimal("1.000001").ln()),
            ("ln(1e-300)", 60, lambda: Decimal("1e-300").ln()),
            ("exp(1)", 130, lambda: Decimal(1).exp()),
            ("exp(-1)", 20, lambda: Decimal(-1).exp()),
            ("exp(1000)", 40, lambda: Decimal(1000).exp()),
            ("exp(1e-20)", 40, lambda: Decimal("1e-20").exp()),
            ("log(2)", 40, lambda: Decimal(2).log10()),
            ("log(1000)", 40, lambda: Decimal(3)),
            ("logb(2, 1024)", 40, lambda: Decimal(10)),
            ("2^0.5", 40, lambda: Decimal(2).sqrt()),
            ("10^2.5", 40, lambda: Decimal(10) ** Decimal("2.5")),
            ("7^-0.25", 40, lambda: Decimal(7) ** Decimal("-0.25")),
            ("pow(3, 1.5)", 20, lambda: Decimal(3) ** Decimal("1.5")),
            ("root(32, 5)", 40, lambda: Decimal(2)),
            ("root(-27, 3)", 20, lambda: Decimal(-3)),
            ("root(10, 7)", 40, lambda: Decimal(10) ** (Decimal(1) / 7)),
            ("root(1e100, 20)", 40, lambda: Decimal(100000)),
            # True digits with a long run of nines past the last printed
            # one: not to be mistaken for an exact result.
            ("sqrt(1.000000000000000000000000009)", 20, lambda: Decimal("1.000000000000000000000000009").sqrt()),
            ("root(1.0000000000000000426, 3)", 12, lambda: Decimal("1.0000000000000000426") ** (Decimal(1) / 3)),
            ("ln(1.000000000000000000000000959)", 9, lambda: Decimal("1.000000000000000000000000959").ln()),
            ("0.002 / 6.0111436105e25", 10, lambda: Decimal("0.002") / Decimal("6.0111436105e25")),
            ("3.0478795e14^-7265", 64, lambda: 1 / Decimal("3.0478795e14") ** 7265),
            ("1.0000001^1e15", 20, lambda: (Decimal(10) ** 15 * Decimal("1.0000001").ln()).exp()),
            ("e", 100, lambda: Decimal(1).exp()),
            ("phi", 40, lambda: (1 + Decimal(5).sqrt()) / 2),
            # Near the bottom of the exponent range, where a ball's ends once
            # reached past zero; arguments far from 1 for ln; roots of high order.
            ("exp(-4.9e9)", 20, lambda: Decimal("-4.9e9").exp()),
            ("ln(1e-2000000000)", 20, lambda: Decimal("1e-2000000000").ln()),
            ("root(2e50, 101)", 20, lambda: Decimal("2e50") ** (Decimal(1) / 101)),
            ("root(1e1000000, 999999999)", 20, lambda: Decimal(10) ** (Decimal(1000000) / 999999999)),
        ]
        for expr, p, fn in cases:
            with self.subTest(expr=expr, p=p):
                rc, out, err = run(["-p", str(p), expr])
                self.assertEqual((rc, err), (0, ""))
                self.assertEqual(out, truncate_sig(dec(fn, 600), digits_of(p)) + "\n")


class FixedDigits(unittest.TestCase):
    def test_digits_beyond_the_precision(self):
        """-d N prints N correct digits whatever the precision holds."""
        cases = [
            (["-d", "5", "exp(100)"], lambda: Decimal(100).exp(), 5),
            (["-p", "9", "-d", "40", "ln(1e-300)"], lambda: Decimal("1e-300").ln(), 40),
            (["-p", "9", "-d", "100", "2^0.5"], lambda: Decimal(2).sqrt(), 100),
            (["-p", "9", "-d", "30", "exp(1e-20) - 1"], lambda: Decimal("1e-20").exp() - 1, 30),
        ]
        for args, fn, n in cases:
            with self.subTest(args=args):
                with localcontext() as ctx:
                    ctx.prec = 600
                    want = format(dec(fn, 600).quantize(Decimal(1).scaleb(-n), rounding=ROUND_DOWN), "f")
                rc, out, err = run(args)
                self.assertEqual((rc, err, out), (0, "", want + "\n"))


def pi_decimal(prec):
    """pi by Machin's formula in Python's decimal, for the reduction below."""
    with localcontext() as ctx:
        ctx.prec = prec + 10

        def atan_inv(k):
            x = Decimal(1) / k
            term, total, n, x2 = x, x, 1, x * x
            while True:
                term *= -x2
                n += 2
                if term / n == 0 or abs(term / n) < Decimal(10) ** -(prec + 8):
                    return total
                total += term / n

        return +(16 * atan_inv(5) - 4 * atan_inv(239))


def sin_decimal(x, prec):
    """sin x for a large x: x less the nearest multiple of 2 pi, then Taylor."""
    with localcontext() as ctx:
        ctx.prec = prec + x.adjusted() + 20
        two_pi = 2 * pi_decimal(ctx.prec)
        r = x - (x / two_pi).to_integral_value() * two_pi
        term, total, n = r, r, 1
        while abs(term) > Decimal(10) ** -(prec + 10):
            term *= -r * r / ((n + 1) * (n + 2))
            n += 2
            total += term
        return total


class LargeArguments(unittest.TestCase):
    def test_sine_and_cosine_of_large_arguments(self):
        # bc -l reduces with too few digits of pi for these.
        for x, p in (("1e22", 40), ("1e300", 20), ("123456789012345678901234567890", 40)):
            with self.subTest(x=x):
                rc, out, err = run(["-p", str(p), "sin(%s)" % x, "cos(%s)" % x])
                self.assertEqual((rc, err), (0, ""))
                xs = Decimal(x)
                s = sin_decimal(xs, 120)
                with localcontext() as ctx:
                    ctx.prec = xs.adjusted() + 200
                    c = sin_decimal(xs + pi_decimal(ctx.prec) / 2, 120)
                self.assertEqual(out, truncate_sig(s, digits_of(p)) + "\n" + truncate_sig(c, digits_of(p)) + "\n")


class Output(unittest.TestCase):
    def test_options_table(self):
        cases = [
            # (arguments, expected standard output)
            (["-d", "5", "1/4"], "0.25000\n"),
            (["-d", "5", "pi"], "3.14159\n"),
            (["-d", "5", "-1/3"], "-0.33333\n"),
            (["-d", "3", "-1/10000"], "0.000\n"),           # no negative zero
            (["-d", "0", "2/3"], "0\n"),
            (["-d", "0", "-7/2"], "-3\n"),
            (["-d", "60", "-p", "9", "1/3"], "0." + "3" * 60 + "\n"),  # -d raises the precision
            (["-g", "2^40", "1234567.25", "-1234"], "1,099,511,627,776\n1,234,567.25\n-1,234\n"),
            (["-g", "-d", "2", "1e6/3"], "333,333.33\n"),
            (["-o", "16", "255", "-255", "10.5"], "FF\n-FF\nA.8\n"),
            (["-o", "2", "10.5", "0.625", "0"], "1010.1\n0.101\n0\n"),
            (["-o", "3", "1/3"], "0.1\n"),                   # exact in radix 3
            (["-o", "2", "-d", "8", "1/3"], "0.01010101\n"),
            (["-o", "16", "-d", "4", "1"], "1.0000\n"),
            (["-p", "9", "2^100"], "1.26765060022e30\n"),    # units digit not held: scientific
            (["-p", "9", "1e-25", "1e300"], "1e-25\n1e300\n"),
            (["-p", "9", "12345678901234567"], "1.23456789012e16\n"),
            (["-p", "9", "exp(-1000)"], "5.07595889754e-435\n"),
            (["1e-20"], "0.00000000000000000001\n"),
            # --raw: the library's text for the value at the chosen precision.
            (["--raw", "-p", "9", "1"], "1.00000000\n"),
            (["--raw", "-p", "9", "-g", "1234.5"], "1,234.50000\n"),
            (["--raw", "-o", "16", "255"], "FF.\n"),
            # --literal: the library's own results, no guard (worked examples
            # of the library's division and power at 9 limbs).
            (["--literal", "--raw", "-p", "9", "1/3"], "0.333333330000\n"),
            (["--literal", "--raw", "-p", "9", "22/7"], "3.14285714\n"),
            (["--literal", "--raw", "-p", "9", "1.1^20"], "6.72749992\n"),
            (["--literal", "--raw", "-p", "9", "-7/7"], "-1.00000000\n"),
            (["--literal", "-p", "9", "1.1^20"], "6.72749992\n"),
            (["--literal", "--raw", "-p", "9", "-d", "2", "-0.00012"], "-0.00\n"),
            (["--literal", "-p", "9", "2/3"], "0.66666666\n"),
            (["--literal", "-p", "9", "int(-3.9)"], "-3\n"),
        ]
        for args, expected in cases:
            with self.subTest(args=args):
                rc, out, err = run(args)
                self.assertEqual((rc, err), (0, ""))
                self.assertEqual(out, expected)

    def test_default_precision_policy(self):
        """No -p: PRECISION when it reads as 9 or more, else 130 limbs."""
        third = lambda p: "0." + "3" * digits_of(p) + "\n"
        self.assertEqual(run(["1/3"])[1], third(130))
        self.assertEqual(run(["1/3"], env={"PRECISION": "20"})[1], third(20))
        self.assertEqual(run(["1/3"], env={"PRECISION": "8"})[1], third(130))
        self.assertEqual(run(["-p", "5", "1/3"], env={"PRECISION": "12"})[1], third(12))
        self.assertEqual(run(["-p", "40", "1/3"], env={"PRECISION": "12"})[1], third(40))

    def test_trailing_zeros_dropped_by_default(self):
        rc, out, _ = run(["1", "2.5000", "100", "1e3"])
        self.assertEqual(out, "1\n2.5\n100\n1000\n")


class Errors(unittest.TestCase):
    def test_syntax_errors_show_caret(self):
        cases = [
            ("2 + * 3", "unexpected '*'", 4),
            ("sin(1", "missing ')' for the '(' at column 4", 5),
            ("(1 + 2))", "unmatched ')'", 7),
            ("foo + 1", "unknown name 'foo'", 0),
            ("atan(1, 2)", "'atan' takes 1 argument, given 2", 9),
            ("3 $ 4", "unexpected '$'", 2),
            ("2 3", "expected an operator, found number '3'", 2),
            ("sqrt 4", "expected '(' after 'sqrt'", 5),
            ("pi = 3", "cannot assign to 'pi'", 0),
            ("f(2)", "unknown function 'f'", 0),
            ("1 +", "unexpected end of input", 3),
        ]
        for line, reason, col in cases:
            with self.subTest(line=line):
                rc, out, err = run(["--", line])
                self.assertEqual(rc, 2)
                self.assertEqual(out, "")
                self.assertEqual(err, "Syntax error: %s\n  %s\n  %s^\n" % (reason, line, " " * col))

    def test_arithmetic_errors(self):
        cases = [
            ("1/0", "Division by zero"),
            ("1/(2 - 2)", "Division by zero"),
            ("0^-1", "Division by zero"),
            ("logb(1, 5)", "Division by zero"),
            ("ln(0)", "x must be greater than 0"),
            ("log(-5)", "x must be greater than 0"),
            ("asin(2)", "x^2 must be less than or equal to 1"),
            ("acos(-1.5)", "x^2 must be less than or equal to 1"),
            ("sqrt(-4)", "x must not be negative for an even root."),
            ("root(-16, 4)", "x must not be negative for an even root."),
            ("root(8, 1)", "Root must be greater than one."),
            ("(-8)^(1/3)", "A negative base needs an integer exponent"),
            ("(-1)!", "Factorial is not defined for negative integers"),
            ("exp(1e10)", "Exponent out of range."),
            ("5e1646900580 / 9e-599709606", "Exponent out of range."),
            ("1.5^1e20000000", "Exponent out of range."),  # at once, not after ln at 20 million digits
            ("1e99999999999", "Exponent out of range."),
            ("tan(pi/2)", "Division by zero"),
        ]
        for expr, msg in cases:
            with self.subTest(expr=expr):
                rc, out, err = run(["-p", "20", "--", expr])
                self.assertEqual((rc, out), (1, ""))
                self.assertEqual(err, "Error: %s\n" % msg)

    def test_literal_mode_refusals_do_not_end_the_process(self):
        # The library would end the process on these zero divisors.
        for expr in ["logb(1, 5)", "1/0"]:
            with self.subTest(expr=expr):
                rc, out, err = run(["--literal", "-p", "20", expr, "1+1"])
                self.assertEqual((rc, out, err), (1, "2\n", "Error: Division by zero\n"))

    def test_status_is_the_worst_of_the_lines(self):
        self.assertEqual(run(["1+1", "1/0", "2"])[0], 1)
        self.assertEqual(run(["1/0", "2 +", "3"])[0], 2)
        rc, out, _ = run(["1/0", "2 +", "3"])
        self.assertEqual(out, "3\n")

    def test_usage_errors(self):
        for args in (["-p"], ["-p", "x", "1"], ["-o", "37", "1"], ["-o", "1", "1"], ["--bogus", "1"],
                     ["-d", "-1", "1"], ["--group=1", "1"], ["--digits", "x", "1"], ["-p", "0x10", "1"]):
            with self.subTest(args=args):
                rc, out, err = run(args)
                self.assertEqual((rc, out), (2, ""))
                self.assertTrue(err.startswith("kvcalc: "), err)

    def test_help_and_version(self):
        rc, out, _ = run(["--help"])
        self.assertEqual(rc, 0)
        self.assertIn("--precision", out)
        rc, out, _ = run(["--version"])
        self.assertEqual(rc, 0)
        self.assertTrue(out.startswith("kvcalc "))

    def test_negative_expression_arguments(self):
        # A dash argument is an option only as -p, -d, -o (with digits or
        # alone), -g or -h; after "--" every argument is an expression.
        rc, out, _ = run(["-d2", "-2*3", "-.5", "-(1)", "-pi", "-exp(1)", "-deg(pi)", "--", "-e", "-d"])
        self.assertEqual((rc, out), (2, "-6.00\n-0.50\n-1.00\n-3.14\n-2.71\n-180.00\n-2.71\n"))


class StandardInput(unittest.TestCase):
    def test_lines_variables_and_ans(self):
        script = "\n".join([
            "x = 3",
            "x^2",
            "ans + 1",
            "y = ans * 2",
            "y",
            "   # a comment line",
            "",
            "1/0",
            "x * y   # trailing comment",
            "2 +",
            "ans",
            "x = x + 1",
            "x",
        ]) + "\n"
        rc, out, err = run(["-p", "20"], stdin=script)
        self.assertEqual(out, "9\n10\n20\n60\n60\n4\n")
        self.assertEqual(err, "Error: Division by zero\nSyntax error: unexpected end of input\n  2 +\n     ^\n")
        self.assertEqual(rc, 2)

    def test_variables_keep_guard_digits(self):
        # Variables and ans hold more digits than are printed (12 at 9 limbs):
        # the 13th to 15th digits of a third are still 333.
        rc, out, _ = run(["-p", "9"], stdin="t = 1/3\nint((t - 0.333333333333) * 1e15)\n"
                                            "2/3\nint((ans - 0.666666666666) * 1e15)\n")
        self.assertEqual(out, "333\n0.666666666666\n666\n")

    def test_interactive_prompt(self):
        """On a terminal: a prompt, results, errors, and Ctrl-D to leave."""
        import pty
        import re
        import select
        import time
        pid, fd = pty.fork()
        if pid == 0:
            os.environ["KVCALC_HISTORY"] = ""
            os.environ.pop("PRECISION", None)
            os.execv(KVCALC, [KVCALC, "-p", "9"])
        raw = b""

        def screen():
            # Without the terminal's control sequences and carriage returns.
            return re.sub(r"\x1b\[[0-9;?]*[A-Za-z]", "", raw.decode(errors="replace")).replace("\r", "")

        def wait_for(count_of_prompts, limit=20.0):
            nonlocal raw
            end = time.time() + limit
            while screen().count("> ") < count_of_prompts and time.time() < end:
                ready, _, _ = select.select([fd], [], [], 0.1)
                if ready:
                    try:
                        raw += os.read(fd, 4096)
                    except OSError:
                        break

        wait_for(1)
        for i, line in enumerate([b"x = 2/3", b"x * 3", b"1 +"]):
            os.write(fd, line + b"\r")
            wait_for(i + 2)
        os.write(fd, b"\x04")
        _, status = os.waitpid(pid, 0)
        try:
            while True:
                chunk = os.read(fd, 4096)
                if not chunk:
                    break
                raw += chunk
        except OSError:
            pass
        os.close(fd)
        self.assertIn("> x = 2/3\n> x * 3\n2\n> 1 +\n"
                      "Syntax error: unexpected end of input\n  1 +\n     ^\n> ", screen())
        self.assertEqual(os.waitstatus_to_exitcode(status), 0)

    def test_interrupt_keeps_the_session_and_history_is_kept_at_once(self):
        """Ctrl-C stops a long computation and the prompt comes back with the
        variables; each line is in the history file before the next one, so
        a killed terminal loses nothing."""
        import pty
        import re
        import select
        import signal
        import tempfile
        import time
        hist = tempfile.NamedTemporaryFile(delete=False)
        hist.close()
        os.unlink(hist.name)
        pid, fd = pty.fork()
        if pid == 0:
            os.environ["KVCALC_HISTORY"] = hist.name
            os.environ.pop("PRECISION", None)
            os.execv(KVCALC, [KVCALC])
        raw = b""

        def screen():
            return re.sub(r"\x1b\[[0-9;?]*[A-Za-z]", "", raw.decode(errors="replace")).replace("\r", "")

        def wait_for(text, count, limit=30.0):
            nonlocal raw
            end = time.time() + limit
            while screen().count(text) < count and time.time() < end:
                ready, _, _ = select.select([fd], [], [], 0.1)
                if ready:
                    try:
                        raw += os.read(fd, 4096)
                    except OSError:
                        break

        try:
            wait_for("> ", 1)
            for i, line in enumerate([b"x = 2/3", b"digits 5", b"3000000!"]):
                os.write(fd, line + b"\r")
                if i < 2:
                    wait_for("> ", i + 2)
            time.sleep(1.0)
            os.write(fd, b"\x03")  # Ctrl-C during the factorial
            wait_for("Interrupted", 1)
            wait_for("> ", 4)
            os.write(fd, b"x * 3\r")
            wait_for("2.00000", 1)
            with open(hist.name) as f:
                history = f.read().split("\n")
            os.kill(pid, signal.SIGKILL)
            os.waitpid(pid, 0)
        finally:
            os.close(fd)
        self.assertIn("Error: Interrupted\n> x * 3\n2.00000\n", screen())
        self.assertEqual([l for l in history if l], ["x = 2/3", "digits 5", "3000000!", "x * 3"])
        os.unlink(hist.name)

    def test_commands_functions_and_files(self):
        script = "\n".join([
            "f(x) = x^2 + 1",
            "f(3)",
            "g(a, b) = hypot(a, b) + f(a)",
            "g(3, 4)",
            "x = 1/3",
            "x * 3",
            "digits 3",
            "pi",
            "digits off",
            "sig 5",
            "pi",
            "obase 16",
            "255",
            "obase 10",
            "ibase 2",
            "101 + 1",
            "ibase 10",
            "sci on",
            "1234.5",
            "f(1, 2)",
        ]) + "\n"
        rc, out, err = run([], stdin=script)
        self.assertEqual(out, "10\n15\n1\n3.141\n3.1415\nFF\n6\n1.2345e3\n")
        self.assertEqual(err, "Error: 'f' takes 1 argument, given 2\n")
        with tempfile_path("1 + 1\n2 +\n1/0\n") as path:
            rc, out, err = run(["-f", path])
            self.assertEqual((rc, out), (2, "2\n"))
            self.assertEqual(err, "%s:2: Syntax error: unexpected end of input\n  2 +\n     ^\n"
                                  "%s:3: Error: Division by zero\n" % (path, path))

    def test_quit_and_empty_input(self):
        self.assertEqual(run([], stdin="1+1\nquit\n2+2\n")[1], "2\n")
        self.assertEqual(run([], stdin=""), (0, "", ""))


ORACLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "kvcalc_oracle.tsv")


class Oracle(unittest.TestCase):
    """The fault classes and the functions against the mpmath table
    (tests/data/gen_kvcalc_oracle.py): every printed digit true, every
    undecidable or out-of-domain line the right error."""

    def test_table(self):
        rows = []
        with open(ORACLE) as f:
            for line in f:
                if line.startswith("#"):
                    continue
                group, args, expr, want = line.rstrip("\n").split("\t")
                rows.append((group, args.split(), expr, want))
        self.assertGreater(len(rows), 150)
        for group, args, expr, want in rows:
            with self.subTest(group=group, args=args, expr=expr):
                rc, out, err = run(args + ["--", expr])
                if want.startswith("Error: "):
                    self.assertEqual((rc, out, err), (1, "", want + "\n"))
                else:
                    self.assertEqual((rc, err, out), (0, "", want + "\n"))


def bc_value(expr, scale=70):
    p = subprocess.run([BC, "-l"], input="scale=%d\n%s\n" % (scale, expr), capture_output=True,
                       text=True, env={"BC_LINE_LENGTH": "0"}, timeout=120)
    if p.returncode != 0 or p.stderr:
        raise AssertionError("bc failed on %r: %s" % (expr, p.stderr))
    return Decimal(p.stdout.strip())


# (kvcalc expression, the same in bc -l). bc's l, e, s, c, a are ln, exp,
# sin, cos and atan.
BC_CASES = [
    ("1/3", "1/3"),
    ("-22/7 + 355/113", "-22/7 + 355/113"),
    ("123456789 * 987654321 / 1000003", "123456789 * 987654321 / 1000003"),
    ("2^0.5", "e(0.5*l(2))"),
    ("10^2.5", "e(2.5*l(10))"),
    ("2^-10.5", "e(-10.5*l(2))"),
    ("0.5^0.3", "e(0.3*l(0.5))"),
    ("1.0001^10000", "1.0001^10000"),
    ("3^100 / 7^50", "3^100 / 7^50"),
    ("pi^e", "e(e(1)*l(4*a(1)))"),
    ("sqrt(2)", "sqrt(2)"),
    ("sqrt(1e-10)", "sqrt(10^-10)"),
    ("root(10, 3)", "e(l(10)/3)"),
    ("root(2, 7)", "e(l(2)/7)"),
    ("root(1000, 12)", "e(l(1000)/12)"),
    ("ln(2)", "l(2)"),
    ("ln(10)", "l(10)"),
    ("ln(1e50)", "l(10^50)"),
    ("ln(0.001)", "l(0.001)"),
    ("ln(1.000001)", "l(1.000001)"),
    ("log(2)", "l(2)/l(10)"),
    ("logb(3, 1000)", "l(1000)/l(3)"),
    ("exp(1)", "e(1)"),
    ("exp(20)", "e(20)"),
    ("exp(-30)", "e(-30)"),
    ("exp(0.5)", "e(0.5)"),
    ("exp(-0.001)", "e(-0.001)"),
    ("exp(100)", "e(100)"),
    ("sin(1)", "s(1)"),
    ("sin(100)", "s(100)"),
    ("sin(-7)", "s(-7)"),
    ("sin(0.001)", "s(0.001)"),
    ("sin(1e6)", "s(10^6)"),
    ("cos(1000)", "c(1000)"),
    ("cos(2)", "c(2)"),
    ("cos(-0.5)", "c(-0.5)"),
    ("cos(355)", "c(355)"),
    ("tan(1.5)", "s(1.5)/c(1.5)"),
    ("tan(-3)", "s(-3)/c(-3)"),
    ("atan(1)", "a(1)"),
    ("atan(0.2)", "a(0.2)"),
    ("atan(2)", "a(2)"),
    ("atan(-1000)", "a(-1000)"),
    ("atan(1e-5)", "a(10^-5)"),
    ("asin(0.99)", "a(0.99/sqrt(1-0.99^2))"),
    ("asin(0.5)", "a(0.5/sqrt(1-0.5^2))"),
    ("asin(-0.3)", "a(-0.3/sqrt(1-0.09))"),
    ("acos(0.5)", "a(sqrt(1-0.25)/0.5)"),
    ("acos(0.999)", "a(sqrt(1-0.999^2)/0.999)"),
    ("acos(-0.7)", "4*a(1) - a(sqrt(1-0.49)/0.7)"),
    ("rad(30)", "4*a(1)*30/180"),
    ("deg(1)", "180/(4*a(1))"),
    ("pi", "4*a(1)"),
    ("e", "e(1)"),
    ("phi", "(1+sqrt(5))/2"),
    ("(exp(2) - exp(-2)) / 2", "(e(2) - e(-2)) / 2"),
]


class AgainstBc(unittest.TestCase):
    def test_fifty_digits(self):
        self.assertTrue(os.path.exists(BC), "bc -l is the oracle of this test and is missing: "
                                            "apt-get install bc")
        self.assertGreaterEqual(len(BC_CASES), 40)
        rc, out, err = run(["-p", "40", "-d", "50"] + [k for k, _ in BC_CASES])
        self.assertEqual((rc, err), (0, ""))
        lines = out.split("\n")[:-1]
        self.assertEqual(len(lines), len(BC_CASES))
        tol = Decimal("1e-48")  # the last one or two of the 50 digits
        for (expr, bc_expr), line in zip(BC_CASES, lines):
            with self.subTest(expr=expr):
                frac = line.split(".")[1] if "." in line else ""
                self.assertEqual(len(frac), 50, line)
                got = Decimal(line)
                want = bc_value(bc_expr)
                self.assertLessEqual(abs(got - want), tol, "kvcalc %s\nbc     %s" % (line, want))


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: test_kvcalc.py path/to/kvcalc")
    KVCALC = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=1)
