// Parser of fmhost's calculations.
#include "fmhost/Calc.h"

#include <charconv>
#include <cstdio>

namespace fmhost {
namespace {

constexpr std::string_view kPilcrow = "\xC2\xB6";   // ¶ in UTF-8

struct Failed {
    std::size_t at;
    std::string message;
};

bool IsNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsNameChar(char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '.';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

class Parser {
public:
    explicit Parser(std::string_view s) : s_(s) {}

    CalcNode Calculation()
    {
        SkipSpace();
        if (AtEnd()) Fail(pos_, "the calculation is empty");
        CalcNode node = Expression();
        SkipSpace();
        if (!AtEnd()) {
            if (Peek() == ')') Fail(pos_, "unexpected \")\": no \"(\" is open");
            if (Peek() == ';') Fail(pos_, "unexpected \";\" outside a function's parentheses");
            Fail(pos_, "expected \"&\" or the end of the calculation, found " + Describe(pos_));
        }
        return node;
    }

    int Column(std::size_t at) const
    {
        int column = 1;
        for (std::size_t i = 0; i < at && i < s_.size(); ++i)
            if ((static_cast<unsigned char>(s_[i]) & 0xC0) != 0x80) ++column;
        return column;
    }

private:
    [[noreturn]] void Fail(std::size_t at, std::string message) { throw Failed{at, std::move(message)}; }

    bool AtEnd() const { return pos_ >= s_.size(); }
    char Peek() const { return AtEnd() ? '\0' : s_[pos_]; }
    bool AtPilcrow(std::size_t at) const { return s_.substr(at, kPilcrow.size()) == kPilcrow; }

    void SkipSpace()
    {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\r' || Peek() == '\n'))
            ++pos_;
    }

    // The character at `at` for a message: quoted, or a byte value.
    std::string Describe(std::size_t at) const
    {
        if (at >= s_.size()) return "the end of the calculation";
        auto b = static_cast<unsigned char>(s_[at]);
        if (b >= 0x21 && b < 0x7F) return std::string("\"") + s_[at] + "\"";
        if (b >= 0xC2 && b < 0xF5) {
            std::size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
            std::size_t k = 1;
            while (k < n && at + k < s_.size() && (static_cast<unsigned char>(s_[at + k]) & 0xC0) == 0x80) ++k;
            if (k == n) return "\"" + std::string(s_.substr(at, n)) + "\"";
        }
        char buf[16];
        std::snprintf(buf, sizeof buf, "byte 0x%02X", b);
        return buf;
    }

    CalcNode Expression()
    {
        CalcNode first = Value();
        SkipSpace();
        if (Peek() != '&') return first;
        CalcNode cat;
        cat.kind = CalcNode::Kind::Concat;
        cat.column = first.column;
        cat.args.push_back(std::move(first));
        while (Peek() == '&') {
            ++pos_;
            SkipSpace();
            cat.args.push_back(Value());
            SkipSpace();
        }
        return cat;
    }

    CalcNode Value()
    {
        SkipSpace();
        CalcNode node;
        node.column = Column(pos_);
        if (AtEnd()) Fail(pos_, "a value is missing at the end of the calculation");
        char c = Peek();
        if (c == '"') {
            TextLiteral(node);
        } else if (IsDigit(c) || c == '-' || c == '.') {
            NumberLiteral(node);
        } else if (AtPilcrow(pos_)) {
            node.text = "\r";
            pos_ += kPilcrow.size();
        } else if (c == '(') {
            std::size_t open = pos_++;
            Enter(open);
            node = Expression();
            SkipSpace();
            if (Peek() != ')') Unclosed(open);
            ++pos_;
            --depth_;
        } else if (IsNameStart(c)) {
            Call(node);
        } else if (c == ')') {
            Fail(pos_, "a value is missing before \")\"");
        } else if (c == ';') {
            Fail(pos_, "a value is missing before \";\"");
        } else if (c == '&') {
            Fail(pos_, "a value is missing before \"&\"");
        } else {
            Fail(pos_, "unexpected " + Describe(pos_));
        }
        return node;
    }

    void Enter(std::size_t at)
    {
        if (++depth_ > kMaxCalcNesting) Fail(at, "the calculation is nested too deeply");
    }

    [[noreturn]] void Unclosed(std::size_t open)
    {
        std::string where = "missing \")\" for the \"(\" at column " + std::to_string(Column(open));
        if (AtEnd()) Fail(pos_, where);
        Fail(pos_, where + ", found " + Describe(pos_));
    }

    void TextLiteral(CalcNode& node)
    {
        std::size_t open = pos_++;
        std::string text;
        for (;;) {
            if (AtEnd()) Fail(open, "the text that starts here has no closing quote");
            char c = s_[pos_];
            if (c == '"') {
                ++pos_;
                break;
            }
            if (c == '\\' && pos_ + 1 < s_.size()) {
                char n = s_[pos_ + 1];
                if (n == '"' || n == '\\') {
                    text.push_back(n);
                    pos_ += 2;
                    continue;
                }
                if (AtPilcrow(pos_ + 1)) {
                    text += kPilcrow;
                    pos_ += 1 + kPilcrow.size();
                    continue;
                }
            }
            if (AtPilcrow(pos_)) {
                text.push_back('\r');
                pos_ += kPilcrow.size();
                continue;
            }
            text.push_back(c);
            ++pos_;
        }
        node.kind = CalcNode::Kind::Text;
        node.text = std::move(text);
    }

    void NumberLiteral(CalcNode& node)
    {
        std::size_t start = pos_;
        bool negative = false;
        if (Peek() == '-') {
            negative = true;
            ++pos_;
            SkipSpace();
        }
        std::string digits = "0";
        bool any = false;
        while (IsDigit(Peek())) {
            digits.push_back(s_[pos_++]);
            any = true;
        }
        if (Peek() == '.') {
            digits.push_back(s_[pos_++]);
            while (IsDigit(Peek())) {
                digits.push_back(s_[pos_++]);
                any = true;
            }
        }
        if (!any) {
            if (negative) Fail(start, "a number must follow \"-\"");
            Fail(start, "a number needs at least one digit");
        }
        if (digits.back() == '.') digits.pop_back();
        double v = 0;
        auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
        if (r.ec != std::errc() || r.ptr != digits.data() + digits.size())
            Fail(start, "the number is out of range");
        node.kind = CalcNode::Kind::Number;
        node.number = negative ? -v : v;
    }

    void Call(CalcNode& node)
    {
        std::size_t start = pos_;
        while (IsNameChar(Peek())) ++pos_;
        node.kind = CalcNode::Kind::Call;
        node.text = std::string(s_.substr(start, pos_ - start));
        bool isList = SameIgnoringCase(node.text, "List");
        if (isList) node.kind = CalcNode::Kind::List;

        std::size_t after = pos_;
        SkipSpace();
        if (Peek() != '(') {
            if (isList) Fail(start, "List needs its values in parentheses");
            pos_ = after;
            return;
        }
        std::size_t open = pos_++;
        Enter(open);
        SkipSpace();
        if (Peek() == ')') {
            if (isList) Fail(pos_, "List needs at least one value");
            ++pos_;
            --depth_;
            return;
        }
        for (;;) {
            node.args.push_back(Expression());
            SkipSpace();
            if (Peek() == ';') {
                ++pos_;
                continue;
            }
            if (Peek() == ')') {
                ++pos_;
                break;
            }
            Unclosed(open);
        }
        --depth_;
    }

    std::string_view s_;
    std::size_t pos_ = 0;
    int depth_ = 0;
};

void Describe(const CalcNode& node, std::string& out)
{
    auto list = [&](const char* head, const char* sep) {
        out += head;
        out += '(';
        for (std::size_t i = 0; i < node.args.size(); ++i) {
            if (i) out += sep;
            Describe(node.args[i], out);
        }
        out += ')';
    };
    switch (node.kind) {
    case CalcNode::Kind::Text:
        out += '"';
        for (char c : node.text) {
            if (c == '\r')
                out += kPilcrow;
            else if (c == '"' || c == '\\')
                out += {'\\', c};
            else
                out += c;
        }
        out += '"';
        break;
    case CalcNode::Kind::Number: {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.17g", node.number);
        out += buf;
        break;
    }
    case CalcNode::Kind::Concat:
        list("cat", " & ");
        break;
    case CalcNode::Kind::List:
        list("list", " ; ");
        break;
    case CalcNode::Kind::Call:
        list(("call " + node.text).c_str(), " ; ");
        break;
    }
}

} // namespace

bool ParseCalc(std::string_view source, int line, CalcNode* out, CalcError* error)
{
    Parser parser(source);
    try {
        *out = parser.Calculation();
        return true;
    } catch (const Failed& f) {
        if (error) {
            error->line = line;
            error->column = parser.Column(f.at);
            error->message = f.message;
        }
        return false;
    }
}

std::string DescribeCalc(const CalcNode& node)
{
    std::string out;
    Describe(node, out);
    return out;
}

} // namespace fmhost
