// kvcalc: tokenizer and recursive-descent parser.
#include "Parser.h"

#include <cctype>

namespace kvcalc {

namespace {

struct Token {
    enum Kind { Number, Name, Op, End };
    Kind kind;
    std::string text;
    size_t pos;
    int radix = 10;
};

bool isNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int digitIn(char c, int radix) {
    int v = 99;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'A' && c <= 'Z') v = c - 'A' + 10;
    return v < radix ? v : -1;
}

// A word of capital letters and digits that are all digits of the radix.
bool radixWord(const std::string& s, size_t i, int radix, size_t& end) {
    size_t j = i;
    bool point = false;
    while (j < s.size() && (digitIn(s[j], radix) >= 0 || (s[j] == '.' && !point))) {
        if (s[j] == '.') point = true;
        ++j;
    }
    if (j < s.size() && isNameChar(s[j])) return false;
    end = j;
    return j > i;
}

std::vector<Token> tokenize(const std::string& s, int ibase) {
    std::vector<Token> out;
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        const char c = s[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c == '#') break;  // comment to the end of the line
        const size_t start = i;
        if (c == '0' && i + 2 < n && (s[i + 1] == 'x' || s[i + 1] == 'X' || s[i + 1] == 'o' || s[i + 1] == 'O' ||
                                      s[i + 1] == 'b' || s[i + 1] == 'B')) {
            const char m = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i + 1])));
            const int radix = m == 'x' ? 16 : m == 'o' ? 8 : 2;
            size_t j = i + 2;
            std::string digits;
            while (j < n && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '.')) {
                digits += static_cast<char>(std::toupper(static_cast<unsigned char>(s[j])));
                ++j;
            }
            size_t end = 0;
            if (!radixWord(digits, 0, radix, end) || end != digits.size())
                throw SyntaxError{start, "bad digits in '" + s.substr(start, j - start) + "'"};
            Token t{Token::Number, digits, start};
            t.radix = radix;
            out.push_back(t);
            i = j;
            continue;
        }
        if (ibase != 10 && (isDigit(c) || (c >= 'A' && c <= 'Z') || c == '.')) {
            size_t end = 0;
            if (radixWord(s, i, ibase, end) && s.substr(i, end - i) != ".") {
                Token t{Token::Number, s.substr(i, end - i), start};
                t.radix = ibase;
                out.push_back(t);
                i = end;
                continue;
            }
            if (isDigit(c)) throw SyntaxError{start, "not a number in radix " + std::to_string(ibase)};
        }
        if (isDigit(c) || (c == '.' && i + 1 < n && isDigit(s[i + 1]))) {
            while (i < n && isDigit(s[i])) ++i;
            if (i < n && s[i] == '.') {
                ++i;
                while (i < n && isDigit(s[i])) ++i;
            }
            if (i < n && (s[i] == 'e' || s[i] == 'E')) {
                size_t j = i + 1;
                if (j < n && (s[j] == '+' || s[j] == '-')) ++j;
                if (j < n && isDigit(s[j])) {
                    while (j < n && isDigit(s[j])) ++j;
                    i = j;
                }
            }
            out.push_back({Token::Number, s.substr(start, i - start), start});
            continue;
        }
        if (isNameStart(c)) {
            while (i < n && isNameChar(s[i])) ++i;
            out.push_back({Token::Name, s.substr(start, i - start), start});
            continue;
        }
        switch (c) {
            case '+': case '-': case '*': case '/': case '^': case '!': case '%':
            case '(': case ')': case ',': case '=':
                out.push_back({Token::Op, std::string(1, c), start});
                ++i;
                continue;
            default:
                break;
        }
        std::string shown(1, c);
        if (static_cast<unsigned char>(c) >= 0x80 || !std::isprint(static_cast<unsigned char>(c))) {
            shown = "character";
            throw SyntaxError{start, "unexpected " + shown};
        }
        throw SyntaxError{start, "unexpected '" + shown + "'"};
    }
    out.push_back({Token::End, "", n});
    return out;
}

