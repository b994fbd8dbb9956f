// Every Func method on arguments from text (raw, or digits with an exponent
// picked from small, large and extreme ones) at 9 to 40 limbs, sometimes of
// another precision than the Func's, and sometimes the previous result fed
// back as the argument. Each call must:
//  - end (libFuzzer's timeout; a call slower than 15 s under the sanitizers
//    is a finding) and not
//    end the process: the inputs that truly divide by zero (Afpower with base
//    1, Tan where the cosine is exactly 0) are not made;
//  - leave its result in normal form at the Func's precision;
//  - report only what the argument calls for: the method's refusal outside
//    its domain, "Exponent out of range." only for a true value far outside
//    what a long double can judge, "Argument too large for the precision."
//    only for an angle of more than 2000 integer digits;
//  - where a long double can judge the true value (arguments and result in
//    its range, away from where the function is ill-conditioned), agree with
//    it to half the digits the precision holds or to what the long double
//    itself can vouch for, whichever is less.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <kelvane/Func.h>
#include "fuzz_common.h"

namespace {

std::vector<std::string>& reports() {
    static std::vector<std::string> r;
    return r;
}

void record(const char*, const char* message) { reports().push_back(message); }

// The value of a stored number as a long double; +-inf outside its range.
long double toLD(const KVnum& x) {
    if (x.IsZero()) return 0;
    long double m = 0;
    const int t = x.Top();
    for (int i = t; i >= 0 && i > t - 6; --i) m = m * 10000 + x.Limb(i);
    const long long e = static_cast<long long>(x.Expo()) + 4LL * (t - 5 < 0 ? 0 : t - 5);
    // Dividing by an exact power of ten keeps whole numbers whole.
    long double v = e > 6000    ? HUGE_VALL
                    : e < -6000 ? 0
                    : e >= 0    ? m * std::pow(10.0L, static_cast<long double>(e))
                                : m / std::pow(10.0L, static_cast<long double>(-e));
    return x.Minus() ? -v : v;
}

// An argument's text: raw fuzz text, or digits with a chosen exponent.
std::string argText(fuzz::Input& in) {
    static const char* const kExpo[] = {"",       "e1",          "e2",          "e-1",
                                        "e-3",    "e5",          "e-8",         "e20",
                                        "e-30",   "e300",        "e-300",       "e5000",
                                        "e-5000", "e1100000000", "e-2000000000", "e2147483000"};
    const uint8_t how = in.byte();
    std::string t = in.text(48);
    if (how % 3 == 0) return t;
    std::string digits;
    for (char c : t)
        if ((c >= '0' && c <= '9') || (c == '.' && digits.find('.') == std::string::npos)) digits += c;
    if (digits.empty()) digits = "1";
    return std::string(how & 0x80 ? "-" : "") + digits + kExpo[(how >> 2) % 16];
}

bool reported(const char* message) {
    for (const std::string& r : reports())
        if (r == message) return true;
    return false;
}

// Only the messages in `allowed` were reported.
void onlyReports(std::initializer_list<const char*> allowed, const char* what) {
    for (const std::string& r : reports()) {
        bool ok = false;
        for (const char* a : allowed) ok = ok || r == a;
        if (!ok) {
            std::fprintf(stderr, "%s: unexpected report \"%s\"\n", what, r.c_str());
            std::abort();
        }
    }
}

const char* const kName[20] = {"Ln",   "Aln",  "Log", "LntoLog", "Alog", "Fpower", "Afpower",
                               "Iroot", "DtoR", "RtoD", "Sin",    "Cos",  "Tan",    "Arctan",
                               "Arcsin", "Arccos", "Pi", "e",     "PHI",  "Factorial"};

const char kRange[] = "Exponent out of range.";
const char kPositive[] = "x must be greater than 0";
const char kSquare[] = "x^2 must be less than or equal to 1";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool installed = false;
    if (!installed) {
        KVsetErrorHandler(record);
        installed = true;
    }
    fuzz::Input in(data, size);
    const int n = 9 + in.byte() % 32;
    Func f(n), probe(n);
    const long double h = n / 2 - 2;
    const long double pi = 3.14159265358979323846264338327950288L;
    KVnum* prev = nullptr;

