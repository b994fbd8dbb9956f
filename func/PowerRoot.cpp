// Func: real powers, logarithms to any base, powers of ten, integer roots.
//
// Fpower:  x^y = e^(y ln x), the exponential summed exactly as Aln sums it.
// Afpower: log_x y = ln y / ln x.
// Alog:    10^x = Fpower(10, x); ln 10 comes from the series, not the text.
// Iroot:   Newton's iteration r <- r - (r^n - x) / (n r^(n-1)) from x / n,
//          r^n and r^(n-1) by the integer power; it ends when an iterate
//          equals its predecessor under ==, or when it repeats an earlier one
//          (see Iroot below).
// No integer exponent, base of 1 or exact result takes a shorter path.
#include <vector>

#include <kelvane/Func.h>
#include "LimbScale.h"
#include "Scratch.h"

using kvfunc::Scratch;
using kvfunc::Temps;

KVnum* Func::Fpower(KVnum* x, KVnum* y) {
    Temps T(*scratch, nlimbs);
    KVnum& L = T();
    L = *x;  // x is read before Ln writes res, so it may be res
    Ln(&L);  // a base <= 0 is reported there and gives 0, hence the result 1
    L = res;
    L *= *y;  // y is read after res was overwritten: it must not be res
    // The series of Aln, step for step, on L = y ln x.
    kvfunc::expSeries(*scratch, L, res, nlimbs);
    return &res;
}

KVnum* Func::Afpower(KVnum* x, KVnum* y) {
    Temps tmp(*scratch, nlimbs);
    KVnum& T = tmp();
    Ln(x);  // x may be res: Ln reads it first
    T = res;
    Ln(y);  // y must not be res, which now holds ln x
    res /= T;  // ln x = 0 (x = 1, or a refused x) is a division by zero
    return &res;
}

KVnum* Func::Alog(KVnum* x) {
    Temps tmp(*scratch, nlimbs);
    KVnum& T = tmp();
    T = 10;
    return Fpower(&T, x);  // x must not be res: Fpower reads it after Ln
}

namespace {

// Compares |a| with |b| as the magnitudes compare under ==: -1, 0 or 1.
int cmpMagnitude(Scratch& sc, const KVnum& a, const KVnum& b, int n) {
    Temps T(sc, n);
    KVnum &u = T(), &v = T(), &zero = T();
    zero = 0;
    u = a;
    v = b;
    if ((u == zero) < 0) {
        u = zero;
        u -= a;
    }
    if ((v == zero) < 0) {
        v = zero;
        v -= b;
    }
    return u == v;
}

// The estimates of one Iroot call, for finding a repeat.
//
// == cuts the operand with the smaller exponent to the larger one before it
// compares, so it is not transitive; but a strict result (-1 or 1) implies
// the same strict order of the true values, and if e < f strictly then
// f - e is at least one unit in e's last place. From this: when r < p
// strictly and p <= q, or r > p strictly and p >= q (p and q estimates that
// are not equal under ==), then r is not equal to q under ==. Every estimate
// kept here is unequal to all earlier ones (else the iteration has stopped),
// so == orders them exactly as their true values, and a binary search with
// == over them sorted finds whether a new estimate equals any of them in
// O(log k) comparisons instead of k.
//
// The estimates are numbers borrowed through Iroot's Temps, the lists are the
// Func's reusable ones (Scratch::estimates, Scratch::order).
class Estimates {
public:
    explicit Estimates(Temps& T) : T_(T), all_(T.scratch().estimates), order_(T.scratch().order) {
        all_.clear();
        order_.clear();
    }

    // Index of the latest estimate equal to r under ==, or -1 when none is.
    long find(const KVnum& r) const {
        size_t lo = 0, hi = order_.size();
        while (lo < hi) {
            const size_t mid = lo + (hi - lo) / 2;
            const int c = r == *all_[order_[mid]];
            if (c == 0) {
                for (size_t i = all_.size(); i-- > 0;)
                    if ((r == *all_[i]) == 0) return static_cast<long>(i);
            }
            if (c < 0)
                hi = mid;
            else
                lo = mid + 1;
        }
        return -1;
    }