const std::vector<FnInfo> kFunctions = {
    {"ln", Fn::Ln, 1},     {"exp", Fn::Exp, 1},   {"log", Fn::Log, 1},   {"sqrt", Fn::Sqrt, 1},
    {"root", Fn::Root, 2}, {"pow", Fn::Pow, 2},   {"logb", Fn::Logb, 2}, {"sin", Fn::Sin, 1},
    {"cos", Fn::Cos, 1},   {"tan", Fn::Tan, 1},   {"asin", Fn::Asin, 1}, {"acos", Fn::Acos, 1},
    {"atan", Fn::Atan, 1}, {"rad", Fn::Rad, 1},   {"deg", Fn::Deg, 1},   {"int", Fn::Int, 1},
    {"abs", Fn::Abs, 1},   {"floor", Fn::Floor, 1}, {"ceil", Fn::Ceil, 1}, {"round", Fn::Round, 1},
    {"min", Fn::Min, -2},  {"max", Fn::Max, -2},  {"sinh", Fn::Sinh, 1}, {"cosh", Fn::Cosh, 1},
    {"tanh", Fn::Tanh, 1}, {"asinh", Fn::Asinh, 1}, {"acosh", Fn::Acosh, 1}, {"atanh", Fn::Atanh, 1},
    {"atan2", Fn::Atan2, 2}, {"hypot", Fn::Hypot, 2}, {"log2", Fn::Log2, 1}, {"log10", Fn::Log10, 1},
    {"cbrt", Fn::Cbrt, 1}, {"gamma", Fn::Gamma, 1}, {"lgamma", Fn::Lgamma, 1},
};

const FnInfo* findFunction(const std::string& name) {
    for (const FnInfo& f : kFunctions)
        if (name == f.name) return &f;
    return nullptr;
}

bool findConstant(const std::string& name, Constant& c) {
    if (name == "pi") c = Constant::Pi;
    else if (name == "e") c = Constant::E;
    else if (name == "phi") c = Constant::Phi;
    else return false;
    return true;
}

std::string describe(const Token& t) {
    switch (t.kind) {
        case Token::Number: return "number '" + t.text + "'";
        case Token::Name: return "name '" + t.text + "'";
        case Token::Op: return "'" + t.text + "'";
        case Token::End: return "end of input";
    }
    return "token";
}

class Parser {
public:
    Parser(std::vector<Token> toks, const std::function<bool(const std::string&)>& isVar,
           const std::function<bool(const std::string&)>& isFn)
        : t_(std::move(toks)), isVar_(isVar), isFn_(isFn) {}

    Statement line() {
        Statement st;
        if (peek().kind == Token::End) return st;
        if (definitionAhead()) {
            const Token& name = next();
            if (isReservedName(name.text))
                throw SyntaxError{name.pos, "cannot redefine '" + name.text + "'"};
            st.target = name.text;
            st.function = true;
            next();  // '('
            while (peek().kind == Token::Name) {
                const Token& p = next();
                if (isReservedName(p.text)) throw SyntaxError{p.pos, "'" + p.text + "' cannot name a parameter"};
                for (const std::string& q : st.params)
                    if (q == p.text) throw SyntaxError{p.pos, "parameter '" + p.text + "' given twice"};
                st.params.push_back(p.text);
                if (isOp(",")) next();
            }
            next();  // ')'
            next();  // '='
            if (peek().kind == Token::End)
                throw SyntaxError{peek().pos, "expected an expression after '='"};
            params_ = &st.params;
            self_ = st.target;
            st.expr = expr();
            params_ = nullptr;
            if (peek().kind != Token::End) trailing();
            return st;
        }
        if (peek().kind == Token::Name && t_[i_ + 1].kind == Token::Op && t_[i_ + 1].text == "=") {
            const Token& name = next();
            if (isReservedName(name.text))
                throw SyntaxError{name.pos, "cannot assign to '" + name.text + "'"};
            st.target = name.text;
            next();  // '='
            if (peek().kind == Token::End)
                throw SyntaxError{peek().pos, "expected an expression after '='"};
        }
        st.expr = expr();
        if (peek().kind != Token::End) trailing();
        return st;
    }

private:
    std::vector<Token> t_;
    size_t i_ = 0;
    const std::function<bool(const std::string&)>& isVar_;
    const std::function<bool(const std::string&)>& isFn_;
    const std::vector<std::string>* params_ = nullptr;  // while parsing a definition
    std::string self_;                                  // the function being defined

