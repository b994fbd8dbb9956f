// Storage for the temporaries of a Func's methods (see Scratch.h).
#include "Scratch.h"

#include <cassert>
#include <new>

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

}  // namespace kvfunc
