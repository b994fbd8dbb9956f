// kvcalc: the proving driver, output formatting and session commands.
#include "Calculator.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <vector>

#include "BallFunc.h"

namespace kvcalc {

const char* const kSessionHelp =
    "Type an expression and press Enter; the result is printed truncated, every\n"
    "digit correct. Examples:\n"
    "  2^100            sqrt(2)          sin(pi/6)        10!\n"
    "  x = 1/3          x*3              f(x) = x^2 + 1   f(3)\n"
    "  atan2(1, -1)     hypot(3, 4)      0x1F + 0b101     7 % 3\n"
    "Operators: + - * / % (remainder, sign of the dividend) ^ (power) ! (factorial)\n"
    "Functions: sqrt cbrt root(x,n) exp ln log log2 log10 logb(b,x) pow(x,y)\n"
    "  sin cos tan asin acos atan atan2(y,x) sinh cosh tanh asinh acosh atanh\n"
    "  abs floor ceil round int min max hypot gamma lgamma rad deg\n"
    "Constants: pi e phi; ans is the last result.\n"
    "Commands:\n"
    "  digits N     print N digits after the point   (digits off: significant digits)\n"
    "  sig N        print N significant digits\n"
    "  limbs N      working precision in limbs of four digits (as -p)\n"
    "  obase R      print in radix R (2..36)          ibase R: read numbers in radix R\n"
    "  sci on|off   scientific notation               group on|off: 1,234,567\n"
    "  settings     show the settings                 help: this text\n"
    "  quit, exit or Ctrl-D ends the session; Ctrl-C stops a long computation.\n";

namespace {

std::string groupThrees(const std::string& intPart) {
    std::string g;
    const size_t n = intPart.size();
    for (size_t k = 0; k < n; ++k) {
        if (k > 0 && (n - k) % 3 == 0) g += ',';
        g += intPart[k];
    }
    return g;
}

void printSyntaxError(const std::string& line, const SyntaxError& e, FILE* err, const std::string& where) {
    std::string shown;
    size_t col = 0;  // display column of the error position
    for (size_t i = 0; i < line.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        const bool cont = (c & 0xC0) == 0x80;  // UTF-8 continuation byte: no column of its own
        if (i < e.pos && !cont) ++col;
        if (c == '\t' || c == '\r' || c == '\n') shown += ' ';
        else shown += static_cast<char>(c);
    }
    std::fprintf(err, "%sSyntax error: %s\n  %s\n  %s^\n", where.c_str(), e.reason.c_str(), shown.c_str(),
                 std::string(col, ' ').c_str());
    std::fflush(err);
}

KVnum one() { return make(10, 1LL); }

// 10^m <= |q| < 10^(m+1) for a non-zero rational.
int64_t ratMag(const Rat& q) {
    const Ball b = q.ball(limbsAt(40));
    int64_t m = mag10(b.mid());
    const Rat a = q.sign() < 0 ? neg(q) : q;
    for (int guard = 0; guard < 4; ++guard) {
        if (cmp(a, Rat::of(shift10(one(), m))) < 0) {
            --m;
        } else if (cmp(a, Rat::of(shift10(one(), m + 1))) >= 0) {
            ++m;
        } else {
            break;
        }
    }
    return m;
}

// floor(|q| * F) for a rational q and an exact factor F > 0, as an integer.
KVnum truncTimes(const Rat& q, const KVnum& F) {
    KVnum N = exactMul(absOf(q.n), F);
    KVnum D = q.unit ? one() : q.d;
    const int64_t s = std::max<int64_t>({0, N.IsZero() ? 0 : -lowExp(N), -lowExp(D)});
    return intDiv(shift10(N, s), shift10(D, s));
}

// The magnitude of both ends of a ball when it is one number of decades.
bool ballMag(const Ball& b, int64_t& m) {
    if (hasZero(b)) return false;
    const KVnum lo = loOf(b), hi = hiOf(b);
    // Ends widened past zero (a radius the ends cannot hold finely) decide nothing.
    if (lo.IsZero() || hi.IsZero() || lo.Minus() != hi.Minus()) return false;
    const int64_t a = mag10(lo), c = mag10(hi);
    if (a != c) return false;
    m = a;
    return true;
}

}  // namespace

std::string formatDecimal(bool negative, std::string d, int64_t last, int frac, bool group, bool sci) {
    const size_t nz = d.find_first_not_of('0');
    d.erase(0, nz == std::string::npos ? d.size() : nz);
    if (sci) {
        if (d.empty()) return frac > 0 ? "0." + std::string(static_cast<size_t>(frac), '0') + "e0" : "0";
        const int64_t top = last + static_cast<int64_t>(d.size()) - 1;
        std::string mant = d.substr(1);
        if (frac >= 0) {
            mant.resize(static_cast<size_t>(frac), '0');
        } else {
            while (!mant.empty() && mant.back() == '0') mant.pop_back();
        }
        std::string out = negative ? "-" : "";
        out += d[0];
        if (!mant.empty()) out += "." + mant;
        return out + "e" + std::to_string(top);
    }
    if (frac >= 0) {
        const int64_t want = -static_cast<int64_t>(frac);
        if (!d.empty() && last < want) {
            const int64_t cut = want - last;
            if (cut >= static_cast<int64_t>(d.size())) d.clear();
            else d.resize(d.size() - static_cast<size_t>(cut));
        } else if (!d.empty() && last > want) {
            d.append(static_cast<size_t>(last - want), '0');
        }
        last = want;
        const size_t z = d.find_first_not_of('0');
        d.erase(0, z == std::string::npos ? d.size() : z);
        if (d.empty()) return frac > 0 ? "0." + std::string(static_cast<size_t>(frac), '0') : "0";
    } else {
        while (!d.empty() && last < 0 && d.back() == '0') {
            d.pop_back();
            ++last;
        }
        if (d.empty()) return "0";
    }
    const int64_t len = static_cast<int64_t>(d.size());
    const int64_t top = last + len - 1;  // exponent of the first digit
    std::string out = negative ? "-" : "";
    if (frac < 0 && (last > 0 || top < -20)) {
        size_t keep = d.size();
        while (keep > 1 && d[keep - 1] == '0') --keep;
        out += d[0];
        if (keep > 1) out += "." + d.substr(1, keep - 1);
        out += "e" + std::to_string(top);
        return out;
    }
    std::string ip, fp;
    if (top >= 0) {
        ip = d.substr(0, static_cast<size_t>(top + 1));
        if (last > 0) ip.append(static_cast<size_t>(last), '0');
        if (last < 0) fp = d.substr(static_cast<size_t>(top + 1));
    } else {
        ip = "0";
        fp = std::string(static_cast<size_t>(-1 - top), '0') + d;
    }
    out += group ? groupThrees(ip) : ip;
    if (!fp.empty()) out += "." + fp;
    return out;
}

std::string toRadix(const KVnum& T, int R) {
    if (T.IsZero()) return "0";
    std::string dec;
    int64_t last;
    digitsOf(T, dec, last);
    if (last > 0) dec.append(static_cast<size_t>(last), '0');
    if (last < 0) dec.resize(dec.size() - static_cast<size_t>(std::min<int64_t>(-last, static_cast<int64_t>(dec.size()))));
    const size_t nz = dec.find_first_not_of('0');
    if (nz == std::string::npos) return "0";
    dec.erase(0, nz);
    // Base 10^9 words, most significant first, divided by R again and again.
    std::vector<uint32_t> w;
    const size_t head = dec.size() % 9;
    if (head) w.push_back(static_cast<uint32_t>(std::stoul(dec.substr(0, head))));
    for (size_t i = head; i < dec.size(); i += 9) w.push_back(static_cast<uint32_t>(std::stoul(dec.substr(i, 9))));
    // Divide by R^p, the largest power below 2^32 / 10^9 ... kept simple: R^p < 2^31.
    uint64_t Rp = R;
    int p = 1;
    while (Rp * R < (1ULL << 31)) {
        Rp *= R;
        ++p;
    }
    static const char* const digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string out;
    size_t start = 0;
    while (start < w.size()) {
        uint64_t rem = 0;
        for (size_t i = start; i < w.size(); ++i) {
            const uint64_t cur = rem * 1000000000ULL + w[i];
            w[i] = static_cast<uint32_t>(cur / Rp);
            rem = cur % Rp;
        }
        while (start < w.size() && w[start] == 0) ++start;
        for (int k = 0; k < p; ++k) {
            out += digits[rem % static_cast<uint64_t>(R)];
            rem /= static_cast<uint64_t>(R);
        }
        poll();
    }
    while (out.size() > 1 && out.back() == '0') out.pop_back();
    std::reverse(out.begin(), out.end());
    return out;
}

Calculator::Calculator(const Options& opt) : opt_(opt) {
    literal_.lookup = [this](const std::string& name) -> const KVnum* {
        auto it = litVars_.find(name);
        return it == litVars_.end() ? nullptr : it->second.get();
    };
}

int Calculator::significant() const { return opt_.sig > 0 ? opt_.sig : digitsAt(opt_.precision); }

std::optional<std::string> Calculator::render(const Value& v, int W, const Options& opt, int64_t& more) {
    more = 0;
    const int DP = opt.sig > 0 ? opt.sig : digitsAt(opt.precision);
    const bool fixed = opt.digits >= 0;

    if (opt.obase != 10) {
        const int R = opt.obase;
        const double lr = std::log10(static_cast<double>(R));
        int64_t k;
        Ball b(W);
        if (!v.isRat()) b = v.toBall(W);
        if (fixed) {
            k = opt.digits;
        } else {
            int64_t m = 0;
            if (v.isRat()) m = v.q.isZero() ? 0 : ratMag(v.q);
            else if (!ballMag(b, m)) m = 0;
            k = std::max<int64_t>(0, static_cast<int64_t>(std::floor(static_cast<double>(DP - 1 - m) / lr)));
        }
        const auto Rk = powInt(Rat::of(R), k);
        if (!Rk) throw CalcError{1, "Too many digits for radix output"};
        KVnum T;
        bool negative = false;
        if (v.isRat()) {
            assign(T, truncTimes(v.q, Rk->n));
            negative = v.q.sign() < 0;
        } else {
            const KVnum lo = loOf(b), hi = hiOf(b);
            KVnum tl = truncMag(exactMul(lo, Rk->n), 0), th = truncMag(exactMul(hi, Rk->n), 0);
            if (lo.Minus() != hi.Minus() && !lo.IsZero() && !hi.IsZero()) {
                if (!tl.IsZero() || !th.IsZero()) {
                    more = static_cast<int64_t>(b.rad().log10() + static_cast<double>(k) * lr) + 2;
                    return std::nullopt;
                }
            } else if (exactCmp(tl, th) != 0) {
                more = static_cast<int64_t>(b.rad().log10() + static_cast<double>(k) * lr) + 2;
                return std::nullopt;
            }
            assign(T, tl);
            negative = lo.Minus() || hi.Minus();
        }
        std::string s = toRadix(T, R);
        if (static_cast<int64_t>(s.size()) <= k) s.insert(0, static_cast<size_t>(k + 1) - s.size(), '0');
        std::string ip = s.substr(0, s.size() - static_cast<size_t>(k));
        std::string fp = s.substr(s.size() - static_cast<size_t>(k));
        if (!fixed) {
            while (!fp.empty() && fp.back() == '0') fp.pop_back();
        }
        const bool zero = T.IsZero();
        std::string out = (negative && !zero) ? "-" : "";
        out += opt.group ? groupThrees(ip) : ip;
        if (!fp.empty()) out += "." + fp;
        else if (opt.raw) out += ".";
        return out;
    }

    // Decimal: the printed digits are |x| truncated at 10^e.
    auto finish = [&](bool negative, const KVnum& T, int64_t e, int frac) -> std::string {
        std::string d;
        int64_t last = e;
        if (!T.IsZero()) digitsOf(T, d, last);
        // The digits down to 10^e, no more and no fewer: the last printed
        // place decides the form.
        if (last < e) d.resize(d.size() - static_cast<size_t>(std::min<int64_t>(e - last, static_cast<int64_t>(d.size()))));
        else if (last > e && !d.empty()) d.append(static_cast<size_t>(last - e), '0');
        last = e;
        const bool zero = T.IsZero();
        if (opt.raw) {
            // The library's own text for the value, at the chosen precision
            // (or more when the digits asked for need it).
            int need = opt.precision;
            if (!zero && sigDigits(T) > digitsAt(need)) need = limbsExact(sigDigits(T) + 8);
            if (frac > 0) need = std::max<int>(need, limbsExact(frac + (zero ? 0 : std::max<int64_t>(0, mag10(T))) + 8));
            // Its shortest text, as a user would type it.
            while (d.size() > 1 && d.back() == '0') {
                d.pop_back();
                ++last;
            }
            KVnum p(need);
            p = fromDigits(need, negative && !zero, zero ? "0" : d, last);
            return p.String(frac > 0 ? frac : 0, opt.group);
        }
        return formatDecimal(negative && !zero, d, last, frac, opt.group, opt.sci);
    };

    if (v.isRat()) {
        const Rat& q = v.q;
        if (q.isZero()) return finish(false, KVnum(10), 0, fixed ? opt.digits : -1);
        int64_t e;
        int frac = -1;
        if (fixed && !opt.sci) {
            e = -opt.digits;
            frac = opt.digits;
        } else {
            const int sigN = (opt.sci && fixed) ? opt.digits + 1 : DP;
            e = ratMag(q) - sigN + 1;
            if (opt.sci && fixed) frac = opt.digits;
        }
        KVnum T = shift10(truncTimes(q, shift10(one(), -e)), e);
        return finish(q.sign() < 0, T, e, frac);
    }

    const Ball b = v.toBall(W);
    const KVnum lo = loOf(b), hi = hiOf(b);
    int64_t e;
    int frac = -1;
    if (fixed && !opt.sci) {
        e = -opt.digits;
        frac = opt.digits;
        const KVnum tl = truncMag(lo, e), th = truncMag(hi, e);
        if (lo.Minus() != hi.Minus() && !lo.IsZero() && !hi.IsZero()) {
            // The ball holds zero: decided only when both ends print as 0.
            if (tl.IsZero() && th.IsZero()) return finish(false, tl, e, frac);
            more = static_cast<int64_t>(b.rad().log10()) - e + 2;
            return std::nullopt;
        }
        if (exactCmp(tl, th) != 0) {
            more = static_cast<int64_t>(b.rad().log10()) - e + 2;
            return std::nullopt;
        }
        return finish(lo.Minus() || hi.Minus(), tl, e, frac);
    }
    int64_t m;
    if (!ballMag(b, m)) {
        more = 0;
        return std::nullopt;
    }
    const int sigN = (opt.sci && fixed) ? opt.digits + 1 : DP;
    if (opt.sci && fixed) frac = opt.digits;
    e = m - sigN + 1;
    const KVnum tl = truncMag(lo, e), th = truncMag(hi, e);
    if (exactCmp(tl, th) != 0) {
        more = static_cast<int64_t>(b.rad().log10()) - e + 2;
        return std::nullopt;
    }
    return finish(lo.Minus(), tl, e, frac);
}

std::string Calculator::prove(const Node& e, Value& value, int& limbs) {
    const int DP = significant();
    int64_t target = opt_.digits >= 0 ? opt_.digits : DP;
    if (opt_.obase != 10) target = static_cast<int64_t>(static_cast<double>(target) * std::log10(opt_.obase)) + 2;
    int64_t cap = std::max<int64_t>(10000, 4 * target + 2000);
    int W = limbsAt(std::max<int64_t>(DP, target) + 12);
    for (;;) {
        int64_t more = 0;
        try {
            Value v = ev_.eval(e, env_, W);
            auto text = render(v, W, opt_, more);
            if (text) {
                value = v;
                limbs = W;
                return *text;
            }
            // Fixed digits of a large number need its integer digits too.
            if (opt_.digits >= 0 && !v.isRat()) {
                const Ball b = v.toBall(W);
                if (!b.mid().IsZero()) cap = std::max<int64_t>(cap, mag10(b.mid()) + target + 2000);
            }
        } catch (const NeedPrecision& np) {
            more = np.digits;
        }
        const int64_t have = digitsAt(W);
        const int64_t next = have + std::max<int64_t>(have / 2, more + 10);
        if (next > cap) {
            if (have >= cap) throw CalcError{1, "Result cannot be determined at this precision"};
            W = limbsAt(cap);
        } else {
            W = limbsAt(next);
        }
    }
}

Value Calculator::settle(const Node& e, int& limbs) {
    const int64_t cap = std::max<int64_t>(10000, 4 * significant() + 2000);
    int W = limbsAt(significant() + 12);
    for (;;) {
        try {
            Value v = ev_.eval(e, env_, W);
            limbs = W;
            return v;
        } catch (const NeedPrecision& np) {
            const int64_t have = digitsAt(W);
            const int64_t next = have + std::max<int64_t>(have / 2, np.digits + 10);
            if (have >= cap) throw CalcError{1, "Result cannot be determined at this precision"};
            W = limbsAt(std::min(next, cap));
        }
    }
}

std::string Calculator::formatLiteral(KVnum& v) {
    if (opt_.raw && opt_.obase == 10) return v.String(opt_.digits > 0 ? opt_.digits : 0, opt_.group);
    if (opt_.obase != 10) {
        std::string text = v.BtoB(10, opt_.obase, "");
        if (opt_.raw) return text;
        const size_t dot = text.find('.');
        if (dot != std::string::npos && opt_.digits < 0) {
            while (text.size() > dot + 1 && text.back() == '0') text.pop_back();
            if (text.back() == '.') text.pop_back();
        } else if (dot != std::string::npos) {
            const size_t want = dot + 1 + static_cast<size_t>(opt_.digits);
            if (text.size() > want) text.resize(want);
            else text.append(want - text.size(), '0');
            if (opt_.digits == 0) text.pop_back();
        }
        return text;
    }
    std::string d;
    int64_t last;
    digitsOf(v, d, last);
    return formatDecimal(v.Minus(), d, last, opt_.digits, opt_.group, opt_.sci);
}

bool Calculator::command(const std::string& line, FILE* out, FILE* err, const std::string& where, int& status) {
    std::istringstream in(line);
    std::string word, arg, extra;
    in >> word;
    if (word.empty()) return false;
    in >> arg;
    if (in >> extra) return false;
    static const char* const words[] = {"help", "digits", "sig", "limbs", "obase", "ibase", "sci", "group", "settings"};
    bool known = false;
    for (const char* w : words) known = known || word == w;
    if (!known || env_.vars.count(word) || litVars_.count(word)) return false;
    if (!arg.empty() && arg.find_first_not_of("0123456789") != std::string::npos && arg != "on" && arg != "off")
        return false;
    status = 0;
    auto bad = [&](const std::string& msg) {
        std::fprintf(err, "%sError: %s\n", where.c_str(), msg.c_str());
        std::fflush(err);
        status = 1;
    };
    auto number = [&](long lo, long hi, long& v) {
        if (arg.empty() || arg.find_first_not_of("0123456789") != std::string::npos || arg.size() > 9) {
            bad(word + " needs a number from " + std::to_string(lo) + " to " + std::to_string(hi));
            return false;
        }
        v = std::stol(arg);
        if (v < lo || v > hi) {
            bad(word + " needs a number from " + std::to_string(lo) + " to " + std::to_string(hi));
            return false;
        }
        return true;
    };
    long v = 0;
    if (word == "help") {
        std::fputs(kSessionHelp, out);
    } else if (word == "digits") {
        if (arg == "off") opt_.digits = -1;
        else if (arg.empty()) std::fprintf(out, "digits %s\n", opt_.digits < 0 ? "off" : std::to_string(opt_.digits).c_str());
        else if (number(0, 1000000, v)) opt_.digits = static_cast<int>(v);
    } else if (word == "sig") {
        if (arg.empty()) std::fprintf(out, "sig %d\n", significant());
        else if (number(1, 1000000, v)) {
            opt_.sig = static_cast<int>(v);
            opt_.digits = -1;
        }
    } else if (word == "limbs") {
        if (arg.empty()) std::fprintf(out, "limbs %d\n", opt_.precision);
        else if (number(9, 1000000, v)) {
            opt_.precision = static_cast<int>(v);
            opt_.sig = 0;
        }
    } else if (word == "obase" || word == "ibase") {
        int& r = word == "obase" ? opt_.obase : opt_.ibase;
        if (arg.empty()) std::fprintf(out, "%s %d\n", word.c_str(), r);
        else if (number(2, word == "obase" ? 36 : 16, v)) r = static_cast<int>(v);
    } else if (word == "sci" || word == "group") {
        bool& f = word == "sci" ? opt_.sci : opt_.group;
        if (arg.empty()) std::fprintf(out, "%s %s\n", word.c_str(), f ? "on" : "off");
        else if (arg == "on" || arg == "off") f = arg == "on";
        else bad(word + " takes on or off");
    } else {  // settings
        std::fprintf(out, "limbs %d, sig %d, digits %s, obase %d, ibase %d, sci %s, group %s%s\n", opt_.precision,
                     significant(), opt_.digits < 0 ? "off" : std::to_string(opt_.digits).c_str(), opt_.obase,
                     opt_.ibase, opt_.sci ? "on" : "off", opt_.group ? "on" : "off", opt_.literal ? ", literal" : "");
    }
    std::fflush(out);
    return true;
}

int Calculator::processLine(const std::string& line, FILE* out, FILE* err, const std::string& where) {
    int status = 0;
    if (command(line, out, err, where, status)) return status;
    Statement st;
    try {
        st = parseLine(
            line,
            [this](const std::string& n) { return opt_.literal ? litVars_.count(n) > 0 : env_.vars.count(n) > 0; },
            [this](const std::string& n) { return env_.fns.count(n) > 0; }, opt_.ibase);
    } catch (const SyntaxError& e) {
        printSyntaxError(line, e, err, where);
        return 2;
    }
    if (!st.expr) return 0;
    try {
        if (opt_.literal) {
            if (st.function) throw CalcError{1, "Functions are not available with --literal"};
            literal_.ans = litAns_.get();
            auto value = std::make_unique<KVnum>(literal_.eval(*st.expr, opt_.precision));
            if (!st.target.empty()) {
                litVars_[st.target] = std::move(value);
                return 0;
            }
            std::string text = formatLiteral(*value);
            litAns_ = std::move(value);
            std::fprintf(out, "%s\n", text.c_str());
            std::fflush(out);
            return 0;
        }
        if (st.function) {
            if (env_.vars.count(st.target)) throw CalcError{1, "'" + st.target + "' is a variable"};
            auto fn = std::make_shared<UserFn>();
            fn->name = st.target;
            fn->params = st.params;
            fn->body = std::shared_ptr<const Node>(st.expr.release());
            env_.fns[st.target] = fn;
            return 0;
        }
        if (!st.target.empty() && env_.fns.count(st.target))
            throw CalcError{1, "'" + st.target + "' is a function"};
        auto binding = std::make_shared<Binding>();
        Value v;
        int limbs = 0;
        std::string text;
        if (st.target.empty()) text = prove(*st.expr, v, limbs);
        else v = settle(*st.expr, limbs);
        binding->env = env_;
        binding->expr = std::shared_ptr<const Node>(st.expr.release());
        binding->value = v;
        binding->limbs = limbs;
        if (!st.target.empty()) {
            env_.vars[st.target] = binding;
            return 0;
        }
        env_.ans = binding;
        std::fprintf(out, "%s\n", text.c_str());
        std::fflush(out);
        return 0;
    } catch (const CalcError& e) {
        std::fprintf(err, "%sError: %s\n", where.c_str(), e.message.c_str());
        std::fflush(err);
        return e.status;
    }
}

}  // namespace kvcalc
