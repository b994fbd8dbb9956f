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
};

bool isNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::vector<Token> tokenize(const std::string& s) {
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
            case '+': case '-': case '*': case '/': case '^': case '!':
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
    Parser(std::vector<Token> toks, const std::function<bool(const std::string&)>& isVar)
        : t_(std::move(toks)), isVar_(isVar) {}

    Statement line() {
        Statement st;
        if (peek().kind == Token::End) return st;
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
        if (peek().kind != Token::End) {
            const Token& t = peek();
            if (t.kind == Token::Op && t.text == ")")
                throw SyntaxError{t.pos, "unmatched ')'"};
            if (t.kind == Token::Op && t.text == "=")
                throw SyntaxError{t.pos, "'=' only after a variable name at the start of the line"};
            throw SyntaxError{t.pos, "expected an operator, found " + describe(t)};
        }
        return st;
    }

private:
    std::vector<Token> t_;
    size_t i_ = 0;
    const std::function<bool(const std::string&)>& isVar_;

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
        while (isOp("*") || isOp("/")) {
            const Token& op = next();
            auto right = unary();
            left = binary(op.text == "*" ? Node::Mul : Node::Div, op.pos, std::move(left), std::move(right));
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
            if (const FnInfo* f = findFunction(t.text)) return call(t, *f);
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
        if (static_cast<int>(n->kids.size()) != f.arity) {
            const std::string want = f.arity == 1 ? "1 argument" : std::to_string(f.arity) + " arguments";
            throw SyntaxError{close.pos, "'" + name.text + "' takes " + want + ", given " +
                                             std::to_string(n->kids.size())};
        }
        return n;
    }
};

}  // namespace

bool isReservedName(const std::string& name) {
    Constant c;
    return findFunction(name) != nullptr || findConstant(name, c) || name == "ans";
}

const std::vector<FnInfo>& functionTable() { return kFunctions; }

Statement parseLine(const std::string& line, const std::function<bool(const std::string&)>& isVariable) {
    Parser p(tokenize(line), isVariable);
    return p.line();
}

}  // namespace kvcalc
