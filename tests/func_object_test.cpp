// The function object itself: precision policy, copying, assignment,
// destruction, the shared result number and mixed precisions.
#include <gtest/gtest.h>

#include <string>

#include "Func.h"
#include "KVnum.h"
#include "data/func_check.h"
#include "kvtest.h"

using funccheck::agreesWith;
using funccheck::num;
using funccheck::row;
using funccheck::same;

namespace {

struct PolicyCase {
    int n;
    const char* env;  // PRECISION, or nullptr for unset
    int expect;
};

TEST(FuncObject, PrecisionPolicyMatchesNumbers) {
    const PolicyCase cases[] = {
        {9, "200", 9},         {10, nullptr, 10},    {131, "20", 131},
        {0, nullptr, 130},     {8, nullptr, 130},    {-5, nullptr, 130},
        {0, "200", 200},       {8, "9", 9},          {-5, "  +20x", 20},
        {0, "8", 130},         {0, "abc", 130},      {0, "-40", 130},
        {0, "", 130},
    };
    for (const PolicyCase& c : cases) {
        kvtest::EnvVar env("PRECISION", c.env);
        SCOPED_TRACE(std::to_string(c.n) + " with PRECISION=" + (c.env ? c.env : "(unset)"));
        Func f(c.n);
        EXPECT_EQ(f.Nlimbs(), c.expect);
        EXPECT_EQ(KVnum(c.n).Nlimbs(), f.Nlimbs());
        // Results come out at the Func's precision.
        KVnum x = num(f.Nlimbs(), "0.5");
        EXPECT_EQ(f.Aln(&x)->Nlimbs(), c.expect);
    }
}

TEST(FuncObject, OneResultNumberSeenThroughEveryCall) {
    Func f(9);
    KVnum two = num(9, 2), zero = num(9, 0);
    KVnum* first = f.Ln(&two);
    const std::string ln2 = first->String(0, false);
    KVnum* second = f.Aln(&zero);
    EXPECT_EQ(first, second);
    EXPECT_EQ(std::string(first->String(0, false)), kvtest::str(num(9, 1)));  // the latest result
    EXPECT_NE(ln2, first->String(0, false));
    EXPECT_EQ(f.Iroot(&two, 2), first);
    EXPECT_EQ(f.Log(&two), first);
}

TEST(FuncObject, NewResultIsZero) {
    Func used(9), fresh(9);
    KVnum two = num(9, 2);
    KVnum* r = used.Ln(&two);
    ASSERT_FALSE(r->IsZero());
    used = fresh;  // shows fresh's result, which nothing has written yet
    EXPECT_TRUE(r->IsZero());
    EXPECT_STREQ(r->String(0, false), "0");
    EXPECT_TRUE(kvtest::normalForm(*r));
}

TEST(FuncObject, CopyOutlivesItsSource) {
    Func viewer(40);
    KVnum one = num(40, 1);
    KVnum* shown = viewer.Aln(&one);
    KVnum two = num(40, 2);
    Func* source = new Func(40);
    source->Ln(&two);
    Func copy(*source);
    delete source;
    viewer = copy;
    EXPECT_TRUE(agreesWith(*shown, row("Ln", "2")));

    // The copy goes its own way from its source's state.
    Func source2(40);
    source2.Ln(&two);
    Func copy2(source2);
    KVnum half = num(40, "0.5");
    source2.Aln(&half);
    viewer = copy2;
    EXPECT_TRUE(agreesWith(*shown, row("Ln", "2")));
}

TEST(FuncObject, AssignmentSamePrecision) {
    Func a(40), b(40);
    KVnum two = num(40, 2), half = num(40, "0.5");
    KVnum* ra = a.Ln(&two);
    const char* text = ra->String(10, false);
    const std::string before = text;
    b.Aln(&half);
    a = b;
    EXPECT_EQ(a.Nlimbs(), 40);
    EXPECT_TRUE(agreesWith(*ra, row("Aln", "0.5")));
    EXPECT_EQ(std::string(text), before);  // the text buffer of res is untouched

    KVnum keep(*ra);
    a = a;  // self-assignment changes nothing
    EXPECT_TRUE(same(*ra, keep));
}

TEST(FuncObject, AssignmentKeepsTheTargetsPrecision) {
    Func wide(40), narrow(9);
    KVnum two40 = num(40, 2), two9 = num(9, 2);
    KVnum* rw = wide.Ln(&two40);
    KVnum* rn = narrow.Ln(&two9);

    Func w2(wide);
    narrow = w2;  // 40 -> 9: the value is cut to 9 limbs
    EXPECT_EQ(narrow.Nlimbs(), 9);
    EXPECT_EQ(rn->Nlimbs(), 9);
    KVnum cut(9);
    cut = row("Ln", "2").value;  // text assignment also cuts, without rounding
    EXPECT_TRUE(same(*rn, cut)) << rn->String(0, false);

    KVnum three9 = num(9, 3);
    narrow.Ln(&three9);
    KVnum small(*rn);
    wide = narrow;  // 9 -> 40: the 9-limb value, widened with zeros
    EXPECT_EQ(wide.Nlimbs(), 40);
    EXPECT_EQ(rw->Nlimbs(), 40);
    KVnum widened(40);
    widened = small;
    EXPECT_TRUE(same(*rw, widened));
    EXPECT_EQ(*rw == small, 0);
    EXPECT_TRUE(kvtest::normalForm(*rw));
    // Later calls still work at the target's own precision.
    EXPECT_TRUE(agreesWith(*wide.Ln(&two40), row("Ln", "2")));
}

TEST(FuncObject, ArgumentsOfAnotherPrecisionAreConverted) {
    // A 40-limb argument on a 9-limb Func gives what its 9-limb cut gives,
    // and a 9-limb argument on a 40-limb Func what its widened copy gives.
    Func f9(9), f40(40);
    KVnum x40 = num(40, "2.718281828459045235360287"), x9(9);
    x9 = x40;
    KVnum a(*f9.Ln(&x40));
    KVnum b(*f9.Ln(&x9));
    EXPECT_TRUE(same(a, b));
    KVnum y40(40);
    y40 = x9;
    KVnum c(*f40.Iroot(&x9, 3));
    KVnum d(*f40.Iroot(&y40, 3));
    EXPECT_TRUE(same(c, d));
    KVnum e(*f40.Fpower(&y40, &x9));
    KVnum g(*f40.Fpower(&y40, &y40));
    EXPECT_TRUE(same(e, g));
}

}  // namespace
