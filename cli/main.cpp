// kvcalc: the command-line calculator of the Kelvane library.
//
//   kvcalc [OPTIONS] [EXPRESSION...]
//
// With expressions it prints one result per line and exits with 0, or with
// 2 if a line had a syntax error, or 1 if one failed otherwise. With -f it
// reads the lines of a file. Without either, it reads lines from standard
// input: with a prompt, line editing and history on a terminal, silently
// from a pipe.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "Ball.h"
#include "BallFunc.h"
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
    "Decimal arbitrary-precision calculator: every digit printed is correct\n"
    "(results are truncated, never rounded). Each EXPRESSION is evaluated and\n"
    "printed on its own line; without one, lines are read from standard input\n"
    "(with a prompt, line editing and history on a terminal; type 'help').\n"
    "\n"
    "Options:\n"
    "  -p, --precision LIMBS  working precision in limbs of four digits (default:\n"
    "                         $PRECISION when 9 or more, else 130: 256 digits;\n"
    "                         at a terminal without -p, -s or -d: 50 digits)\n"
    "  -s, --significant N    print N significant digits\n"
    "  -d, --digits N         print exactly N fractional digits (truncated)\n"
    "  -e, --sci              scientific notation (d.ddd...eN)\n"
    "  -g, --group            group the integer digits in threes with ','\n"
    "  -o, --obase R          print results in radix R (2..36)\n"
    "  -i, --ibase R          read numbers in radix R (2..16; digits 0-9, A-F)\n"
    "  -f, --file FILE        evaluate the lines of FILE ('-': standard input);\n"
    "                         errors name the file and the line\n"
    "      --raw              print the library's own text for the value\n"
    "      --literal          the library's own results at the chosen precision:\n"
    "                         no guard digits, no argument reduction, no proof\n"
    "  -h, --help             show this help and exit\n"
    "      --version          show the version and exit\n"
    "  --                     end of options (for expressions starting with '-')\n"
    "\n"
    "Expressions: numbers (12, 1.5, .5, 2.5e-3, 0x1F, 0o17, 0b101), + - * /\n"
    "% (remainder) ^ (power) and postfix ! (factorial, gamma(x+1) for any x),\n"
    "parentheses, the functions sqrt cbrt root(x,n) exp ln log log2 log10\n"
    "logb(b,x) pow(x,y) sin cos tan asin acos atan atan2(y,x) sinh cosh tanh\n"
    "asinh acosh atanh abs floor ceil round int min max hypot gamma lgamma rad deg\n"
    "(angles in radians), the constants pi e phi, ans (the last result),\n"
    "'name = expression' to keep a value and 'f(x, y) = expression' to define a\n"
    "function. -2^2 is -(2^2); 2^3^2 is 2^(3^2).\n"
    "\n"
    "Examples:\n"
    "  kvcalc 'sqrt(2)' '2^0.5'         1.41421356237309504880... (256 digits)\n"
    "  kvcalc -d 30 'exp(pi*sqrt(163))' 30 digits after the point\n"
    "  kvcalc -s 20 -e '1/7'            1.4285714285714285714e-1\n"
    "  kvcalc -o 16 255 0.1             FF and 0.1999999...\n"
    "  kvcalc -i 16 'FF + 1'            256\n"
    "  kvcalc -f sums.txt               one result per line of the file\n"
    "  kvcalc                           a session: 'help' lists the commands\n"
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

bool takesValue(char c) { return c == 'p' || c == 'd' || c == 'o' || c == 's' || c == 'i' || c == 'f'; }

// A single-dash argument is an option only in the forms -p, -d, -o, -s, -i,
// -f (alone or, but for -f, with digits attached: -p40), -g, -e and -h;
// anything else, such as "-2*3", "-pi" or "-exp(1)", is an expression.
bool looksLikeExpression(const std::string& arg) {
    if (arg.size() < 2 || arg[0] != '-' || arg[1] == '-') return false;
    const char c = arg[1];
    if (arg.size() == 2) return !(takesValue(c) || c == 'g' || c == 'h' || c == 'e');
    if (!takesValue(c) || c == 'f') return true;
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

int runStream(kvcalc::Calculator& calc, std::istream& in, const std::string& name) {
    int status = 0;
    std::string line;
    long number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (isQuit(line)) break;
        const std::string where = name.empty() ? "" : name + ":" + std::to_string(number) + ": ";
        status = worse(status, calc.processLine(line, stdout, stderr, where));
    }
    return status;
}