    for (int call = 0; call < 4 && !in.done(); ++call) {
        const int m = in.byte() % 20;
        const uint8_t mode = in.byte();
        const int na = mode % 5 == 0 ? 9 + in.byte() % 40 : n;  // sometimes another precision
        KVnum a(na), b(n);
        a = argText(in).c_str();
        b = argText(in).c_str();
        static const int kRoots[] = {2, 3, 4, 5, 7, 12, 24, 100, 1000, 2147483647, 200000000, 1, 0, -3, 2, 3};
        const int k = kRoots[in.byte() % 16];
        // The argument: the text, or the previous result itself where the
        // method reads it before writing its result.
        const bool feedBack = prev && (mode & 0x40) && m != 4 && m != 12 && m != 6 && m != 5;
        KVnum* x = feedBack ? prev : &a;
        KVnum held(n);
        held = *x;  // the argument as the Func holds it
        const long double X = toLD(held), Y = toLD(b);
        // Signs from the numbers themselves: a long double reads 1e-5000 as 0.
        const bool xNeg = held.Minus(), xPos = !xNeg && !held.IsZero();
        const bool yPos = !b.Minus() && !b.IsZero();

        // Inputs that truly divide by zero end the process by design.
        KVnum one(n);
        one = 1;
        if (m == 6 && (held == one) == 0) continue;
        if (m == 12 && probe.Cos(&held)->IsZero()) continue;
        // Long factorials are correct and bounded (the tests and benchmarks
        // hold them), but under the sanitizers take seconds: keep the
        // executions many.
        if (m == 19 && X >= 20000 && X < 1000000) continue;

        reports().clear();
        const auto t0 = std::chrono::steady_clock::now();
        KVnum* r = nullptr;
        switch (m) {
            case 0: r = f.Ln(x); break;
            case 1: r = f.Aln(x); break;
            case 2: r = f.Log(x); break;
            case 3: r = f.LntoLog(x); break;
            case 4: r = f.Alog(&a); break;
            case 5: r = f.Fpower(x, &b); break;
            case 6: r = f.Afpower(x, &b); break;
            case 7: r = f.Iroot(x, k); break;
            case 8: r = f.DtoR(x); break;
            case 9: r = f.RtoD(x); break;
            case 10: r = f.Sin(x); break;
            case 11: r = f.Cos(x); break;
            case 12: r = f.Tan(&a); break;
            case 13: r = f.Arctan(x); break;
            case 14: r = f.Arcsin(x); break;
            case 15: r = f.Arccos(x); break;
            case 16: r = f.Pi(); break;
            case 17: r = f.e(); break;
            case 18: r = f.PHI(); break;
            default: r = f.Factorial(x); break;
        }
        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        fuzz::check(secs < 15, "every call ends within 15 s (sanitized)");
        fuzz::checkNormal(*r);
        fuzz::check(r->Nlimbs() == n, "the result has the Func's precision");
        prev = r;

        // What the true value is, where a long double can judge it; `cond`
        // is how much the long double's own error in the argument grows.
        const char* what = kName[m];
        const long double A = std::fabs(X);
        const bool moderate = held.IsZero() || (A > 1e-4000L && A < 1e4000L);
        long double want = NAN, cond = 1;
        bool refused = false;
        switch (m) {
            case 0:
            case 2:
                onlyReports({kPositive}, what);
                refused = !xPos;
                if (moderate && xPos) {
                    want = m == 0 ? std::log(X) : std::log10(X);
                    cond = 1 / std::fabs(std::log(X));
                }
                break;
            case 3:
                onlyReports({kRange}, what);
                if (moderate) want = X / std::log(10.0L);
                break;
            case 1:
            case 4:
                if (A < 1e8L) onlyReports({}, what);
                if (A < 11000) {
                    want = m == 1 ? std::exp(X) : std::pow(10.0L, X);
                    cond = std::max(1.0L, A * (m == 1 ? 1 : 2.31L));
                }
                break;
            case 5:
                onlyReports({kPositive, kRange}, what);
                if (!xPos) {
                    fuzz::check(reported(kPositive), "Fpower of a base <= 0 is refused");
                    fuzz::check((*r == one) == 0, "... with the result 1");
                } else if (moderate && std::isfinite(Y)) {
                    const long double L = Y * std::log(X);
                    if (std::fabs(L) < 11000) {
                        want = std::pow(X, Y);
                        cond = std::max(1.0L, std::fabs(L)) * std::max(1.0L, std::fabs(std::log(X)));
                    }
                    if (std::fabs(L) < 1e8L) onlyReports({}, what);
                }
                break;
            case 6:
                onlyReports({kPositive}, what);
                refused = !xPos || !yPos;
                if (moderate && xPos && yPos && std::isfinite(Y) && Y > 1e-4000L) {
                    want = std::log(Y) / std::log(X);
                    cond = 1 / std::min(std::fabs(std::log(X)), std::fabs(std::log(Y)) + 1e-300L);
                }
                break;
            case 7:
                if (k <= 1) {
                    onlyReports({"Root must be greater than one."}, what);
                    refused = true;
                } else if (k % 2 == 0 && xNeg) {
                    onlyReports({"x must not be negative for an even root."}, what);
                    refused = true;
                } else {
                    onlyReports({}, what);
                    if (moderate) want = (xNeg ? -1 : 1) * std::pow(A, 1.0L / k);
                }
                break;
            case 8:
            case 9:
                if (moderate) onlyReports({}, what);
                if (moderate) want = m == 8 ? X * pi / 180 : X * 180 / pi;
                break;
            case 10:
            case 11:
            case 12: {
                if (A < 1e1000L) onlyReports({}, what);
                if (A < 1e4L) {
                    want = m == 10 ? std::sin(X) : m == 11 ? std::cos(X) : std::tan(X);
                    cond = std::max(1.0L, A) / std::max(std::fabs(want), 1e-300L);
                    if (m == 12) cond *= 1 + want * want;
                }
                break;
            }
            case 13:
                onlyReports({"x^2 must be less or greater than 1"}, what);
                if (!reported("x^2 must be less or greater than 1") && moderate) want = std::atan(X);
                break;
            case 14:
            case 15:
                onlyReports({kSquare}, what);
                refused = A > 1 + 1e-15L;
                if (A < 1 - 1e-9L) {
                    want = m == 14 ? std::asin(X) : std::acos(X);
                    cond = 1 / std::sqrt(1 - X * X) / std::max(std::fabs(want), 1e-300L) * std::max(A, 1e-300L);
                }
                if (A > 2) fuzz::check(reported(kSquare), "|x| > 1 is refused");
                break;
            case 16:
                onlyReports({}, what);
                want = pi;
                break;
            case 17:
                onlyReports({}, what);
                want = 2.71828182845904523536028747135266250L;
                break;
            case 18:
                onlyReports({}, what);
                want = 1.61803398874989484820458683436563812L;
                break;
            default:
                onlyReports({"x must not be negative", "x must be less than 1000000"}, what);
                refused = xNeg || X >= 1000000;
                if (!xNeg && X < 1700) {
                    // The integer part from the number itself: a long double
                    // reads 99.99...9 as 100.
                    KVnum ip(held);
                    ip.Intp();
                    want = std::tgamma(toLD(ip) + 1);
                }
                break;
        }
        if (refused) {
            fuzz::check(!reports().empty(), "an argument outside the domain is refused");
            fuzz::check(r->IsZero(), "... with the result 0");
            continue;
        }
        if (std::isnan(want) || !std::isfinite(want) || !reports().empty()) continue;
        const long double got = toLD(*r);
        // Half the digits the precision holds, or what the long double can
        // vouch for (its 18 digits less the condition), whichever is less.
        const long double tol = std::max(std::pow(10.0L, -2 * h), 1e-16L * std::max(cond, 1.0L));
        if (tol > 1e-2L) continue;
        const long double err = std::fabs(got - want);
        if (!(err <= tol * std::fabs(want) + (want == 0 ? 1e-300L : 0))) {
            std::fprintf(stderr, "%s at %d limbs (argument of %d): got %.20Lg, want %.20Lg (x = %.20Lg, y = %.20Lg, k = %d)\n",
                        what, n, na, got, want, X, Y, k);
            fuzz::check(false, "at least half of the digits right");
        }
    }
    return 0;
}
