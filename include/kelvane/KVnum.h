/// \file
/// KVnum: a signed decimal floating-point number with base-10000 limbs.
///
/// Value = M x 10^expo, M = sum of limbs[i] x 10000^i (least significant limb
/// first). The working precision `nlimbs` is fixed when the number is made.
///
/// Normal form (every public operation leaves its result so):
///   zero:     top = -1, expo = 0, minus = false, every limb 0 (never negative);
///   non-zero: top = h = HeadIndex(nlimbs) = nlimbs/2 - 2, limbs[h] != 0, every limb above h is 0.
/// So a number carries h + 1 significant limbs (253 to 256 digits at the
/// default 130 limbs); the limbs above h are headroom for products.
///
/// All arithmetic truncates toward zero; nothing rounds. The order of the
/// operations a caller performs therefore decides the last digits.
///
/// Rules for inputs outside the basic contract:
///  * Precision: a count below MIN_LIMBS is replaced by the environment
///    variable PRECISION (read with atoi rules on every such construction) when
///    that reads as 9 or more, and by DEFAULT_LIMBS otherwise. A precision above
///    MAX_LIMBS cannot be allocated: "Memory allocation failure." and exit.
///  * Mixed precisions: an operand of another precision is first converted to
///    the receiver's precision (digits cut without rounding, or zero limbs
///    added). Assigning a number of another precision converts its value; a
///    number's precision never changes after it has a limb array.
///  * Empty numbers (made by KVnum()): read as zero when used as an operand;
///    as a target they first get a limb array (the source number's precision,
///    or the precision policy's when there is no source number).
///  * Exponent range: a result whose exponent does not fit a 32-bit int is
///    reported as "Exponent out of range." and becomes zero. This covers text
///    such as "1e99999999999" as well as products and quotients.
///  * Fatal failures ("Memory allocation failure.", "Division by zero") are
///    reported and end the process with EXIT_FAILURE.
#ifndef KELVANE_KVNUM_H
#define KELVANE_KVNUM_H

#include <cstdint>
#include <string>

#include <kelvane/KVerror.h>

// The private operations are the library's own: not exported, so that the
// library's calls to them bind directly instead of through the symbol table.
#if defined(_WIN32)
#define KELVANE_LOCAL
#else
#define KELVANE_LOCAL __attribute__((visibility("hidden")))
#endif

struct KVnumInternal;

/// A signed decimal floating-point number with base-10000 limbs and a
/// working precision fixed when it is made. See the file comment for the
/// normal form and the rules for inputs outside the basic contract.
class KELVANE_API KVnum {
public:
    static const int LIMB_BASE = 10000;     ///< four decimal digits per limb
    static const int MIN_LIMBS = 9;         ///< smallest precision accepted from a caller
    static const int DEFAULT_LIMBS = 130;   ///< 253 to 256 significant digits
    static const int MAX_LIMBS = 1 << 26;   ///< largest precision that is allocated

    /// The index h of the head limb of every non-zero number of `nlimbs`
    /// limbs: nlimbs/2 - 2. Such a number holds h + 1 significant limbs, so
    /// 4h + 1 to 4h + 4 significant digits.
    static constexpr int HeadIndex(int nlimbs) { return nlimbs / 2 - 2; }

    /// Makes a zero number of `n` limbs, after the precision policy above.
    explicit KVnum(int n);
    /// Makes an empty number with no limb array (prints as "0").
    KVnum();
    /// Independent copy: own limb array, same value and precision, same text.
    KVnum(const KVnum& x);
    /// Releases the limb array and the text buffer.
    ~KVnum();

    /// Copies the value of `x` (outbuf stays). Converts to this number's
    /// precision when `x` has another one.
    void operator=(const KVnum& x);

    /// Assignment from decimal text: optional leading sign, digits with at
    /// most one meaningful ".", other characters skipped, optional exponent
    /// after the first "e" (else "E", "g", "G"). At most 2*nlimbs-4 mantissa
    /// characters are read; integer digits beyond them raise the exponent so
    /// the kept digits keep their place value. A null pointer assigns zero.
    void operator=(const char* s);
    void operator=(char* s);  ///< as the const char* overload
    /// Native values are printed ("%d", "%u", "%ld", "%lu", PRId64, PRIu64)
    /// into a per-thread buffer and read by the text rules above.
    void operator=(int v);
    void operator=(unsigned int v);
    void operator=(long v);                ///< full 64-bit width on LP64
    void operator=(unsigned long v);
    void operator=(long long v);           ///< the 64-bit signed overload
    void operator=(unsigned long long v);  ///< the 64-bit unsigned overload
    /// Written with "%32.28g" and parsed. Infinities and NaN are reported as
    /// "Value is not a finite number." and assign zero.
    void operator=(double v);
    void operator=(float v);               ///< widened exactly to double

    /// Three-way comparison: -1, 0 or 1. Magnitudes are compared after the
    /// operand with the smaller exponent is cut to the larger exponent, so
    /// digits below the other number's last digit do not take part.
    int operator==(const KVnum& x) const;

