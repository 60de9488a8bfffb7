#include "fmhost/Script.h"

#include <charconv>

#include "fmhost/WorldScript.h"

namespace fmhost {
namespace {

struct Failed {
    std::size_t at;   // byte offset in the line
    std::string message;
};

bool IsSpace(char c)
{
    return c == ' ' || c == '\t';
}

class Directive {
public:
    explicit Directive(std::string_view line) : s_(line) {}

    // The next word; empty at the end of the line.
    std::string_view Word()
    {
        Skip();
        std::size_t start = pos_;
        while (pos_ < s_.size() && !IsSpace(s_[pos_])) ++pos_;
        last_ = start;
        return s_.substr(start, pos_ - start);
    }

    bool AtEnd()
    {
        Skip();
        return pos_ >= s_.size();
    }

    std::size_t Position() { return (Skip(), pos_); }
    std::size_t LastWord() const { return last_; }

    // The rest of the line without surrounding blanks; one pair of double
    // quotes around it is taken off.
    std::string Rest()
    {
        Skip();
        std::string_view rest = s_.substr(pos_);
        while (!rest.empty() && IsSpace(rest.back())) rest.remove_suffix(1);
        pos_ = s_.size();
        if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"') rest = rest.substr(1, rest.size() - 2);
        return std::string(rest);
    }

    long Number(const char* what, long min, long max)
    {
        std::string_view w = Word();
        if (w.empty()) throw Failed{last_, std::string(what) + " is missing"};
        long v = 0;
        auto r = std::from_chars(w.data(), w.data() + w.size(), v);
        if (r.ec != std::errc() || r.ptr != w.data() + w.size())
            throw Failed{last_, std::string(what) + " must be a whole number, not \"" + std::string(w) + "\""};
        if (v < min || v > max)
            throw Failed{last_, std::string(what) + " must lie between " + std::to_string(min) + " and " +
                                    std::to_string(max)};
        return v;
    }

    void End()
    {
        if (!AtEnd()) throw Failed{pos_, "unexpected \"" + std::string(Word()) + "\" at the end of the line"};
    }

    // The rest of the line as words and quoted texts, with where each starts.
    std::vector<DirectiveWord> Words(std::vector<std::size_t>* starts)
    {
        std::vector<DirectiveWord> words;
        while (!AtEnd()) {
            starts->push_back(pos_);
            DirectiveWord w;
            if (s_[pos_] == '"') {
                std::size_t open = pos_++;
                w.quoted = true;
                for (;;) {
                    if (pos_ >= s_.size()) throw Failed{open, "the text that starts here has no closing quote"};
                    char c = s_[pos_++];
                    if (c == '"') break;
                    if (c == '\\' && pos_ < s_.size() && (s_[pos_] == '"' || s_[pos_] == '\\')) c = s_[pos_++];
                    w.text.push_back(c);
                }
                if (pos_ < s_.size() && !IsSpace(s_[pos_])) throw Failed{pos_, "a blank must follow a quoted text"};
            } else {
                w.text = std::string(Word());
            }
            words.push_back(std::move(w));
        }
        return words;
    }

private:
    void Skip()
    {
        while (pos_ < s_.size() && IsSpace(s_[pos_])) ++pos_;
    }

    std::string_view s_;
    std::size_t pos_ = 0;
    std::size_t last_ = 0;
};

Command ParseDirective(std::string_view line)
{
    Command c;
    Directive d(line);
    std::string_view name = d.Word();
    std::size_t nameAt = d.LastWord();
    if (name == "#string") {
        c.kind = Command::Kind::String;
        c.stringId = static_cast<int>(d.Number("the string id", 0, 255));
        if (!d.AtEnd()) c.capacity = static_cast<std::uint32_t>(d.Number("the capacity", 0, kMaxStringCapacity));
        d.End();
    } else if (name == "#init") {
        c.kind = Command::Kind::Init;
        if (!d.AtEnd()) c.extnVersion = static_cast<int>(d.Number("the extension version", -32768, 32767));
        if (!d.AtEnd()) c.hostVersion = d.Rest();
    } else if (name == "#idle") {
        c.kind = Command::Kind::Idle;
        d.End();
    } else if (name == "#prefs") {
        c.kind = Command::Kind::Prefs;
        d.End();
    } else if (name == "#shutdown") {
        c.kind = Command::Kind::Shutdown;
        d.End();
    } else if (name == "#unsafe") {
        c.kind = Command::Kind::Unsafe;
        c.messageKind = static_cast<int>(d.Number("the message kind", 0, 255));
        d.End();
    } else if (name == "#sleep") {
        c.kind = Command::Kind::Sleep;
        c.sleepMs = static_cast<int>(d.Number("the sleep time", 0, kMaxSleepMs));
        d.End();
    } else if (name == "#external") {
        c.kind = Command::Kind::External;
        c.externalIndex = static_cast<int>(d.Number("the function index", 0, 65535));
        if (!d.AtEnd()) c.parameter = d.Rest();
    } else if (name == "#journal") {
        c.kind = Command::Kind::Journal;
        d.End();
    } else if (name == "#desktop") {
        c.kind = Command::Kind::Desktop;
        d.End();
    } else if (IsWorldDirective(name)) {
        c.kind = Command::Kind::World;
        c.directive = std::string(name);
        std::vector<std::size_t> starts;
        c.words = d.Words(&starts);
        std::size_t at = 0;
        std::string message;
        if (!CheckWorldDirective(name, c.words, &at, &message))
            throw Failed{at < starts.size() ? starts[at] : line.size(), std::string(name) + ": " + message};
    } else {
        throw Failed{nameAt, "unknown directive \"" + std::string(name) + "\""};
    }
    return c;
}

int Column(std::string_view line, std::size_t at)
{
    int column = 1;
    for (std::size_t i = 0; i < at && i < line.size(); ++i)
        if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++column;
    return column;
}

} // namespace

bool ParseScript(std::string_view text, std::vector<Command>* out, CalcError* error)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<Command> commands;
    int number = 0;
    while (!text.empty()) {
        ++number;
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        std::size_t first = 0;
        while (first < line.size() && IsSpace(line[first])) ++first;
        std::string_view body = line.substr(first);
        if (body.empty() || body.substr(0, 2) == "//") continue;

        if (body[0] == '#') {
            try {
                Command c = ParseDirective(body);
                c.line = number;
                commands.push_back(std::move(c));
            } catch (const Failed& f) {
                if (error) *error = CalcError{number, Column(line, first + f.at), f.message};
                return false;
            }
            continue;
        }
        Command c;
        c.kind = Command::Kind::Calc;
        c.line = number;
        if (!ParseCalc(line, number, &c.calc, error)) return false;
        commands.push_back(std::move(c));
    }
    *out = std::move(commands);
    return true;
}

} // namespace fmhost
