// Func: making, copying, assigning and destroying the function object.
//
// A Func is its working precision, its result number `res` and the storage
// from which its methods borrow their temporaries (Scratch.h). The methods
// (in their own sources) work through KVnum's public operations and the two
// internal ones of number/Internal.h (a limb array for `res`, and the integer
// part without Intp's text).
#include <kelvane/Func.h>

#include "Scratch.h"
#include "number/Internal.h"

// `res` starts empty (KVnum()); Ensure applies the number's own precision
// policy to `n` (n >= 9 taken, else PRECISION read by atoi rules when it is 9
// or more, else 130) and gives `res` a zeroed limb array of that size, so a
// Func and a KVnum made with the same count always agree.
Func::Func(int n) : res(), nlimbs(0), scratch(kvfunc::newScratch()) {
    KVnumInternal::ensure(res, n);
    nlimbs = res.Nlimbs();
}

Func::Func(const Func& other) : res(other.res), nlimbs(other.nlimbs), scratch(kvfunc::newScratch()) {}

Func::~Func() = default;

// The target keeps its precision: the source's result is converted to it by
// the number assignment (cut without rounding, or widened with zero limbs),
// so `res` and `nlimbs` never disagree. res's text buffer is left as it was,
// and each Func keeps its own temporaries.
Func& Func::operator=(const Func& other) {
    if (this != &other) res = other.res;
    return *this;
}
