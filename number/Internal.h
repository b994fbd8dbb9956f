// The number operations that the library's own layers above number/ (the
// function objects) use and callers do not. Internal: never installed.
//
// KVnum keeps its fields and helpers private; this is the one door through
// which the rest of the library reaches the few that it needs.
#ifndef KELVANE_NUMBER_INTERNAL_H
#define KELVANE_NUMBER_INTERNAL_H

#include <kelvane/KVnum.h>

struct KVnumInternal {
    // Gives an empty number a zeroed limb array of `n` limbs after the
    // precision policy (a count below 9 is replaced by PRECISION or 130);
    // does nothing to a number that has one.
    static void ensure(KVnum& x, int n) { x.Ensure(n); }

    // Cuts x to its integer part toward zero, in the form Intp gives, from
    // the limbs and without Intp's text: for temporaries, whose text nobody
    // reads and whose exponent may make that text enormous.
    static void wholePart(KVnum& x) { x.Whole(&x); }
};

#endif
