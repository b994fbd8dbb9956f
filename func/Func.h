// Func: the function object of Kelvane.
//
// A Func fixes a working precision (a count of limbs, after the same policy
// as KVnum's) and owns one result number, `res`. Every method computes with
// temporaries of that precision using only the public operations of KVnum,
// leaves its result in `res` and returns the address of `res`: the same
// pointer on every call, showing the latest result.
//
// Arguments must not be `res` itself unless the method's comment allows it:
// some methods write `res` before they have finished reading their arguments.
// A refused argument is reported through reportError() and leaves 0 in `res`
// (Fpower: 1). Series end at the first pass that leaves the sum unchanged.
#ifndef KELVANE_FUNC_H
#define KELVANE_FUNC_H

#include "KVnum.h"

class KELVANE_API Func {
public:
    explicit Func(int n);
    Func(const Func& other);
    ~Func();
    Func& operator=(const Func& other);

    int Nlimbs() const { return nlimbs; }

    KVnum* Ln(KVnum* x);
    KVnum* Aln(KVnum* x);
    KVnum* Log(KVnum* x);
    KVnum* LntoLog(KVnum* x);
    KVnum* Alog(KVnum* x);
    KVnum* Fpower(KVnum* x, KVnum* y);
    KVnum* Afpower(KVnum* x, KVnum* y);
    KVnum* Iroot(KVnum* x, int n);
    KVnum* DtoR(KVnum* x);
    KVnum* RtoD(KVnum* x);
    KVnum* Sin(KVnum* x);
    KVnum* Cos(KVnum* x);
    KVnum* Tan(KVnum* x);
    KVnum* Arctan(KVnum* x);
    KVnum* Arcsin(KVnum* x);
    KVnum* Arccos(KVnum* x);
    KVnum* Pi();
    KVnum* e();
    KVnum* PHI();
    KVnum* Factorial(KVnum* x);

private:
    KVnum res;
    int32_t nlimbs;
};

/// "2." and the first 1008 decimal places of ln 10 (truncated).
extern KELVANE_API const char LN10_DIGITS[];
/// "3." and the first 1002 decimal places of pi (truncated).
extern KELVANE_API const char PI_DIGITS[];

#endif
