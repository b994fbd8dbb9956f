// Distinct numbers and distinct Func and ExactFunc objects on distinct threads
// at once.
// Each thread repeats a fixed mix of function calls, arithmetic and native
// assignments and compares every result with the same computation done alone
// beforehand. Run under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <kelvane/ExactFunc.h>
#include <kelvane/Func.h>
#include "kvtest.h"

namespace {

const int kLimbs = 20;

// One computation: a name and a function from a fresh Func to its text.
struct Job {
    const char* name;
    std::function<std::string(Func&)> run;
};

std::vector<Job> jobs() {
    auto arg = [](const char* t) {
        KVnum x(kLimbs);
        x = t;
        return x;
    };
    return {
        {"Ln(2)", [=](Func& f) { KVnum x = arg("2"); return std::string(f.Ln(&x)->String(0, false)); }},
        {"Aln(0.5)", [=](Func& f) { KVnum x = arg("0.5"); return std::string(f.Aln(&x)->String(0, false)); }},
        {"Sin(1)", [=](Func& f) { KVnum x = arg("1"); return std::string(f.Sin(&x)->String(0, false)); }},
        {"Arctan(0.2)", [=](Func& f) { KVnum x = arg("0.2"); return std::string(f.Arctan(&x)->String(0, false)); }},
        {"Pi", [](Func& f) { return std::string(f.Pi()->String(0, false)); }},
        {"e", [](Func& f) { return std::string(f.e()->String(0, false)); }},
        {"Iroot(10,3)", [=](Func& f) { KVnum x = arg("10"); return std::string(f.Iroot(&x, 3)->String(0, false)); }},
        {"Fpower(3,1.5)", [=](Func& f) {
             KVnum x = arg("3"), y = arg("1.5");
             return std::string(f.Fpower(&x, &y)->String(0, false));
         }},
        {"arith", [](Func&) {
             KVnum a(kLimbs), b(kLimbs);
             a = 22;
             b = 7.0;
             a /= b;
             b = 123456789012345LL;
             a *= b;
             b = 0.1f;
             a -= b;
             KVnum p(kLimbs);
             p = 5u;
             a ^= p;
             return std::string(a.String(0, true));
         }},
        {"BtoB", [](Func&) {
             KVnum a(kLimbs);
             a = 1;
             return std::string(a.BtoB(10, 16, "255.5"));
         }},
        {"report", [=](Func& f) {
             KVnum x = arg("-1");
             return std::string(f.Ln(&x)->String(0, false));  // "x must be greater than 0" from every thread
         }},
    };
}

}  // namespace

TEST(Threads, DistinctObjectsOnDistinctThreadsGiveTheResultsOfASingleThread) {
    kvtest::ErrorLog quiet;  // the handler is read from every thread
    const std::vector<Job> all = jobs();
    std::vector<std::string> expected;
    for (const Job& j : all) {
        Func f(kLimbs);
        expected.push_back(j.run(f));
    }
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            Func f(kLimbs);
            for (int round = 0; round < 3; ++round)
                for (size_t k = 0; k < all.size(); ++k) {
                    const size_t i = (k + static_cast<size_t>(t)) % all.size();
                    if (all[i].run(f) != expected[i]) ++mismatches;
                }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(mismatches.load(), 0);
}

// The exact tier keeps pi per process, grown when a call needs more places:
// threads that ask for ever more places at once (large arguments of Sin and
// Cos need pi to their integer digits; arctan of huge arguments keeps its
// value per precision) must each see a sound value. Their
// results are checked afterwards against the same calls made one at a time.
TEST(Threads, ExactPiGrowsSafelyUnderConcurrentCalls) {
    auto run = [](int t, int k) {
        const int n = 9 + 13 * (t + 4 * k);  // every thread its own precisions
        ExactFunc f(n);
        KVnum x(n);
        const std::string big = "1e" + std::to_string(200 * (t + 1) + 97 * k);
        x = big.c_str();
        std::string s = f.Sin(&x)->String(0, false);
        s += f.Pi()->String(0, false);
        // Arctan beyond 1/x's last place keeps its result per precision.
        x = "-3e9000";
        s += f.Arctan(&x)->String(0, false);
        return s;
    };
    std::vector<std::vector<std::string>> got(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int k = 0; k < 4; ++k) got[static_cast<size_t>(t)].push_back(run(t, k));
        });
    for (auto& th : threads) th.join();
    for (int t = 0; t < 4; ++t)
        for (int k = 0; k < 4; ++k) EXPECT_EQ(got[static_cast<size_t>(t)][static_cast<size_t>(k)], run(t, k));
}

// The same for the logarithm constants (ln 10, ln 2, ln 3), the kept e and
// golden ratio and the conversions' constants: every thread at rising precisions of its own, so the shared
// values grow while others read them.
TEST(Threads, ExactLogConstantsGrowSafelyUnderConcurrentCalls) {
    auto run = [](int t, int k) {
        const int n = 10 + 11 * (t + 4 * k);
        ExactFunc f(n);
        KVnum x(n);
        x = "1e-300";
        std::string s = f.Ln(&x)->String(0, false);
        x = "0.5";
        s += f.Ln(&x)->String(0, false);
        x = "3.7";  // the lattice of 2, 3 and 5: its table and ln 3 as well
        s += f.Ln(&x)->String(0, false);
        x = "2.5";
        s += f.Alog(&x)->String(0, false);
        // The conversions' constants (1/ln 10, pi/180, 180/pi) grow the same
        // way; the roots keep their temporaries per thread.
        s += f.LntoLog(&x)->String(0, false);
        s += f.DtoR(&x)->String(0, false);
        s += f.RtoD(&x)->String(0, false);
        s += f.Iroot(&x, 2)->String(0, false);
        s += f.e()->String(0, false);
        s += f.PHI()->String(0, false);
        return s;
    };
    std::vector<std::vector<std::string>> got(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int k = 0; k < 3; ++k) got[static_cast<size_t>(t)].push_back(run(t, k));
        });
    for (auto& th : threads) th.join();
    for (int t = 0; t < 4; ++t)
        for (int k = 0; k < 3; ++k) EXPECT_EQ(got[static_cast<size_t>(t)][static_cast<size_t>(k)], run(t, k));
}
