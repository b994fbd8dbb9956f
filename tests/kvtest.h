// Shared helpers for the Kelvane tests.
#ifndef KELVANE_KVTEST_H
#define KELVANE_KVTEST_H

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <kelvane/KVnum.h>

namespace kvtest {

// A number of precision n assigned from text.
inline KVnum num(int n, const char* text) {
    KVnum x(n);
    x = text;
    return x;
}

// Full decimal text of a number (no digit limit, no grouping).
inline std::string str(KVnum x) { return x.String(0, false); }

// The limbs from the head index down to 0, as the tables list them.
inline std::vector<int> headLimbs(const KVnum& x) {
    std::vector<int> v;
    for (int i = x.Nlimbs() / 2 - 2; i >= 0; --i) v.push_back(x.Limb(i));
    return v;
}

// True when the stored form obeys the invariants every operation promises.
inline bool normalForm(const KVnum& x) {
    const int n = x.Nlimbs(), h = n / 2 - 2;
    for (int i = 0; i < n; ++i)
        if (x.Limb(i) < 0 || x.Limb(i) > 9999) return false;
    if (x.Top() < 0) {
        if (x.Expo() != 0 || x.Minus()) return false;
        for (int i = 0; i < n; ++i)
            if (x.Limb(i) != 0) return false;
        return true;
    }
    if (x.Top() != h || x.Limb(h) == 0) return false;
    for (int i = h + 1; i < n; ++i)
        if (x.Limb(i) != 0) return false;
    return true;
}

// Collects the library's reports while alive; restores the previous handler.
class ErrorLog {
public:
    ErrorLog() { prev_ = KVsetErrorHandler(&ErrorLog::record); messages().clear(); }
    ~ErrorLog() { KVsetErrorHandler(prev_); }
    static std::vector<std::string>& messages() {
        static thread_local std::vector<std::string> m;
        return m;
    }

private:
    static void record(const char*, const char* message) { messages().push_back(message); }
    KVErrorHandler prev_;
};

// Seed for randomised tests: KV_TEST_SEED overrides the fixed default.
inline uint64_t seed(uint64_t fallback = 20261207) {
    const char* s = std::getenv("KV_TEST_SEED");
    return s ? std::strtoull(s, nullptr, 10) : fallback;
}

// Sets or clears an environment variable for one scope.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) { had_ = true; old_ = old; }
        if (value) setenv(name, value, 1); else unsetenv(name);
    }
    ~EnvVar() { if (had_) setenv(name_, old_.c_str(), 1); else unsetenv(name_); }

private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

}  // namespace kvtest

#endif
