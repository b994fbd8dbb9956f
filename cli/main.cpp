// kvcalc: the command-line calculator of the Kelvane library.
//
//   kvcalc [OPTIONS] [EXPRESSION...]
//
// With expressions it prints one result per line and exits with 0, or with
// 2 if a line had a syntax error, or 1 if one failed otherwise. Without, it
// reads lines from standard input: with a prompt, line editing and history
// on a terminal, silently from a pipe or file.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "Calculator.h"
#include <kelvane/KVnum.h>
#include "Parser.h"

#ifdef KVCALC_HAVE_READLINE
#include <readline/history.h>
#include <readline/readline.h>
#endif

#ifndef KVCALC_VERSION
#define KVCALC_VERSION "unknown"
#endif

namespace {

const char* const kUsage =
    "Usage: kvcalc [OPTIONS] [EXPRESSION...]\n"
    "Decimal arbitrary-precision calculator. Each EXPRESSION is evaluated and\n"
    "printed on its own line; without one, lines are read from standard input\n"
    "(with a prompt, line editing and history on a terminal).\n"
    "\n"
    "Options:\n"
    "  -p, --precision LIMBS  working precision in limbs of four digits (default:\n"
    "                         $PRECISION when 9 or more, else 130: 256 digits)\n"
    "  -d, --digits N         print exactly N fractional digits (truncated)\n"
    "  -g, --group            group the integer digits in threes with ','\n"
    "  -o, --obase R          print results in radix R (2..36)\n"
    "      --raw              print the library's own text for the value\n"
    "      --literal          no guard digits and no argument reduction: the\n"
    "                         library's own results at the chosen precision\n"
    "  -h, --help             show this help and exit\n"
    "      --version          show the version and exit\n"
    "  --                     end of options (for expressions starting with '-')\n"
    "\n"
    "Expressions: numbers (12, 1.5, .5, 2.5e-3), + - * / ^ (power), unary minus,\n"
    "parentheses, postfix ! (factorial), the functions ln exp log sqrt root(x, n)\n"
    "pow(x, y) logb(b, x) sin cos tan asin acos atan (radians) rad deg (degrees to\n"
    "radians and back) int, the constants pi e phi, ans (the last result) and\n"
    "'name = expression' to keep a value. -2^2 is -(2^2); 2^3^2 is 2^(3^2).\n"
    "Every digit printed is correct: results are truncated, not rounded.\n"
    "\n"
    "Exit status: 0 on success, 1 if an expression failed to evaluate, 2 on a\n"
    "syntax or usage error.\n";

[[noreturn]] void usageError(const std::string& msg) {
    std::fprintf(stderr, "kvcalc: %s\nTry 'kvcalc --help' for more information.\n", msg.c_str());
    std::exit(2);
}

long parseCount(const std::string& opt, const std::string& value, long lo, long hi) {
    if (value.empty()) usageError("option '" + opt + "' needs a value");
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(value.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || end == value.c_str())
        usageError("invalid value '" + value + "' for option '" + opt + "'");
    if (v < lo || v > hi)
        usageError("value for option '" + opt + "' must be between " + std::to_string(lo) + " and " +
                   std::to_string(hi));
    return v;
}

// A single-dash argument is an option only in the forms -p, -d, -o (alone
// or with digits attached: -p40), -g and -h; anything else, such as "-2*3",
// "-pi" or "-exp(1)", is an expression.
bool looksLikeExpression(const std::string& arg) {
    if (arg.size() < 2 || arg[0] != '-' || arg[1] == '-') return false;
    const char c = arg[1];
    if (arg.size() == 2) return !(c == 'p' || c == 'd' || c == 'o' || c == 'g' || c == 'h');
    if (c != 'p' && c != 'd' && c != 'o') return true;
    return arg.find_first_not_of("0123456789", 2) != std::string::npos;
}

int worse(int a, int b) { return a > b ? a : b; }

bool isQuit(const std::string& line) {
    const size_t b = line.find_first_not_of(" \t\r");
    if (b == std::string::npos) return false;
    const size_t e = line.find_last_not_of(" \t\r");
    const std::string w = line.substr(b, e - b + 1);
    return w == "quit" || w == "exit";
}

int runStream(kvcalc::Calculator& calc, std::istream& in) {
    int status = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (isQuit(line)) break;
        status = worse(status, calc.processLine(line, stdout, stderr));
    }
    return status;
}