    void operator+=(const KVnum& x);   ///< this + x, truncated
    void operator-=(const KVnum& x);   ///< this - x, truncated
    void operator*=(const KVnum& x);   ///< this * x, truncated to h + 1 limbs
    /// this / x, truncated at the weight of this number's last limb and then
    /// to the working precision. A zero divisor: "Division by zero" and exit.
    void operator/=(const KVnum& x);
    /// this to the power of the integer part of |x| by repeated
    /// multiplication; a negative x reports "Power forced to positive.".
    void operator^=(const KVnum& x);
    /// Cuts the number to its integer part (toward zero), in the stored form
    /// that reading the integer digits of its text back gives. The text of
    /// an earlier String call is no longer valid afterwards.
    void Intp();

    /// Decimal text: ndec > 0 keeps exactly ndec fractional digits (cut, not
    /// rounded); comma groups the integer digits in threes. The text lives in
    /// this number until the next String, BtoB or Intp call on it.
    char* String(int ndec, bool comma);

    /// Converts numeric text (or, for empty text, this number) from radix
    /// `ibase` to radix `obase` (2..36). The result lives in this number.
    char* BtoB(int ibase, int obase, char* text);
    char* BtoB(int ibase, int obase, const char* text);

    int Nlimbs() const { return nlimbs; }          ///< the precision in limbs (0 when empty)
    int Expo() const { return expo; }              ///< decimal exponent of limb 0
    int Top() const { return top; }                ///< index of the head limb, -1 for zero
    bool Minus() const { return minus; }           ///< true when negative (never for zero)
    int32_t Limb(int i) const { return limbs[i]; } ///< limb i, 0..9999; 0 <= i < Nlimbs()
    bool IsZero() const { return top < 0; }        ///< true for zero (and an empty number)

private:
    int32_t nlimbs;
    int32_t expo;
    int32_t top;
    bool minus;
    int32_t* limbs;
    std::string outbuf;

    // The library's own layers reach the helpers they need through
    // number/Internal.h, which is not installed.
    friend struct KVnumInternal;

    // The private operations work on the numbers passed to them; the
    // receiver supplies only its precision (loop bounds, head index, the
    // precision of temporaries).
    KELVANE_LOCAL void Zero(KVnum* x) const;
    KELVANE_LOCAL void Copyf(KVnum* d, const KVnum* s) const;
    KELVANE_LOCAL int Cmpf(const KVnum* a, const KVnum* b) const;
    KELVANE_LOCAL void Addf(KVnum* a, const KVnum* b) const;
    KELVANE_LOCAL void Subf(KVnum* a, const KVnum* b) const;
    KELVANE_LOCAL void Assign_main(const char* s);
    KELVANE_LOCAL char* BtoB_main(int ibase, int obase, char* text);

    // Gives an empty number a zeroed limb array of `n` limbs (after the
    // precision policy); does nothing to a number that has one.
    KELVANE_LOCAL void Ensure(int n);
    // Returns `x` itself when it has this number's precision, otherwise a
    // converted copy held in `tmp`. An empty `x` reads as zero.
    KELVANE_LOCAL const KVnum* Same(const KVnum& x, KVnum& tmp) const;
    // Brings x to normal form (head limb at index h, the limbs moved below it
    // dropped without rounding) with the exponent taken from `e` instead of
    // x's own, so that exponent sums are carried in 64 bits until the final
    // normal form. `hi` > 0 tells that every limb of x from index hi up is 0, so that only
    // limbs below it need to be looked at and moved.
    KELVANE_LOCAL void Shift(KVnum* x, int64_t e, int hi = 0) const;
    // |a| compared with |b| after the operand with the smaller exponent is
    // cut to the larger exponent (Cmpf's rule), for
    // limb arrays that need not belong to numbers.
    KELVANE_LOCAL int CmpMag(const int32_t* ua, int32_t ea, int ta, const int32_t* ub, int32_t eb, int tb) const;
    // Stores `e` as x's exponent. Out of the int range x becomes zero after
    // "Exponent out of range."; returns false in that case.
    KELVANE_LOCAL bool PutExpo(KVnum* x, int64_t e) const;
    // Magnitude sum or difference of a and b, aligned as Cmpf aligns them,
    // into d (which may be a or b), then normal form. For a difference
    // |a| >= |b| after alignment. The sign of d is left as it was.
    KELVANE_LOCAL void AddSubInto(KVnum* d, const KVnum* a, const KVnum* b, bool subtract) const;
    // The integer part of x (toward zero), in the form Intp gives, computed
    // from the limbs without printing: for internal temporaries, whose text
    // nobody reads and whose exponent may make the text enormous.
    KELVANE_LOCAL void Whole(KVnum* x) const;
    // |x| cut to its integer part, as a native integer; |x| below 10^8.
    KELVANE_LOCAL int SmallWhole(const KVnum* x) const;
    KELVANE_LOCAL void AssignNative(const char* text);
    // ^= for an exponent that is not a count below 2^62 (y has this
    // number's precision; its sign has been reported).
    KELVANE_LOCAL void PowerGeneral(const KVnum* y);
    // Assignment of the integer -mag or mag in the stored form its text would
    // get; false (nothing done) when that text would not fit the window.
    KELVANE_LOCAL bool AssignInteger(bool neg, uint64_t mag);
    // |x| compared with 1 as this precision stores it (limb h = 1, exponent
    // -4h), under Cmpf's rule: -1, 0 or 1.
    KELVANE_LOCAL int CmpOne(const KVnum* x) const;
};

#endif