    [[noreturn]] void trailing() {
        const Token& t = peek();
        if (t.kind == Token::Op && t.text == ")")
            throw SyntaxError{t.pos, "unmatched ')'"};
        if (t.kind == Token::Op && t.text == "=")
            throw SyntaxError{t.pos, "'=' only after a variable name at the start of the line"};
        throw SyntaxError{t.pos, "expected an operator, found " + describe(t)};
    }

    // NAME '(' [NAME (',' NAME)*] ')' '='
    bool definitionAhead() const {
        size_t j = i_;
        if (t_[j].kind != Token::Name) return false;
        ++j;
        if (!(t_[j].kind == Token::Op && t_[j].text == "(")) return false;
        ++j;
        bool expectName = true;
        while (true) {
            const Token& t = t_[j];
            if (t.kind == Token::Op && t.text == ")") break;
            if (expectName && t.kind == Token::Name) {
                expectName = false;
            } else if (!expectName && t.kind == Token::Op && t.text == ",") {
                expectName = true;
            } else {
                return false;
            }
            ++j;
        }
        ++j;
        return t_[j].kind == Token::Op && t_[j].text == "=";
    }

    bool isParam(const std::string& n) const {
        if (!params_) return false;
        for (const std::string& p : *params_)
            if (p == n) return true;
        return false;
    }

    bool isUserFn(const std::string& n) const { return n == self_ || (isFn_ && isFn_(n)); }

    const Token& peek() const { return t_[i_]; }
    const Token& next() { return t_[i_++]; }
    bool isOp(const char* op) const { return peek().kind == Token::Op && peek().text == op; }

    static std::unique_ptr<Node> binary(Node::Kind k, size_t pos, std::unique_ptr<Node> a,
                                        std::unique_ptr<Node> b) {
        auto n = std::make_unique<Node>(k, pos);
        n->kids.push_back(std::move(a));
        n->kids.push_back(std::move(b));
        return n;
    }

    std::unique_ptr<Node> expr() {
        auto left = term();
        while (isOp("+") || isOp("-")) {
            const Token& op = next();
            auto right = term();
            left = binary(op.text == "+" ? Node::Add : Node::Sub, op.pos, std::move(left), std::move(right));
        }
        return left;
    }

    std::unique_ptr<Node> term() {
        auto left = unary();
        while (isOp("*") || isOp("/") || isOp("%")) {
            const Token& op = next();
            auto right = unary();
            const Node::Kind k = op.text == "*" ? Node::Mul : op.text == "/" ? Node::Div : Node::Mod;
            left = binary(k, op.pos, std::move(left), std::move(right));
        }
        return left;
    }

    std::unique_ptr<Node> unary() {
        if (isOp("-")) {
            const Token& op = next();
            auto n = std::make_unique<Node>(Node::Neg, op.pos);
            n->kids.push_back(unary());
            return n;
        }
        if (isOp("+")) {
            next();
            return unary();
        }
        return power();
    }

    std::unique_ptr<Node> power() {
        auto base = postfix();
        if (isOp("^")) {
            const Token& op = next();
            auto exponent = unary();
            return binary(Node::Pow, op.pos, std::move(base), std::move(exponent));
        }
        return base;
    }

    std::unique_ptr<Node> postfix() {
        auto p = primary();
        while (isOp("!")) {
            const Token& op = next();
            auto n = std::make_unique<Node>(Node::Fact, op.pos);
            n->kids.push_back(std::move(p));
            p = std::move(n);
        }
        return p;
    }

