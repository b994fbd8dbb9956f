// kvcalc: evaluation driver and output formatting.
#include "Calculator.h"

#include <algorithm>
#include <cmath>

namespace kvcalc {

namespace {

// The largest working precision that a line may climb to without a request
// for fixed digits; beyond it the digits that agree are what gets printed.
int precisionCap(int P) { return 3 * P + 40; }

// sign(b) * (|b| + 10^snapExp / 2): a computed value within a few units of
// 10^(snapExp - 1) of a digit boundary is taken to be on it.
KVnum snapped(const KVnum& b, int64_t snapExp) {
    KVnum s = absOf(b);
    s += fromDigits(b.Nlimbs(), false, "5", snapExp - 1);
    return s;
}

// True when |b| - 10^snap / 2 and |b| + 10^snap / 2 cut at 10^last differ.
bool nearCut(const KVnum& b, int64_t snap, int64_t last) {
    KVnum h = fromDigits(b.Nlimbs(), false, "5", snap - 1);
    KVnum lo = absOf(b);
    if ((lo == h) <= 0) return true;
    KVnum hi(lo);
    lo -= h;
    hi += h;
    return (truncAt(lo, last) == truncAt(hi, last)) != 0;
}

// Digits of |x| cut or padded so that the last one has the weight 10^last.
void alignedDigits(const KVnum& x, int64_t last, std::string& d) {
    int64_t l;
    digitsOf(x, d, l);
    if (d.empty()) return;
    if (l < last) {
        const int64_t cut = last - l;
        if (cut >= static_cast<int64_t>(d.size())) d.clear();
        else d.resize(d.size() - static_cast<size_t>(cut));
    } else {
        d.append(static_cast<size_t>(l - last), '0');
    }
    const size_t nz = d.find_first_not_of('0');
    d.erase(0, nz == std::string::npos ? d.size() : nz);
}

std::string groupThrees(const std::string& intPart) {
    std::string g;
    const size_t n = intPart.size();
    for (size_t k = 0; k < n; ++k) {
        if (k > 0 && (n - k) % 3 == 0) g += ',';
        g += intPart[k];
    }
    return g;
}

void printSyntaxError(const std::string& line, const SyntaxError& e, FILE* err) {
    std::string shown;
    size_t col = 0;  // display column of the error position
    for (size_t i = 0; i < line.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        const bool cont = (c & 0xC0) == 0x80;  // UTF-8 continuation byte: no column of its own
        if (i < e.pos && !cont) ++col;
        if (c == '\t' || c == '\r' || c == '\n') shown += ' ';
        else shown += static_cast<char>(c);
    }
    std::fprintf(err, "Syntax error: %s\n  %s\n  %s^\n", e.reason.c_str(), shown.c_str(), std::string(col, ' ').c_str());
    std::fflush(err);
}

}  // namespace

std::string formatDecimal(bool negative, std::string d, int64_t last, int frac, bool group) {
    const size_t nz = d.find_first_not_of('0');
    d.erase(0, nz == std::string::npos ? d.size() : nz);
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

Calculator::Calculator(const Options& opt) : opt_(opt), engine_(opt.literal) {
    engine_.lookup = [this](const std::string& name) -> const KVnum* {
        auto it = vars_.find(name);
        return it == vars_.end() ? nullptr : it->second.get();
    };
}

Calculator::Outcome Calculator::guarded(const Node& e) {
    const int P = opt_.precision;
    const int DP = digitsOf(P);
    const bool fixed = opt_.digits >= 0;
    const double lr = std::log10(static_cast<double>(opt_.obase));
    int W = P + 8;
    auto a = std::make_unique<KVnum>(engine_.eval(e, W));
    W += 8;
    auto b = std::make_unique<KVnum>(engine_.eval(e, W));
    int ambiguityRounds = 0;
    for (int round = 0;; ++round) {
        Outcome o;
        if (a->IsZero() && b->IsZero()) {
            o.best = std::move(b);
            o.snapExp = -DP - 4;
            o.lastExp = fixed ? -opt_.digits : 0;
            return o;
        }
        // 10^errExp bounds the error of b: the distance to the less precise
        // evaluation, and at least b's own last place.
        int64_t errExp = b->IsZero() ? INT64_MIN / 4 : static_cast<int64_t>(b->Expo()) + 1;
        KVnum diff(*b);
        diff -= *a;
        if (!diff.IsZero()) errExp = std::max(errExp, mag10(diff) + 1);
        const int64_t snap = errExp + 1;
        int64_t target;
        if (fixed) {
            target = opt_.obase == 10 ? -static_cast<int64_t>(opt_.digits)
                                      : -static_cast<int64_t>(std::ceil((opt_.digits + 2) * lr)) + 1;
        } else if (b->IsZero()) {
            target = -DP;
        } else {
            target = mag10(*b) - (DP - 1);  // DP significant digits
        }
        if (snap <= target - 2) {
            // b within 10^snap / 2 of a cut between two printed values may
            // lie on either side of it: an exact result (a root that comes
            // out whole) or a long run of nines or zeros in the true digits.
            // Up to twice, 32 digits more tell the two apart; what is still
            // on the cut after that is taken to be exact.
            if (!diff.IsZero() && ambiguityRounds < 2 && nearCut(*b, snap, target)) {
                ++ambiguityRounds;
                a = std::move(b);
                W += 16;
                b = std::make_unique<KVnum>(engine_.eval(e, W));
                continue;
            }
            o.best = std::move(b);
            o.snapExp = snap;
            o.lastExp = target;
            return o;
        }
        int cap = precisionCap(P);
        if (fixed && !b->IsZero())
            cap = std::max<int64_t>(cap, W + limbsFor(static_cast<int>(std::max<int64_t>(0, mag10(*b) + 1) - target + 24)));
        const int64_t missing = snap - (target - 2);
        const int next = W + std::max(8, limbsFor(static_cast<int>(std::min<int64_t>(missing, 1 << 24)) + 4));
        if (round >= 4 || next > cap) {
            if (fixed) throw CalcError{1, "Result cannot be determined at this precision"};
            o.lastExp = std::max(target, snap + 2);
            o.snapExp = snap;
            KVnum v = truncAt(snapped(*b, snap), o.lastExp);
            if (v.IsZero() && o.lastExp > -DP)
                throw CalcError{1, "Result cannot be determined at this precision"};
            o.best = std::move(b);
            return o;
        }
        a = std::move(b);
        W = next;
        b = std::make_unique<KVnum>(engine_.eval(e, W));
    }
}

std::string Calculator::formatRaw(KVnum& v) {
    if (opt_.obase != 10) {
        const char* t = v.BtoB(10, opt_.obase, "");
        return t ? t : "";
    }
    return v.String(opt_.digits > 0 ? opt_.digits : 0, opt_.group);
}

std::string Calculator::formatGuarded(const Outcome& o) {
    const KVnum& b = *o.best;
    if (opt_.obase != 10 && !opt_.raw) return formatRadix(b, o.snapExp, o.lastExp, opt_.digits);
    KVnum v = truncAt(snapped(b, o.snapExp), o.lastExp);
    if (opt_.raw) {
        // The value assigned, as its shortest text, to a number of the
        // chosen precision (or of more when fixed digits ask for more than
        // it holds): the library's own text for it.
        std::string d;
        int64_t l;
        digitsOf(v, d, l);
        while (d.size() > 1 && d.back() == '0') {
            d.pop_back();
            ++l;
        }
        const int need = opt_.digits >= 0 ? static_cast<int>(d.size()) + 8 : 0;
        KVnum p(std::max(opt_.precision, need > digitsOf(opt_.precision) ? limbsFor(need) + 4 : 0));
        p = fromDigits(p.Nlimbs(), b.Minus() && !v.IsZero(), d, l);
        return formatRaw(p);
    }
    std::string d;
    alignedDigits(v, o.lastExp, d);
    return formatDecimal(b.Minus(), d, o.lastExp, opt_.digits, opt_.group);
}

// Radix digits of b. k fractional digits are kept: no more than the decimal
// digits vouched for hold (10^lastExp), and few enough that the error bound
// 10^snapExp lies two radix places below the last one. Half a unit of radix
// place k + 2 is added first, for the same reason as in decimal.
std::string Calculator::formatRadix(const KVnum& b, int64_t snapExp, int64_t lastExp, int frac) {
    const int R = opt_.obase;
    const double lr = std::log10(static_cast<double>(R));
    if (lastExp > 0) throw CalcError{1, "Value too large for radix output at this precision"};
    int64_t k;
    if (frac >= 0) {
        k = frac;
    } else {
        const int64_t kPrec = static_cast<int64_t>(std::floor(static_cast<double>(-lastExp) / lr));
        const int64_t kErr = static_cast<int64_t>(std::floor(static_cast<double>(-snapExp) / lr)) - 2;
        k = std::max<int64_t>(0, std::min(kPrec, kErr));
    }
    const int64_t intDigits = b.IsZero() ? 1 : std::max<int64_t>(1, mag10(b) + 1);
    const int64_t needDigits = static_cast<int64_t>(std::ceil(static_cast<double>(k) * std::max(1.0, lr))) + intDigits + 16;
    const int Wb = std::max(b.Nlimbs(), limbsFor(static_cast<int>(needDigits)) + 4);
    KVnum t(Wb);
    t = absOf(b);
    KVnum h = make(Wb, 1);
    KVnum rk = make(Wb, R);
    rk ^= make(Wb, static_cast<long long>(k + 2));
    divideFull(h, rk);
    h *= make(Wb, "0.5");
    t += h;
    const long before = reportCount();
    std::string text = t.BtoB(10, R, "");
    if (reportCount() != before) throw CalcError{1, lastReport(), true};
    std::string ip = text, fp;
    const size_t dot = text.find('.');
    if (dot != std::string::npos) {
        ip = text.substr(0, dot);
        fp = text.substr(dot + 1);
    }
    if (static_cast<int64_t>(fp.size()) > k) fp.resize(static_cast<size_t>(k));
    if (frac >= 0) fp.append(static_cast<size_t>(k) - fp.size(), '0');
    else while (!fp.empty() && fp.back() == '0') fp.pop_back();
    if (ip.empty()) ip = "0";
    const bool zero = ip.find_first_not_of('0') == std::string::npos && fp.find_first_not_of('0') == std::string::npos;
    std::string out = (b.Minus() && !zero) ? "-" : "";
    out += ip;
    if (!fp.empty()) out += "." + fp;
    return out;
}

std::string Calculator::formatLiteral(KVnum& v) {
    if (opt_.raw) return formatRaw(v);
    if (opt_.obase != 10) {
        std::string text = v.BtoB(10, opt_.obase, "");
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
    return formatDecimal(v.Minus(), d, last, opt_.digits, opt_.group);
}

int Calculator::processLine(const std::string& line, FILE* out, FILE* err) {
    Statement st;
    try {
        st = parseLine(line, [this](const std::string& n) { return vars_.count(n) > 0; });
    } catch (const SyntaxError& e) {
        printSyntaxError(line, e, err);
        return 2;
    }
    if (!st.expr) return 0;
    engine_.ans = ans_.get();
    try {
        std::unique_ptr<KVnum> value;
        std::string text;
        if (opt_.literal) {
            value = std::make_unique<KVnum>(engine_.eval(*st.expr, opt_.precision));
            if (st.target.empty()) text = formatLiteral(*value);
        } else {
            Outcome o = guarded(*st.expr);
            // Variables and ans keep the value with its guard digits, cut
            // where the comparison stops vouching for them.
            KVnum v = truncAt(snapped(*o.best, o.snapExp), o.snapExp);
            value = std::make_unique<KVnum>(o.best->Minus() ? negOf(v) : v);
            if (st.target.empty()) text = formatGuarded(o);
        }
        if (!st.target.empty()) {
            vars_[st.target] = std::move(value);
            return 0;
        }
        ans_ = std::move(value);
        std::fprintf(out, "%s\n", text.c_str());
        std::fflush(out);
        return 0;
    } catch (const CalcError& e) {
        if (!e.printed) std::fprintf(err, "Error: %s\n", e.message.c_str());
        std::fflush(err);
        return e.status;
    }
}

}  // namespace kvcalc
