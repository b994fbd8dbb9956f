// The function object itself: precision policy, the shared result number,
// copying, assignment and mixed precisions.
#include <gtest/gtest.h>

#include <string>

#include <kelvane/Func.h>
#include <kelvane/KVnum.h>
#include "data/func_check.h"
#include "kvtest.h"

using funccheck::agreesWith;
using funccheck::num;
using funccheck::row;
using funccheck::same;

namespace {

TEST(FuncObject, PrecisionPolicyMatchesNumbers) {
    const struct {
        int n;
        const char* env;  // PRECISION, or nullptr for unset
        int expect;
    } cases[] = {
        {9, "200", 9},   {131, "20", 131}, {0, nullptr, 130}, {8, nullptr, 130},
        {-5, nullptr, 130}, {0, "200", 200}, {8, "9", 9},      {-5, "  +20x", 20},
        {0, "8", 130},   {0, "abc", 130},  {0, "-40", 130},   {0, "", 130},
    };
    for (const auto& c : cases) {
        kvtest::EnvVar env("PRECISION", c.env);
        SCOPED_TRACE(std::to_string(c.n) + " with PRECISION=" + (c.env ? c.env : "(unset)"));
        Func f(c.n);
        EXPECT_EQ(f.Nlimbs(), c.expect);
        EXPECT_EQ(KVnum(c.n).Nlimbs(), f.Nlimbs());
        KVnum x = num(f.Nlimbs(), "0.5");
        EXPECT_EQ(f.Aln(&x)->Nlimbs(), c.expect);  // results come at that precision
    }
}

TEST(FuncObject, OneResultNumberSeenThroughEveryCall) {
    Func f(9), fresh(9);
    KVnum two = num(9, 2), zero = num(9, 0);
    KVnum* first = f.Ln(&two);
    EXPECT_FALSE(first->IsZero());
    EXPECT_EQ(f.Aln(&zero), first);
    EXPECT_EQ(kvtest::str(*first), kvtest::str(num(9, 1)));  // shows the latest result
    EXPECT_EQ(f.Iroot(&two, 2), first);
    EXPECT_EQ(f.Log(&two), first);
    f = fresh;  // a new Func's result is zero
    EXPECT_TRUE(first->IsZero() && kvtest::normalForm(*first));
    EXPECT_STREQ(first->String(0, false), "0");
}

TEST(FuncObject, CopyIsIndependentAndOutlivesItsSource) {
    Func viewer(40);
    KVnum one = num(40, 1), two = num(40, 2), half = num(40, "0.5");
    KVnum* shown = viewer.Aln(&one);
    Func* source = new Func(40);
    source->Ln(&two);
    Func copy(*source);
    source->Aln(&half);  // changes the source only
    delete source;
    viewer = copy;
    EXPECT_TRUE(agreesWith(*shown, row("Ln", "2")));
}

TEST(FuncObject, Assignment) {
    Func a(40), b(40), narrow(9);
    KVnum two = num(40, 2), half = num(40, "0.5"), three9 = num(9, 3);
    KVnum* ra = a.Ln(&two);
    KVnum* rn = narrow.Ln(&three9);
    const char* text = ra->String(10, false);
    const std::string before = text;

    b.Aln(&half);
    a = b;  // same precision: the value, and res's text buffer is untouched
    EXPECT_TRUE(agreesWith(*ra, row("Aln", "0.5")));
    EXPECT_EQ(std::string(text), before);
    KVnum keep(*ra);
    a = a;
    EXPECT_TRUE(same(*ra, keep));

    // Between precisions the target keeps its own and the value converts.
    KVnum small(*rn), widened(40), cut(9);
    a = narrow;  // 9 -> 40: widened with zero limbs
    widened = small;
    EXPECT_EQ(a.Nlimbs(), 40);
    EXPECT_TRUE(same(*ra, widened) && kvtest::normalForm(*ra));
    b.Ln(&two);
    narrow = b;  // 40 -> 9: cut without rounding, as text assignment cuts
    cut = row("Ln", "2").value;
    EXPECT_EQ(narrow.Nlimbs(), 9);
    EXPECT_TRUE(same(*rn, cut)) << kvtest::str(*rn);
    EXPECT_TRUE(agreesWith(*a.Ln(&two), row("Ln", "2")));  // still at 40 limbs
}

TEST(FuncObject, ArgumentsOfAnotherPrecisionAreConverted) {
    // A 40-limb argument on a 9-limb Func gives what its 9-limb cut gives,
    // and a 9-limb argument on a 40-limb Func what its widened copy gives.
    Func f9(9), f40(40);
    KVnum x40 = num(40, "2.718281828459045235360287"), x9(9), y40(40);
    x9 = x40;
    y40 = x9;
    KVnum a(*f9.Ln(&x40)), b(*f9.Ln(&x9));
    EXPECT_TRUE(same(a, b));
    KVnum c(*f40.Iroot(&x9, 3)), d(*f40.Iroot(&y40, 3));
    EXPECT_TRUE(same(c, d));
    KVnum e(*f40.Fpower(&y40, &x9)), g(*f40.Fpower(&y40, &y40));
    EXPECT_TRUE(same(e, g));
}

}  // namespace
