// Storage for the temporaries of a Func's methods. Internal header, never
// installed.
//
// A number made afresh allocates and zeroes its limb array, which costs more
// than all the arithmetic of a short method (an angle conversion, a common
// logarithm's final division). So every method borrows its temporaries from
// its Func instead: the numbers are made on first use and kept by the Func
// for its later calls. Borrowing is strictly nested (a method gives back all
// it borrowed before it returns, and a call between methods borrows above
// its caller), so a stack of numbers per precision serves: a Temps takes
// numbers from the top and gives them all back when it goes out of scope.
//
// A borrowed number holds whatever its last user left in it; every method
// assigns a temporary before it reads it. Borrowed numbers are never the
// Func's `res`, so the rules on which arguments may be `res` are those of
// numbers made afresh.
#ifndef KELVANE_FUNC_SCRATCH_H
#define KELVANE_FUNC_SCRATCH_H

#include <cstddef>
#include <memory>
#include <vector>

#include <kelvane/KVnum.h>

namespace kvfunc {

class Scratch {
public:
    // At most this many precisions are borrowed at one time (the methods use
    // the Func's own and, on their guarded routes, a few wider ones).
    static const int LEVELS = 8;
    // Numbers of a precision kept beyond the end of an outermost call: an
    // Iroot far from its root borrows one per iteration, thousands at times.
    static const size_t KEEP = 64;

    // Where the stacks stand; a Temps gives back down to it.
    struct Mark {
        size_t used[LEVELS];
        int levels;
        int depth;
    };

    Mark mark();
    void release(const Mark& m);
    KVnum& take(int n);

    // A stored constant's text (PI_DIGITS, LN10_DIGITS) as text assignment
    // reads it into a number of n limbs: read once, then copied by number
    // assignment, which gives the same stored form. The text is known by its
    // address.
    const KVnum& constant(const char* text, int n);

    // Pi and ln 10 right to n limbs: the stored text as text assignment reads
    // it while n reads no more characters than the text holds (so exactly
    // constant()), otherwise computed (pi by Machin's formula, ln 10 as
    // 3 ln 2 + ln 1.25) at the widest precision asked so far, kept, and cut
    // to n by number assignment into `out`.
    void pi(KVnum& out, int n);
    void ln10(KVnum& out, int n);

    // Reusable lists for Iroot's record of its estimates (Iroot calls no
    // other method, so they are never in use twice).
    std::vector<KVnum*> estimates;
    std::vector<size_t> order;

private:
    struct Level {
        int n = 0;
        size_t used = 0;
        std::vector<std::unique_ptr<KVnum>> nums;
    };
    Level levels_[LEVELS];
    int nlevels_ = 0;
    int depth_ = 0;  // Temps alive
    struct Constant {
        const char* text = nullptr;
        int n = 0;
        std::unique_ptr<KVnum> num;
    };
    Constant constants_[4];
    std::unique_ptr<KVnum> pi_, ln10_;  // computed, at their own precision
};

// A Func's storage, made on the heap; "Memory allocation failure." and the
// end of the process when that fails, as for every allocation.
Scratch* newScratch();

// The numbers one method (or helper) borrows; all given back on destruction.
class Temps {
public:
    Temps(Scratch& s, int n) : s_(s), n_(n), mark_(s.mark()) {}
    ~Temps() { s_.release(mark_); }
    Temps(const Temps&) = delete;
    Temps& operator=(const Temps&) = delete;

    /// One more number of the default precision, or of precision m.
    KVnum& operator()() { return s_.take(n_); }
    KVnum& operator()(int m) { return s_.take(m); }
    Scratch& scratch() { return s_; }
    int n() const { return n_; }

private:
    Scratch& s_;
    int n_;
    Scratch::Mark mark_;
};

// out = e^x by 1 + x + x^2/2! + ..., the power and the factorial carried
// from term to term; temporaries of n limbs. Aln and Fpower share it, so that
// the same argument gives the same digits in both. x may be out. With err,
// *err is log10 of a bound on |out - e^x| counted from the cuts as they come
// (func/CutBound.h), +infinity where the terms left out cannot be bounded;
// the digits are the same either way.
void expSeries(Scratch& sc, const KVnum& x, KVnum& out, int n, long double* err = nullptr);

// out = sin x (cosine false) or cos x by their plain series, the power and
// the factorial carried, temporaries of n limbs; err as for expSeries.
void trigSeries(Scratch& sc, const KVnum& x, KVnum& out, int n, bool cosine, long double* err = nullptr);

// out = ln x for x > 0 at n limbs, by the route Ln takes (func/LogExp.cpp).
// x may be out. With err, *err is log10 of a bound on |out - ln x| where the
// plain series is summed (0.01 <= x <= 100), +infinity elsewhere.
void lnAt(Scratch& sc, const KVnum& x, KVnum& out, int n, long double* err = nullptr);

// log10 of a bound on the absolute error of a series whose terms are a
// carried power over a carried factorial, each cut at the power's last
// place, at |argument| a with n limbs: sum_k min(u a^k, a^k/k!) + K u e^a
// (u = 10^-4h, K passes); see func/LogExp.cpp. The sine and cosine series
// are bounded by it too.
double seriesCutError(long double a, int n);

// log10 of the bound on the relative error that the plain exponential series
// (expSeries) makes at argument L: seriesCutError(|L|) / e^L.
double expSeriesLoss(long double L, int n);

// out = e^L by the route Aln takes: the plain series where expSeriesLoss
// keeps at least half the digits, else the reduced route. L may be out.
void expAt(Scratch& sc, const KVnum& L, KVnum& out, int n);

// out = e^L at n limbs through e^L = 10000^j e^r, computed wider and cut.
void expReduced(Scratch& sc, const KVnum& L, KVnum& out, int n);

}  // namespace kvfunc

#endif