    // Keeps r, which is equal to none of the estimates kept so far.
    void add(const KVnum& r) {
        size_t lo = 0, hi = order_.size();
        while (lo < hi) {
            const size_t mid = lo + (hi - lo) / 2;
            if ((r == *all_[order_[mid]]) < 0)
                hi = mid;
            else
                lo = mid + 1;
        }
        all_.push_back(&T_());
        *all_.back() = r;
        order_.insert(order_.begin() + static_cast<long>(lo), all_.size() - 1);
    }

    // The estimate of smallest magnitude from index `first` to the latest
    // (the first of them on a tie).
    const KVnum& smallestFrom(size_t first) const {
        size_t best = first;
        for (size_t i = first + 1; i < all_.size(); ++i)
            if (cmpMagnitude(T_.scratch(), *all_[i], *all_[best], T_.n()) < 0) best = i;
        return *all_[best];
    }

private:
    Temps& T_;
    std::vector<KVnum*>& all_;   // in the order found
    std::vector<size_t>& order_;  // indices into all_, ascending by value
};

}  // namespace

// Newton's iteration does not always settle: the truncated step can make the
// iterates cycle (for n >= 3 often; Iroot(3.14, 3) at 130 limbs or
// Iroot(1.01, 3) at 9 limbs never repeat one value). Every estimate is kept,
// from x / n on. After a pass whose new estimate does not equal the previous
// one but equals an earlier one (the most recent such), the estimates from
// that one up to the previous one repeat for ever: the loop stops and gives
// the one of smallest magnitude among them (the first of them on a tie).
// Where the plain loop ends, its result is the same.
//
// A step far from the root can lose its correction entirely: (r^n - x) / D,
// D = n r^(n-1), is cut at the weight of the dividend's last limb, and once D
// exceeds the integer formed by the dividend's limbs (about r > 10^(4h/(n-1)),
// h the head index) the quotient is 0 although the true correction is about
// r / n. The plain loop would then stop at once and return its start (x / 2
// for the square root of 1e300). When the quotient comes out 0 from a
// non-zero dividend, it is computed again with dividend and divisor first
// multiplied by the same power of 10000 (exact), which brings the divisor
// between 1 and 10000. Every step whose quotient is not 0 is unchanged.
KVnum* Func::Iroot(KVnum* x, int n) {
    if (n <= 1) {
        reportError("Root must be greater than one.");
        res = 0;
        return &res;
    }
    Temps T(*scratch, nlimbs);
    KVnum &X = T(), &zero = T();
    X = *x;  // x may be res: res is written only at the end
    zero = 0;
    if (n % 2 == 0 && (X == zero) < 0) {
        // No real root; the iteration would never settle.
        reportError("x must not be negative for an even root.");
        res = 0;
        return &res;
    }

    KVnum &R = T(), &N = T(), &M = T(), &C = T(), &B = T(), &D = T(), &B0 = T();
    R = X;
    N = n;
    M = n - 1;
    R /= N;
    C = 0;
    if ((C == R) != 0) {  // R is 0 only for x = 0: no iteration
        Estimates seen(T);
        seen.add(R);
        for (;;) {
            C = R;
            B = C;
            B ^= N;
            B -= X;
            D = C;
            D ^= M;
            D *= N;
            if (D.IsZero()) {
                // C^(n-1) left the exponent range ("Exponent out of range."
                // was reported): no correction can be formed, and dividing
                // would end the process. The root is given as 0.
                R = zero;
                break;
            }
            R = C;
            B0 = B;
            B /= D;
            if ((B == zero) == 0 && (B0 == zero) != 0) {
                const long long k = kvfunc::toLimbRange(*scratch, D, nlimbs);
                kvfunc::scaleByLimbs(*scratch, B0, k, nlimbs);
                B = B0;
                B /= D;
            }
            R -= B;
            if ((C == R) == 0) break;  // the plain end: R equals its predecessor

            const long first = seen.find(R);
            if (first >= 0) {
                R = seen.smallestFrom(static_cast<size_t>(first));
                break;
            }
            seen.add(R);
        }
    }
    res = R;
    return &res;
}
