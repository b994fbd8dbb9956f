// Long random sequences of operations at several precisions. After every
// step the result must be in normal form; the values are fed back so that
// numbers drift through carries, cancellations and wide exponent ranges.
// KV_STRESS_STEPS raises the number of steps for a longer soak (the
// sanitizer build checks that nothing leaks).
#include <gtest/gtest.h>

#include <random>

#include "kvtest.h"

namespace {

int stepsFromEnv(int fallback) {
    const char* s = std::getenv("KV_STRESS_STEPS");
    return s ? std::atoi(s) : fallback;
}

std::string randomText(std::mt19937_64& rng) {
    static const char* pieces[] = {"9999", "0000", "1", "5", "0.", "-", "e-7", "e12", "3.14159", "0001"};
    std::string s;
    const int k = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < k; ++i) s += pieces[rng() % 10];
    return s;
}

}  // namespace

TEST(Stress, RandomOperationSequencesKeepTheInvariants) {
    const uint64_t seed = kvtest::seed();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937_64 rng(seed);
    kvtest::ErrorLog quiet;  // exponent reports are expected on the way
    const int steps = stepsFromEnv(20000);
    long nonzero = 0, total = 0;
    for (int n : {9, 10, 13, 40, 131, 300}) {
        KVnum pool[4] = {KVnum(n), KVnum(n), KVnum(n), KVnum(n)};
        for (auto& x : pool) x = randomText(rng).c_str();
        const int here = n >= 131 ? steps / 6 : steps;
        for (int i = 0; i < here; ++i) {
            KVnum& a = pool[rng() % 4];
            KVnum& b = pool[rng() % 4];
            switch (rng() % 9) {
                case 0: a += b; break;
                case 1: a -= b; break;
                case 2: a *= b; break;
                case 3:
                    if (!b.IsZero()) a /= b;
                    break;
                case 4: {
                    KVnum e(n);
                    e = static_cast<int>(rng() % 5);
                    a ^= e;
                    break;
                }
                case 5:
                    if (a.Expo() < 5000 && a.Expo() > -5000) a.Intp();  // Intp prints the number
                    break;
                case 6: a = randomText(rng).c_str(); break;
                case 7: a = static_cast<double>(static_cast<int64_t>(rng())) / 7.0; break;
                default: {
                    KVnum copy(a);
                    a = copy;
                    EXPECT_EQ(a == copy, 0);
                }
            }
            ASSERT_TRUE(kvtest::normalForm(a)) << "step " << i << " at " << n << " limbs";
            ASSERT_EQ(a.Nlimbs(), n);
            nonzero += !a.IsZero();
            ++total;
        }
    }
    // The sequences must exercise real values, not collapse to zero.
    EXPECT_GT(nonzero, total / 2);
}
