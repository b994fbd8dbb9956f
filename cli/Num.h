// kvcalc: small helpers on KVnum values, built on its public interface.
#ifndef KVCALC_NUM_H
#define KVCALC_NUM_H

#include <cstdint>
#include <string>

#include <kelvane/KVnum.h>

namespace kvcalc {

/// An error that ends the evaluation of one line. `printed` is set when the
/// library has already shown the message through the error handler.
struct CalcError {
    int status;           // 1: arithmetic or domain error, 2: syntax
    std::string message;
    bool printed = false;
};

/// Installs the error handler that records and prints the library's reports.
void installReportHandler();
/// Number of reports the library has made so far, and the latest message.
long reportCount();
const std::string& lastReport();

/// Significant decimal digits that a number of `limbs` limbs holds at most.
int digitsOf(int limbs);

/// dst takes src's value and its precision. (KVnum's own assignment keeps
/// the receiver's precision and cuts the value to it.)
void assign(KVnum& dst, const KVnum& src);

KVnum make(int limbs, const char* text);
KVnum make(int limbs, const std::string& text);
KVnum make(int limbs, long long v);

/// floor(log10 |x|) for a non-zero x (0 for zero).
int64_t mag10(const KVnum& x);
/// Exponent of the last stored digit (the weight of the last limb).
inline int64_t lastDigitExp(const KVnum& x) { return x.Expo(); }

/// The significant digits of a non-zero x (no leading zeros; trailing zeros
/// of the stored limbs kept) and the exponent of the last of them, so that
/// |x| = digits x 10^last.
void digitsOf(const KVnum& x, std::string& digits, int64_t& last);

/// The number sign * digits x 10^last at the given precision (cut, if the
/// digits do not fit).
KVnum fromDigits(int limbs, bool negative, const std::string& digits, int64_t last);

/// 10^e as a number.
KVnum pow10(int limbs, int64_t e);

KVnum absOf(const KVnum& x);
KVnum negOf(const KVnum& x);

/// Three-way comparison of x with a small constant given as text.
int cmp(const KVnum& x, const char* text);

/// True when x has no non-zero digit below the units place.
bool isInteger(const KVnum& x);
/// Integer part, toward zero.
KVnum intPart(const KVnum& x);
/// Nearest integer (halves away from zero).
KVnum roundInt(const KVnum& x);
/// The value of an integer x when |x| < 10^18; false otherwise.
bool toInt64(const KVnum& x, long long& v);
/// A rough double value of x (for estimates only); also its log10.
double approx(const KVnum& x);
double approxLog10(const KVnum& x);

/// Significant digits of x, from its first to its last non-zero digit.
int64_t sigDigits(const KVnum& x);
/// Exponent of the last non-zero digit of a non-zero x.
int64_t lowExp(const KVnum& x);
/// Precision in limbs that holds `digits` significant digits wherever they
/// fall against the limb boundaries.
int limbsExact(int64_t digits);
/// a + b, a - b, a * b with every digit kept (the result's precision is
/// chosen to hold them).
KVnum exactAdd(const KVnum& a, const KVnum& b);
KVnum exactSub(const KVnum& a, const KVnum& b);
KVnum exactMul(const KVnum& a, const KVnum& b);
/// -1, 0, 1 for a < b, a = b, a > b, exactly.
int exactCmp(const KVnum& a, const KVnum& b);
/// x * 10^k, exactly (k a multiple of 4 moves only the exponent).
KVnum shift10(const KVnum& x, int64_t k);

}  // namespace kvcalc

#endif
