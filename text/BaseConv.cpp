// KVnum::BtoB: numeric text from one radix (2..36) to another.
//
// The conversion goes through a KVnum value at this number's precision. Input
// digits are evaluated with the number arithmetic (each integer digit times a
// running power of the radix, each fractional digit divided by it); output
// digits come from repeated division (integer part, least significant first)
// and repeated multiplication (fractional part). Radix 10 on either side uses
// the decimal text routines instead. Every operation truncates, so the order
// of the steps below decides the last digits and must stay as it is.
//
// Output in a radix other than 10: integer digits, a point that is always
// written, then the fractional digits. They stop after 4 x (nlimbs/2 - 2)
// digits or at the first digit that leaves the fraction unchanged at zero, so
// a fraction that ends gets one trailing 0 digit ("1010.10" for 10.5 in radix
// 2) and an integer ends in a bare point ("FF." for 255). A fraction that a
// digit leaves unchanged but not zero repeats that digit up to the limit
// (0.5 in radix 3 is "0.11111111" at 9 limbs).
//
// Signs: a leading "-" (or "+") on the text, in any radix, and a negative
// receiver are converted as their magnitude; a non-zero result gets "-" in
// front.
//
// Refusals, each reported through reportError and answered with an empty
// text, before any arithmetic and before the caller's text is touched:
//   * a radix outside 2..36: "Radix must be between 2 and 36.";
//   * text for a radix other than 10 with a character that is not a digit of
//     the alphabet (either case), the one point or a leading sign:
//     "Invalid digit.";
//   * output in a radix other than 10 of a value whose units digit is not
//     stored (its exponent is above 0, as for 1e300 at a small precision):
//     "Value too large to convert.". Repeated division truncated at a weight
//     above 1 cannot yield the integer digits, only characters outside the
//     alphabet.
// Text for radix 10 is read with the rules of the decimal text assignment
// (exponent, skipped characters), so it is never refused.
//
// A null text pointer is treated as empty text: the receiver is converted.
// An empty receiver (made by KVnum()) reads as zero; the temporaries then take
// the precision that KVnum(0) would get.
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <kelvane/KVnum.h>

#include "number/kernels.h"

