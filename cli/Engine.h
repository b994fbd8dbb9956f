// kvcalc: the literal back-end: each operation handed straight to the
// library at the working precision, with no reduction and no guard.
#ifndef KVCALC_ENGINE_H
#define KVCALC_ENGINE_H

#include <functional>
#include <memory>
#include <string>

#include <kelvane/KVnum.h>
#include "Num.h"
#include "Parser.h"

namespace kvcalc {

class Engine {
public:
    /// Looks a variable up (null when unknown); `ans` is the last result.
    std::function<const KVnum*(const std::string&)> lookup;
    const KVnum* ans = nullptr;

    /// Evaluates `n` at `limbs` limbs. Throws CalcError.
    KVnum eval(const Node& n, int limbs);

private:
    long seen_ = 0;

    KVnum evalLiteral(const Node& n, int W);
    KVnum callLiteral(const Node& n, int W);
    /// Throws when the library has reported something since the last check.
    void check();
    /// a / b as the library divides, with the zero test that the library
    /// would end the process on.
    void divideLiteral(KVnum& a, const KVnum& b);
};

}  // namespace kvcalc

#endif
