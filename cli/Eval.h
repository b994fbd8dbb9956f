// kvcalc: one walk over an expression tree, giving a Value at a working
// precision. Exact subtrees come out exact; the rest are balls that hold the
// true value. A question a ball cannot answer yet throws NeedPrecision, and
// the caller (Calculator) evaluates again with more digits.
#ifndef KVCALC_EVAL_H
#define KVCALC_EVAL_H

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Parser.h"
#include "Value.h"

namespace kvcalc {

struct Binding;

/// A user function: f(x, y) = body.
struct UserFn {
    std::string name;
    std::vector<std::string> params;
    std::shared_ptr<const Node> body;
};

/// The names an expression sees.
struct Env {
    std::map<std::string, std::shared_ptr<Binding>> vars;
    std::map<std::string, std::shared_ptr<const UserFn>> fns;
    std::shared_ptr<Binding> ans;
};

/// A variable: its defining expression with the names it saw, and the best
/// value found so far. An exact value is kept as it is; a ball is computed
/// again at a higher precision when a later line needs more digits of it.
struct Binding {
    std::shared_ptr<const Node> expr;
    Env env;
    std::optional<Value> value;
    int limbs = 0;
};

class Evaluator {
public:
    /// The value of `n` with the names of `env`, at about W limbs.
    Value eval(const Node& n, const Env& env, int W);
    /// The value of a binding at about W limbs (computed again if needed).
    Value valueOf(Binding& b, int W);

private:
    struct Frame {
        const UserFn* fn;
        std::vector<Value> args;
    };
    std::vector<Frame> frames_;

    Value walk(const Node& n, const Env& env, int W);
    Value call(const Node& n, const Env& env, int W);
    Value callUser(const Node& n, const Env& env, int W);
};

// Operations on values (also used by the tests).
Value addV(const Value& a, const Value& b, int W);
Value subV(const Value& a, const Value& b, int W);
Value mulV(const Value& a, const Value& b, int W);
Value divV(const Value& a, const Value& b, int W);
Value negV(const Value& a, int W);
Value powV(const Value& a, const Value& b, int W);
Value fnV(Fn f, const std::vector<Value>& args, int W);
Value factorialV(const Value& a, int W);
Value modV(const Value& a, const Value& b, int W);

}  // namespace kvcalc

#endif