namespace {

const char* const kRadixMessage = "Radix must be between 2 and 36.";
const char* const kDigitMessage = "Invalid digit.";
const char* const kRangeMessage = "Value too large to convert.";

// The longest text of its own that a receiver may have read as digits of
// another radix: its integer digits, the zeros of its exponent included, at
// most this many. Each digit read costs a pass over the number's limbs; four
// million of them take about a second at the default precision.
const int64_t kMaxOwnDigits = 4000000;

bool radixOk(int r) { return r >= 2 && r <= 36; }

bool isAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Digit text for a radix other than 10: an optional leading sign, then
// alphabet characters and at most one point.
bool digitTextOk(const char* s) {
    if (*s == '-' || *s == '+') ++s;
    bool point = false;
    for (; *s; ++s) {
        if (*s == '.') {
            if (point) return false;
            point = true;
        } else if (!isAlnum(*s)) {
            return false;
        }
    }
    return true;
}

// Digit value of an upper-case alphabet character. Not compared with the
// radix: a 9 in radix 8 counts as 9.
int digitValue(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

char digitChar(int v) { return static_cast<char>(v < 10 ? '0' + v : 'A' + v - 10); }

// ---- Radix digits of a long integer ---------------------------------------------
//
// The integer u (base-10^4 limbs) is split as u = q c^(2^k) + r by one exact
// division, c = b^m the largest power of the radix b below 10^8, and the
// digits of q and of r (the latter padded with zeros to m 2^k) follow each
// other; below SPLIT_LIMBS limbs a part takes one pass of short division
// by c for each m digits. The powers c^(2^k) are formed once by squaring.

const int SPLIT_LIMBS = 24;

typedef std::vector<kv::limb_t> Limbs;

int trimmedSize(const Limbs& u) {
    int n = static_cast<int>(u.size());
    while (n > 0 && u[static_cast<size_t>(n - 1)] == 0) --n;
    return n;
}

class RadixDigits {
public:
    RadixDigits(std::string& out, int b) : out_(out), b_(b), m_(0), c_(1) {
        while (c_ * static_cast<uint64_t>(b) < 100000000u) {
            c_ *= static_cast<uint64_t>(b);
            ++m_;
        }
    }

    // Digits of u without leading zeros (at least one).
    void run(Limbs u) {
        int k = 0;
        // c^(2^k) for k up to the first whose square exceeds u: u < P[k]^2.
        power(0);
        while (2 * trimmedSize(powers_[static_cast<size_t>(k)]) - 1 <= trimmedSize(u)) power(++k);
        emit(u, k, false);
    }

private:
    std::string& out_;
    int b_, m_;
    uint64_t c_;
    std::vector<Limbs> powers_;

    const Limbs& power(int k) {
        while (static_cast<int>(powers_.size()) <= k) {
            if (powers_.empty()) {
                powers_.push_back(Limbs{static_cast<kv::limb_t>(c_ % 10000u), static_cast<kv::limb_t>(c_ / 10000u)});
            } else {
                const Limbs& p = powers_.back();
                const int n = trimmedSize(p);
                Limbs sq(2 * static_cast<size_t>(n));
                kv::mul(sq.data(), p.data(), n, p.data(), n);
                sq.resize(static_cast<size_t>(trimmedSize(sq)));
                powers_.push_back(sq);
            }
        }
        return powers_[static_cast<size_t>(k)];
    }

    // Digits of u < c^(2^(k+1)): exactly m 2^(k+1) of them when padded.
    void emit(Limbs& u, int k, bool padded) {
        const int un = trimmedSize(u);
        if (k < 0 || un <= SPLIT_LIMBS) {
            shortDigits(u, un, padded ? static_cast<size_t>(m_) << (k + 1) : 0);
            return;
        }
        const Limbs& p = power(k);
        const int pn = static_cast<int>(p.size());
        if (un < pn) {
            // q = 0: its digits are all zeros.
            if (padded) out_.append(static_cast<size_t>(m_) << k, '0');
            emit(u, k - 1, padded);
            return;
        }
        Limbs q(static_cast<size_t>(un - pn + 1));
        kv::divq(q.data(), u.data(), un, p.data(), pn);
        const int qn = trimmedSize(q);
        if (qn > 0) {
            // r = u - q p, below p: its limbs are the low pn of the difference.
            Limbs qp(static_cast<size_t>(qn + pn));
            kv::mul(qp.data(), q.data(), qn, p.data(), pn);
            kv::sub_n(u.data(), u.data(), qp.data(), un);
        }
        u.resize(static_cast<size_t>(pn));
        if (qn > 0 || padded) {
            q.resize(static_cast<size_t>(qn > 0 ? qn : 1));
            emit(q, k - 1, padded);
            emit(u, k - 1, true);
        } else {
            emit(u, k - 1, false);
        }
    }

    // Digits of u[0..un) by short division by c, m digits at a time;
    // `width` > 0 pads them with leading zeros to that many.
    void shortDigits(Limbs& u, int un, size_t width) {
        std::string rev;
        while (un > 0) {
            uint64_t rem = 0;
            for (int i = un - 1; i >= 0; --i) {
                const uint64_t cur = rem * 10000u + static_cast<uint64_t>(u[static_cast<size_t>(i)]);
                u[static_cast<size_t>(i)] = static_cast<kv::limb_t>(cur / c_);
                rem = cur % c_;
            }
            while (un > 0 && u[static_cast<size_t>(un - 1)] == 0) --un;
            for (int j = 0; j < m_; ++j) {
                rev += digitChar(static_cast<int>(rem % static_cast<uint64_t>(b_)));
                rem /= static_cast<uint64_t>(b_);
            }
        }
        while (rev.size() > 1 && rev.back() == '0') rev.pop_back();
        if (rev.empty()) rev = "0";
        if (width > 0) {
            if (rev.size() == 1 && rev[0] == '0') rev.clear();
            out_.append(width - rev.size(), '0');
        }
        out_.append(rev.rbegin(), rev.rend());
    }
};

void appendRadixDigits(std::string& out, const Limbs& u, int b) {
    RadixDigits(out, b).run(u);
}

}  // namespace

// A text that cannot be allocated is the library's fatal report, as for a
// limb array, not an exception.
char* KVnum::BtoB(int ibase, int obase, char* text) try {
    return BtoB_main(ibase, obase, text);
} catch (const std::bad_alloc&) {
    reportFatal("Memory allocation failure.");
}

char* KVnum::BtoB(int ibase, int obase, const char* text) try {
    // The worker may upper-case its text in place: give it a copy, so that
    // the caller's constant text stays as it is.
    if (!text) return BtoB_main(ibase, obase, nullptr);
    std::vector<char> copy(text, text + std::strlen(text) + 1);
    return BtoB_main(ibase, obase, copy.data());
} catch (const std::bad_alloc&) {
    reportFatal("Memory allocation failure.");
}

char* KVnum::BtoB_main(int ibase, int obase, char* text) {
    if (!radixOk(ibase) || !radixOk(obase)) {
        // Radix 1 would never reduce the value, 0 would divide by zero and
        // radices above 36 would run past "Z".
        reportError(kRadixMessage);
        outbuf.clear();
        return &outbuf[0];
    }
    const bool haveText = text && *text;

    // Temporaries at this number's precision (the precision policy's when
    // this number is empty; it then reads as zero).
    KVnum V(nlimbs), F(nlimbs), T(nlimbs), B(nlimbs);
    bool negative = false;

    if (ibase == 10) {
        if (haveText)
            V = static_cast<const char*>(text);
        else
            V = *this;
        negative = V.minus;
        V.minus = false;
    } else {
        std::string work;
        if (haveText) {
            if (!digitTextOk(text)) {
                reportError(kDigitMessage);
                outbuf.clear();
                return &outbuf[0];
            }
            for (char* c = text; *c; ++c)
                if (*c >= 'a' && *c <= 'z') *c = static_cast<char>(*c - 'a' + 'A');
            work = text;
        } else if (limbs && top >= 0 && static_cast<int64_t>(expo) + 4 * (top + 1) > kMaxOwnDigits) {
            // The receiver's text would be millions of digits, mostly the
            // zeros of its exponent, and reading them takes a pass for each.
            reportError(kRangeMessage);
            outbuf.clear();
            return &outbuf[0];
        } else if (limbs && top >= 0 && -static_cast<int64_t>(expo) - 4 * (top + 1) > 16 * (nlimbs / 2)) {
            // Every digit of the receiver's text lies so far after the point
            // that its term is 0 (see the fractional loop below): the value
            // read is 0, and the text itself could be enormous.
            work = "0";
        } else {
            // The receiver's decimal digits, read as digits of radix ibase.
            work = String(0, false);
        }
        if (!work.empty() && (work[0] == '-' || work[0] == '+')) {
            negative = work[0] == '-';
            work.erase(0, 1);
        }
        if (work.find('.') == std::string::npos) work += ".0";
        const size_t p = work.find('.');

        // Integer part: V = sum of digit x ibase^k, each term formed on its own.
        V = 0;
        if (p > 0) {  // a text that starts with the point has integer part 0
            T = digitValue(work[p - 1]);
            V += T;
        }
        B = ibase;
        F = 1;
        for (int64_t i = static_cast<int64_t>(p) - 2; i >= 0; --i) {
            T = digitValue(work[static_cast<size_t>(i)]);
            F *= B;
            T *= F;
            V += T;
        }

        // Fractional part: trailing zeros add nothing and are skipped. Each
        // term d / F is cut at the last place of d, 10^-4h (h = nlimbs/2 - 2),
        // so once F exceeds 35 x 10^4h every later term is 0 (F only grows):
        // the loop stops there instead of running through a long tail.
        size_t last = work.size() - 1;
        while (last > p && work[last] == '0') --last;
        KVnum beyond(nlimbs);
        beyond = ("35e" + std::to_string(4 * KVnum::HeadIndex(V.nlimbs))).c_str();
        F = 1;
        for (size_t i = p + 1; i <= last; ++i) {
            T = digitValue(work[i]);
            F *= B;
            if ((F == beyond) > 0) break;
            T /= F;
            V += T;
        }
    }
    // A zero result never shows a sign.
    negative = negative && !V.IsZero();

    if (obase == 10) {
        V.minus = negative;
        outbuf = V.String(0, false);
        return &outbuf[0];
    }

    if (V.expo > 0) {
        reportError(kRangeMessage);
        outbuf.clear();
        return &outbuf[0];
    }

    KVnum R(nlimbs), W(nlimbs), X(nlimbs);
    W = V;
    B = obase;
    std::string result;
    if (negative) result += '-';

    // Integer digits: those of floor(|V|) in radix obase, at least one ("0"
    // below 1). A long integer part is split in halves by powers of the radix
    // (each division exact, so the digits are the same); a short one takes
    // one division by the radix for each digit.
    const int h = KVnum::HeadIndex(V.nlimbs);
    if (!kv::plainPaths() && !V.IsZero() && -static_cast<int64_t>(V.expo) < 4 * static_cast<int64_t>(h + 1) - 4 * SPLIT_LIMBS) {
        std::vector<kv::limb_t> whole(V.limbs, V.limbs + h + 1);
        kv::trunc_digits(whole.data(), whole.data(), h + 1, -static_cast<int64_t>(V.expo));
        appendRadixDigits(result, whole, obase);
        Zero(&V);
    } else {
        std::string out;
        do {
            R = V;
            V /= B;
            V.Whole(&V);
            T = V;
            T *= B;
            R -= T;
            out += digitChar(V.SmallWhole(&R));
        } while (!V.IsZero());
        result.append(out.rbegin(), out.rend());
    }
    result += '.';

    // Fractional digits: W becomes the fraction; each pass moves one digit
    // of radix obase in front of the point and takes it off.
    T = W;
    V.Whole(&T);
    W -= T;
    X = 0;
    const int limit = 4 * KVnum::HeadIndex(V.nlimbs);
    if (!W.IsZero()) {
        for (int written = 0;;) {
            X = W;
            W *= B;
            T = W;
            V.Whole(&T);
            W -= T;
            result += digitChar(V.SmallWhole(&T));
            // Only a fraction that stays zero has ended. A non-zero fraction
            // that a digit leaves unchanged (0.5 in radix 3: W stays 0.5) is a
            // digit repeating for ever, not an end: "0.1" there would read
            // back as 1/3.
            if (++written >= limit || (W.IsZero() && V.Cmpf(&W, &X) == 0)) break;
        }
    }
    outbuf.swap(result);
    return &outbuf[0];
}
