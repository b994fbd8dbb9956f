// kvcalc: the literal back-end. Each operation goes straight to the
// library at the working precision, with no reduction and no guard: what the
// library itself gives, for those who study it.
#include "Engine.h"

#include <kelvane/Func.h>

namespace kvcalc {

namespace {

KVnum convert(const KVnum& x, int W) {
    KVnum r(W);
    r = x;
    return r;
}

const long long kMaxFactorial = 999999;  // the library refuses 10^6 and more

}  // namespace

void Engine::check() {
    if (reportCount() != seen_) {
        seen_ = reportCount();
        throw CalcError{1, lastReport()};
    }
}

void Engine::divideLiteral(KVnum& a, const KVnum& b) {
    check();
    if (b.IsZero()) throw CalcError{1, "Division by zero"};
    a /= b;
    check();
}

KVnum Engine::eval(const Node& n, int limbs) {
    seen_ = reportCount();
    KVnum r = evalLiteral(n, limbs);
    check();
    return r;
}

// ---------------------------------------------------------------------------
// Literal evaluation: the library's own operations at the working precision.

KVnum Engine::evalLiteral(const Node& n, int W) {
    switch (n.kind) {
        case Node::Number: {
            if (n.radix != 10) throw CalcError{1, "Numbers in another radix are not available with --literal"};
            KVnum v = make(W, n.text);
            check();
            return v;
        }
        case Node::Variable: {
            const KVnum* p = lookup ? lookup(n.text) : nullptr;
            if (!p) throw CalcError{2, "unknown name '" + n.text + "'"};
            return convert(*p, W);
        }
        case Node::Ans:
            return ans ? convert(*ans, W) : KVnum(W);
        case Node::Mod:
        case Node::UserCall:
            throw CalcError{1, "This is not available with --literal"};
        case Node::Const: {
            Func f(W);
            KVnum* r = n.constant == Constant::Pi ? f.Pi() : n.constant == Constant::E ? f.e() : f.PHI();
            KVnum v = convert(*r, W);
            check();
            return v;
        }
        case Node::Neg:
            return negOf(evalLiteral(*n.kids[0], W));
        case Node::Add: case Node::Sub: case Node::Mul: case Node::Div: {
            KVnum a = evalLiteral(*n.kids[0], W);
            KVnum b = evalLiteral(*n.kids[1], W);
            if (n.kind == Node::Add) a += b;
            else if (n.kind == Node::Sub) a -= b;
            else if (n.kind == Node::Mul) a *= b;
            else divideLiteral(a, b);
            check();
            return a;
        }
        case Node::Pow: {
            KVnum a = evalLiteral(*n.kids[0], W);
            KVnum b = evalLiteral(*n.kids[1], W);
            if (isInteger(b)) {
                long long v = 0;
                if (!toInt64(b, v) || v > kMaxFactorial || v < -kMaxFactorial)
                    throw CalcError{1, "Integer exponent too large for the library's power (at most 999999)"};
                if (a.IsZero() && v < 0) throw CalcError{1, "Division by zero"};
                KVnum p(a);
                p ^= absOf(b);
                check();
                if (v < 0) {
                    KVnum one = make(W, 1);
                    divideLiteral(one, p);
                    return one;
                }
                return p;
            }
            Func f(W);
            KVnum r = convert(*f.Fpower(&a, &b), W);
            check();
            return r;
        }
        case Node::Fact: {
            KVnum a = evalLiteral(*n.kids[0], W);
            if (a.Minus()) throw CalcError{1, "Factorial needs a non-negative integer"};
            if (cmp(a, "1") < 0) return make(W, 1);
            long long v = 0;
            if (!toInt64(a, v) || v > kMaxFactorial)
                throw CalcError{1, "Factorial argument too large (at most 999999)"};
            Func f(W);
            KVnum r = convert(*f.Factorial(&a), W);
            check();
            return r;
        }
        case Node::Call:
            return callLiteral(n, W);
    }
    throw CalcError{2, "unsupported expression"};
}

KVnum Engine::callLiteral(const Node& n, int W) {
    KVnum x = evalLiteral(*n.kids[0], W);
    Func f(W);
    KVnum* r = nullptr;
    switch (n.fn) {
        case Fn::Ln: r = f.Ln(&x); break;
        case Fn::Exp: r = f.Aln(&x); break;
        case Fn::Log: r = f.Log(&x); break;
        case Fn::Sqrt:
            r = f.Iroot(&x, 2);  // a negative x is refused there
            break;
        case Fn::Root: {
            KVnum k = evalLiteral(*n.kids[1], W);
            long long idx = 0;
            if (!isInteger(k) || !toInt64(k, idx) || idx > 1000000000LL || idx < -1000000000LL)
                throw CalcError{1, "The root index must be an integer"};
            r = f.Iroot(&x, static_cast<int>(idx));
            break;
        }
        case Fn::Pow: {
            KVnum y = evalLiteral(*n.kids[1], W);
            r = f.Fpower(&x, &y);
            break;
        }
        case Fn::Logb: {
            KVnum y = evalLiteral(*n.kids[1], W);
            // Afpower divides by ln b; the library would end the process on
            // a zero divisor, so those bases are refused here first.
            if (x.IsZero() || x.Minus()) {
                f.Ln(&x);
                check();
                throw CalcError{1, "x must be greater than 0"};
            }
            if (cmp(x, "1") == 0) throw CalcError{1, "Division by zero"};
            r = f.Afpower(&x, &y);
            break;
        }
        case Fn::Sin: r = f.Sin(&x); break;
        case Fn::Cos: r = f.Cos(&x); break;
        case Fn::Tan: {
            KVnum c = convert(*f.Cos(&x), W);
            check();
            if (c.IsZero()) throw CalcError{1, "Division by zero"};
            r = f.Tan(&x);
            break;
        }
        case Fn::Asin: r = f.Arcsin(&x); break;
        case Fn::Acos: r = f.Arccos(&x); break;
        case Fn::Atan: r = f.Arctan(&x); break;
        case Fn::Rad: r = f.DtoR(&x); break;
        case Fn::Deg: r = f.RtoD(&x); break;
        case Fn::Int: {
            KVnum i(x);
            i.Intp();
            return i;
        }
        default:
            throw CalcError{1, "'" + n.text + "' is not available with --literal"};
    }
    KVnum v = convert(*r, W);
    check();
    return v;
}

}  // namespace kvcalc