// Ctrl-C during a computation sets the flag that the evaluation polls: the
// line ends with "Interrupted" and the session goes on with its variables.
void onInterruptCompute(int) { kvcalc::g_interrupted = 1; }

int computeLine(kvcalc::Calculator& calc, const std::string& line) {
    kvcalc::g_interrupted = 0;
    struct sigaction sa {};
    sa.sa_handler = onInterruptCompute;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    const int status = calc.processLine(line, stdout, stderr);
    kvcalc::g_interrupted = 0;
    return status;
}

#ifdef KVCALC_HAVE_READLINE
// Ctrl-C at the prompt drops the line being typed.
void onInterruptPrompt(int) {
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
    if (!hist.empty()) {
        read_history(hist.c_str());
        history_truncate_file(hist.c_str(), 1000);
    }
    for (;;) {
        std::signal(SIGINT, onInterruptPrompt);
        char* raw = readline("> ");
        std::signal(SIGINT, SIG_DFL);
        if (!raw) {
            std::fputs("\n", stdout);
            break;
        }
        std::string line(raw);
        std::free(raw);
        if (line.find_first_not_of(" \t") != std::string::npos) {
            add_history(line.c_str());
            // Each line is appended at once, so that nothing is lost when
            // the terminal goes away.
            if (!hist.empty()) {
                if (append_history(1, hist.c_str()) != 0) write_history(hist.c_str());
            }
        }
        if (isQuit(line)) break;
        computeLine(calc, line);
    }
    return 0;
}
#else
int runInteractive(kvcalc::Calculator& calc) {
    std::string line;
    for (;;) {
        std::signal(SIGINT, SIG_IGN);
        std::fputs("> ", stdout);
        std::fflush(stdout);
        if (!std::getline(std::cin, line)) {
            std::fputs("\n", stdout);
            break;
        }
        if (isQuit(line)) break;
        computeLine(calc, line);
    }
    return 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    kvcalc::Options opt;
    long precision = 0;
    bool shapeGiven = false;  // -p, -s or -d
    std::vector<std::string> exprs;
    std::vector<std::string> files;
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
            shapeGiven = true;
        } else if (name == "-s" || name == "--significant") {
            opt.sig = static_cast<int>(parseCount(name, takeValue(), 1, 1000000));
            shapeGiven = true;
        } else if (name == "-d" || name == "--digits") {
            opt.digits = static_cast<int>(parseCount(name, takeValue(), 0, 1000000));
            shapeGiven = true;
        } else if (name == "-o" || name == "--obase") {
            opt.obase = static_cast<int>(parseCount(name, takeValue(), 2, 36));
        } else if (name == "-i" || name == "--ibase") {
            opt.ibase = static_cast<int>(parseCount(name, takeValue(), 2, 16));
        } else if (name == "-f" || name == "--file") {
            files.push_back(takeValue());
        } else if (name == "-g" || name == "--group") {
            noValue();
            opt.group = true;
        } else if (name == "-e" || name == "--sci") {
            noValue();
            opt.sci = true;
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
    if (opt.sig > 0 && precision == 0) opt.precision = std::max(9, kvcalc::limbsAt(opt.sig));
    const bool interactive = exprs.empty() && files.empty() && isatty(STDIN_FILENO);
    // A terminal line is 80 columns: 50 significant digits unless asked.
    if (interactive && !shapeGiven && !std::getenv("PRECISION")) opt.sig = 50;

    kvcalc::installReportHandler();
    kvcalc::Calculator calc(opt);
    int status = 0;
    for (const std::string& f : files) {
        if (f == "-") {
            status = worse(status, runStream(calc, std::cin, "-"));
            continue;
        }
        std::ifstream in(f);
        if (!in) {
            std::fprintf(stderr, "kvcalc: cannot read '%s': %s\n", f.c_str(), std::strerror(errno));
            return 2;
        }
        status = worse(status, runStream(calc, in, f));
    }
    for (const std::string& e : exprs) status = worse(status, calc.processLine(e, stdout, stderr));
    if (!exprs.empty() || !files.empty()) return status;
    if (interactive) return runInteractive(calc);
    return runStream(calc, std::cin, "");
}
