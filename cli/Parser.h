// kvcalc: tokenizer and parser for one line of input.
//
// Grammar (lowest precedence first):
//   line     := [NAME '='] expr | NAME '(' [NAME (',' NAME)*] ')' '=' expr
//   expr     := term (('+' | '-') term)*
//   term     := unary (('*' | '/' | '%') unary)*
//   unary    := ('-' | '+') unary | power
//   power    := postfix ['^' unary]          right-associative: 2^3^2 = 2^9
//   postfix  := primary '!'*
//   primary  := NUMBER | NAME | NAME '(' expr (',' expr)* ')' | '(' expr ')'
//
// So -2^2 is -(2^2) and 2^-1 is 2^(-1). Numbers are digits with at most one
// point and an optional exponent (1.5e-3); the exponent marker is taken only
// when a digit follows it, so "2e" is the number 2 followed by the name e.
// 0x1F, 0o17 and 0b101 are integers in radix 16, 8 and 2. With an input
// radix R other than 10, numbers are written in radix R (digits 0-9 and the
// capital letters, one point, no exponent), and a word of capital letters
// that are all digits of R is a number.
#ifndef KVCALC_PARSER_H
#define KVCALC_PARSER_H

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kvcalc {

enum class Fn {
    Ln, Exp, Log, Sqrt, Root, Pow, Logb, Sin, Cos, Tan, Asin, Acos, Atan, Rad, Deg, Int,
    Abs, Floor, Ceil, Round, Min, Max, Sinh, Cosh, Tanh, Asinh, Acosh, Atanh, Atan2, Hypot,
    Log2, Log10, Cbrt, Gamma, Lgamma
};

enum class Constant { Pi, E, Phi };

struct Node {
    enum Kind { Number, Variable, Const, Ans, Neg, Add, Sub, Mul, Div, Mod, Pow, Fact, Call, UserCall };
    Kind kind;
    size_t pos = 0;        // column of the token that made the node
    std::string text;      // number literal (digits only for another radix), variable or function name
    int radix = 10;        // for Number
    Fn fn = Fn::Ln;        // for Call
    Constant constant = Constant::Pi;  // for Const
    std::vector<std::unique_ptr<Node>> kids;

    Node(Kind k, size_t p) : kind(k), pos(p) {}
};

struct Statement {
    std::string target;            // empty unless the line is "name = expr" or a definition
    bool function = false;         // "name(params) = expr"
    std::vector<std::string> params;
    std::unique_ptr<Node> expr;    // null for an empty line
};

struct SyntaxError {
    size_t pos;
    std::string reason;
};

/// Parses one line. `isVariable` and `isFunction` tell whether a name is a
/// known variable or user function; `ibase` is the input radix. Throws
/// SyntaxError. A line holding only blanks (or a "#" comment) gives a
/// Statement without an expression.
Statement parseLine(const std::string& line, const std::function<bool(const std::string&)>& isVariable,
                    const std::function<bool(const std::string&)>& isFunction = nullptr, int ibase = 10);

/// True for the names that kvcalc reserves (functions, constants, ans).
bool isReservedName(const std::string& name);

/// The names of the functions with their argument counts, for help texts.
struct FnInfo {
    const char* name;
    Fn fn;
    int arity;  // -2: two or more
};
const std::vector<FnInfo>& functionTable();

}  // namespace kvcalc

#endif
