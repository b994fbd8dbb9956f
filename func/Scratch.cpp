// Storage for the temporaries of a Func's methods (see Scratch.h).
#include "Scratch.h"

#include <cassert>
#include <cstring>
#include <new>

#include <kelvane/Func.h>

namespace kvfunc {

namespace {

// A number of n limbs on the heap; like every allocation of the library, a
// failure is "Memory allocation failure." and the end of the process.
KVnum* newNumber(int n) {
    KVnum* v = new (std::nothrow) KVnum(n);
    if (!v) reportFatal("Memory allocation failure.");
    return v;
}

}  // namespace

Scratch* newScratch() {
    Scratch* s = new (std::nothrow) Scratch;
    if (!s) reportFatal("Memory allocation failure.");
    return s;
}

Scratch::Mark Scratch::mark() {
    Mark m;
    for (int i = 0; i < LEVELS; ++i) m.used[i] = i < nlevels_ ? levels_[i].used : 0;
    m.levels = nlevels_;
    m.depth = depth_++;
    return m;
}

void Scratch::release(const Mark& m) {
    // Levels opened since the mark are empty again; they keep their numbers.
    for (int i = 0; i < nlevels_; ++i) levels_[i].used = i < m.levels ? m.used[i] : 0;
    depth_ = m.depth;
    if (depth_ == 0) {
        for (int i = 0; i < nlevels_; ++i)
            if (levels_[i].nums.size() > KEEP) levels_[i].nums.resize(KEEP);
    }
}

KVnum& Scratch::take(int n) {
    int i = 0;
    while (i < nlevels_ && levels_[i].n != n) ++i;
    if (i == nlevels_) {
        // A precision not borrowed before. The levels fill in the order the
        // precisions first come; more than LEVELS at a time cannot happen
        // (the methods use two).
        if (nlevels_ < LEVELS) {
            ++nlevels_;
        } else {
            // All levels taken: reopen one that nothing borrows from.
            i = 0;
            while (i < LEVELS && levels_[i].used != 0) ++i;
            assert(i < LEVELS);
            if (i == LEVELS) i = LEVELS - 1;
        }
        levels_[i].n = n;
        levels_[i].used = 0;
        levels_[i].nums.clear();
    }
    Level& l = levels_[i];
    if (l.used == l.nums.size()) l.nums.emplace_back(newNumber(n));
    return *l.nums[l.used++];
}

const KVnum& Scratch::constant(const char* text, int n) {
    Constant* slot = nullptr;
    for (Constant& c : constants_) {
        if (c.text == text && c.n == n) return *c.num;
        if (!slot && !c.text) slot = &c;
    }
    if (!slot) slot = &constants_[0];  // more texts than kept: the first is read again when needed
    if (!slot->num || slot->num->Nlimbs() != n) slot->num.reset(newNumber(n));
    *slot->num = text;
    slot->text = text;
    slot->n = n;
    return *slot->num;
}

namespace {

// The widest computed value kept in `slot` covers n limbs: compute it at n
// when it does not (make builds it into a number of n limbs).
template <class Make>
void keptConstant(std::unique_ptr<KVnum>& slot, KVnum& out, int n, Make make) {
    if (!slot || slot->Nlimbs() < n) {
        std::unique_ptr<KVnum> v(newNumber(n));
        make(*v, n);
        slot = std::move(v);
    }
    out = *slot;  // cut to out's precision
}

// Text assignment reads at most 2n - 4 characters: up to that the text gives
// every digit a number of n limbs holds.
bool textCovers(const char* text, int n) { return 2LL * n - 4 <= static_cast<long long>(std::strlen(text)); }

}  // namespace

void Scratch::pi(KVnum& out, int n) {
    if (textCovers(PI_DIGITS, n)) {
        out = constant(PI_DIGITS, n);
        return;
    }
    // Machin's formula on a Func of two limbs more (four digits of guard),
    // then cut.
    keptConstant(pi_, out, n, [](KVnum& v, int m) {
        Func f(m + 2);
        v = *f.Pi();
    });
}

void Scratch::ln10(KVnum& out, int n) {
    if (textCovers(LN10_DIGITS, n)) {
        out = constant(LN10_DIGITS, n);
        return;
    }
    keptConstant(ln10_, out, n, [this](KVnum& v, int m) {
        const int g = m + 2;
        Temps T(*this, g);
        KVnum &t = T(), &a = T(), &b = T();
        t = 2;
        lnAt(*this, t, a, g);
        t = "1.25";
        lnAt(*this, t, b, g);
        t = 3;
        a *= t;
        a += b;  // ln 10 = 3 ln 2 + ln 1.25
        v = a;
    });
}

}  // namespace kvfunc