#ifdef KVCALC_HAVE_READLINE
// Ctrl-C at the prompt drops the line being typed; during a computation the
// default action applies, so that a long one can be stopped.
void onInterrupt(int) {
    std::fputs("\n", stdout);
    rl_on_new_line();
    rl_replace_line("", 0);
    rl_redisplay();
}

std::string historyPath() {
    if (const char* p = std::getenv("KVCALC_HISTORY")) return p;
    if (const char* h = std::getenv("HOME")) return std::string(h) + "/.kvcalc_history";
    return "";
}

int runInteractive(kvcalc::Calculator& calc) {
    rl_catch_signals = 0;
    const std::string hist = historyPath();
    stifle_history(1000);
    if (!hist.empty()) read_history(hist.c_str());
    for (;;) {
        std::signal(SIGINT, onInterrupt);
        char* raw = readline("> ");
        std::signal(SIGINT, SIG_DFL);
        if (!raw) {
            std::fputs("\n", stdout);
            break;
        }
        std::string line(raw);
        std::free(raw);
        if (line.find_first_not_of(" \t") != std::string::npos) add_history(line.c_str());
        if (isQuit(line)) break;
        calc.processLine(line, stdout, stderr);
    }
    if (!hist.empty()) write_history(hist.c_str());
    return 0;
}
#else
int runInteractive(kvcalc::Calculator& calc) {
    std::string line;
    for (;;) {
        std::fputs("> ", stdout);
        std::fflush(stdout);
        if (!std::getline(std::cin, line)) {
            std::fputs("\n", stdout);
            break;
        }
        if (isQuit(line)) break;
        calc.processLine(line, stdout, stderr);
    }
    return 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    kvcalc::Options opt;
    long precision = 0;
    std::vector<std::string> exprs;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsDone || arg.size() < 2 || arg[0] != '-') {
            exprs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsDone = true;
            continue;
        }
        if (looksLikeExpression(arg)) {
            exprs.push_back(arg);
            continue;
        }
        std::string name = arg, value;
        bool hasValue = false;
        if (arg.compare(0, 2, "--") == 0) {
            const size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                name = arg.substr(0, eq);
                value = arg.substr(eq + 1);
                hasValue = true;
            }
        } else if (arg.size() > 2) {
            name = arg.substr(0, 2);
            value = arg.substr(2);
            hasValue = true;
        }
        auto takeValue = [&]() -> std::string {
            if (hasValue) return value;
            if (i + 1 >= argc) usageError("option '" + name + "' needs a value");
            return argv[++i];
        };
        auto noValue = [&]() {
            if (hasValue) usageError("option '" + name + "' takes no value");
        };
        if (name == "-p" || name == "--precision") {
            precision = parseCount(name, takeValue(), 1, 1000000);
        } else if (name == "-d" || name == "--digits") {
            opt.digits = static_cast<int>(parseCount(name, takeValue(), 0, 1000000));
        } else if (name == "-o" || name == "--obase") {
            opt.obase = static_cast<int>(parseCount(name, takeValue(), 2, 36));
        } else if (name == "-g" || name == "--group") {
            noValue();
            opt.group = true;
        } else if (name == "--raw") {
            noValue();
            opt.raw = true;
        } else if (name == "--literal") {
            noValue();
            opt.literal = true;
        } else if (name == "-h" || name == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (name == "--version") {
            std::printf("kvcalc %s\n", KVCALC_VERSION);
            return 0;
        } else {
            usageError("unknown option '" + arg + "'");
        }
    }
    // The library's precision policy decides below its minimum.
    opt.precision = KVnum(static_cast<int>(precision)).Nlimbs();

    kvcalc::installReportHandler();
    kvcalc::Calculator calc(opt);
    if (!exprs.empty()) {
        int status = 0;
        for (const std::string& e : exprs) status = worse(status, calc.processLine(e, stdout, stderr));
        return status;
    }
    if (isatty(STDIN_FILENO)) return runInteractive(calc);
    return runStream(calc, std::cin);
}