    std::unique_ptr<Node> primary() {
        const Token& t = peek();
        if (t.kind == Token::Number) {
            next();
            auto n = std::make_unique<Node>(Node::Number, t.pos);
            n->text = t.text;
            n->radix = t.radix;
            return n;
        }
        if (t.kind == Token::Op && t.text == "(") {
            next();
            if (isOp(")")) throw SyntaxError{peek().pos, "expected an expression inside '()'"};
            auto e = expr();
            if (!isOp(")")) {
                if (peek().kind == Token::End)
                    throw SyntaxError{peek().pos, "missing ')' for the '(' at column " + std::to_string(t.pos + 1)};
                throw SyntaxError{peek().pos, "expected ')', found " + describe(peek())};
            }
            next();
            return e;
        }
        if (t.kind == Token::Name) {
            next();
            if (isParam(t.text)) {
                auto n = std::make_unique<Node>(Node::Variable, t.pos);
                n->text = t.text;
                return n;
            }
            if (const FnInfo* f = findFunction(t.text)) return call(t, *f);
            if (isOp("(") && isUserFn(t.text)) return userCall(t);
            if (isOp("(")) {
                Constant c;
                if (findConstant(t.text, c) || t.text == "ans" || isVar_(t.text))
                    throw SyntaxError{t.pos, "'" + t.text + "' is not a function"};
                throw SyntaxError{t.pos, "unknown function '" + t.text + "'"};
            }
            Constant c;
            if (findConstant(t.text, c)) {
                auto n = std::make_unique<Node>(Node::Const, t.pos);
                n->constant = c;
                n->text = t.text;
                return n;
            }
            if (t.text == "ans") return std::make_unique<Node>(Node::Ans, t.pos);
            if (!isVar_(t.text)) throw SyntaxError{t.pos, "unknown name '" + t.text + "'"};
            auto n = std::make_unique<Node>(Node::Variable, t.pos);
            n->text = t.text;
            return n;
        }
        if (t.kind == Token::End) throw SyntaxError{t.pos, "unexpected end of input"};
        throw SyntaxError{t.pos, "unexpected " + describe(t)};
    }

    std::unique_ptr<Node> call(const Token& name, const FnInfo& f) {
        if (!isOp("(")) throw SyntaxError{peek().pos, "expected '(' after '" + name.text + "'"};
        const Token& open = next();
        auto n = std::make_unique<Node>(Node::Call, name.pos);
        n->fn = f.fn;
        n->text = name.text;
        if (!isOp(")")) {
            n->kids.push_back(expr());
            while (isOp(",")) {
                next();
                n->kids.push_back(expr());
            }
        }
        if (!isOp(")")) {
            if (peek().kind == Token::End)
                throw SyntaxError{peek().pos, "missing ')' for the '(' at column " + std::to_string(open.pos + 1)};
            throw SyntaxError{peek().pos, "expected ',' or ')', found " + describe(peek())};
        }
        const Token& close = next();
        if (f.arity == -2) {
            if (n->kids.size() < 2)
                throw SyntaxError{close.pos, "'" + name.text + "' takes 2 or more arguments, given " +
                                                 std::to_string(n->kids.size())};
        } else if (static_cast<int>(n->kids.size()) != f.arity) {
            const std::string want = f.arity == 1 ? "1 argument" : std::to_string(f.arity) + " arguments";
            throw SyntaxError{close.pos, "'" + name.text + "' takes " + want + ", given " +
                                             std::to_string(n->kids.size())};
        }
        return n;
    }

    std::unique_ptr<Node> userCall(const Token& name) {
        const Token& open = next();
        auto n = std::make_unique<Node>(Node::UserCall, name.pos);
        n->text = name.text;
        if (!isOp(")")) {
            n->kids.push_back(expr());
            while (isOp(",")) {
                next();
                n->kids.push_back(expr());
            }
        }
        if (!isOp(")")) {
            if (peek().kind == Token::End)
                throw SyntaxError{peek().pos, "missing ')' for the '(' at column " + std::to_string(open.pos + 1)};
            throw SyntaxError{peek().pos, "expected ',' or ')', found " + describe(peek())};
        }
        next();
        return n;
    }
};

}  // namespace

bool isReservedName(const std::string& name) {
    Constant c;
    return findFunction(name) != nullptr || findConstant(name, c) || name == "ans";
}

const std::vector<FnInfo>& functionTable() { return kFunctions; }

Statement parseLine(const std::string& line, const std::function<bool(const std::string&)>& isVariable,
                    const std::function<bool(const std::string&)>& isFunction, int ibase) {
    Parser p(tokenize(line, ibase), isVariable, isFunction);
    return p.line();
}

}  // namespace kvcalc
