// kvcalc: one line in, one result (or one error) out.
//
// A guarded result is computed at two working precisions above the chosen
// one (8 and 16 limbs more) and the two are compared. Their difference bounds
// the error of the better one; while it is too large for the digits asked
// for, the line is evaluated again with more limbs. The value printed is the
// better result plus half a unit well below the last printed digit (so that
// 1.99999...97 computed for an exact 2 prints as 2), truncated after the last
// digit that the comparison vouches for. A result that lies that close to a
// cut between two printed values is first computed again with 32 more
// digits, up to twice, so that only a result that stays on the cut is taken
// as exact.
#ifndef KVCALC_CALCULATOR_H
#define KVCALC_CALCULATOR_H

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "Engine.h"

namespace kvcalc {

struct Options {
    int precision = 0;   // limbs, after the library's policy
    int digits = -1;     // fractional digits to print; -1: all that are vouched for
    bool group = false;
    int obase = 10;
    bool raw = false;
    bool literal = false;
};

class Calculator {
public:
    explicit Calculator(const Options& opt);

    /// Processes one line: prints its result to `out` (an assignment prints
    /// nothing) or its error to `err`. Returns 0, 1 for an arithmetic or
    /// domain error, 2 for a syntax error.
    int processLine(const std::string& line, FILE* out, FILE* err);

private:
    struct Outcome {
        std::unique_ptr<KVnum> best;   // the most precise evaluation
        int64_t snapExp = 0;           // half of 10^snapExp is added before cutting
        int64_t lastExp = 0;           // exponent of the last printed digit
    };

    Options opt_;
    Engine engine_;
    std::map<std::string, std::unique_ptr<KVnum>> vars_;
    std::unique_ptr<KVnum> ans_;

    Outcome guarded(const Node& e);
    std::string formatGuarded(const Outcome& o);
    std::string formatLiteral(KVnum& v);
    std::string formatRadix(const KVnum& v, int64_t snapExp, int64_t lastExp, int fracDigits);
    std::string formatRaw(KVnum& v);
};

/// Decimal text of sign x digits x 10^last. With digits >= 0 exactly that
/// many fractional digits are shown; otherwise trailing fractional zeros go
/// and the form is scientific when the units digit is not among the digits
/// or the number is below 1e-20.
std::string formatDecimal(bool negative, std::string digits, int64_t last, int fracDigits, bool group);

}  // namespace kvcalc

#endif
