// Distinct numbers and distinct Func objects on distinct threads at once.
// Each thread repeats a fixed mix of function calls, arithmetic and native
// assignments and compares every result with the same computation done alone
// beforehand. Run under ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

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
