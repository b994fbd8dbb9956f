// kvcalc: one line in, one result (or one error) out.
//
// Each line is a tree evaluated in balls (Eval): exact where it can be, a
// ball that holds the true value elsewhere. The digits to print are decided
// from the ball alone: both ends of the ball must give the same printed text
// (after truncation toward zero). When they do not, or when a question on
// the way (a sign, an integer) could not be answered, the whole line is
// evaluated again with more digits, up to a generous cap; what is still
// undecided there is reported, never guessed.
#ifndef KVCALC_CALCULATOR_H
#define KVCALC_CALCULATOR_H

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "Engine.h"
#include "Eval.h"

namespace kvcalc {

struct Options {
    int precision = 0;   // limbs, after the library's policy
    int sig = 0;         // significant digits to print; 0: those of the precision
    int digits = -1;     // fractional digits to print; -1: significant digits
    bool group = false;
    int obase = 10;
    int ibase = 10;
    bool raw = false;
    bool literal = false;
    bool sci = false;
};

class Calculator {
public:
    explicit Calculator(const Options& opt);

    /// Processes one line: prints its result to `out` (an assignment or a
    /// definition prints nothing) or its error to `err`, each error line
    /// after `where` (e.g. "file:3: ") when given. Session commands (help,
    /// digits N, ...) are handled here too. Returns 0, 1 for an arithmetic
    /// or domain error, 2 for a syntax error.
    int processLine(const std::string& line, FILE* out, FILE* err, const std::string& where = "");

    const Options& options() const { return opt_; }

    /// Significant digits printed by default.
    int significant() const;

    /// The text of a proven value (for the tests): the digits `opt` asks for.
    static std::optional<std::string> render(const Value& v, int W, const Options& opt, int64_t& more);

private:
    Options opt_;
    Env env_;
    Evaluator ev_;
    Engine literal_;
    std::map<std::string, std::unique_ptr<KVnum>> litVars_;
    std::unique_ptr<KVnum> litAns_;

    /// Evaluates with rising precision until the output is decided; returns
    /// its text and the value.
    std::string prove(const Node& e, Value& value, int& limbs);
    /// Evaluates until no question is left open (for assignments).
    Value settle(const Node& e, int& limbs);
    bool command(const std::string& line, FILE* out, FILE* err, const std::string& where, int& status);
    std::string formatLiteral(KVnum& v);
};

/// Decimal text of sign x digits x 10^last. With fracDigits >= 0 exactly that
/// many fractional digits are shown; otherwise trailing fractional zeros go
/// and the form is scientific when the units digit is not among the digits
/// or the number is below 1e-20 (always, with `sci`).
std::string formatDecimal(bool negative, std::string digits, int64_t last, int fracDigits, bool group,
                          bool sci = false);

/// The digits of an integer T >= 0 in radix R (2..36).
std::string toRadix(const KVnum& T, int R);

/// The help text of the session.
extern const char* const kSessionHelp;

}  // namespace kvcalc

#endif
