#include <cctype>

#include "platform/common/Utf.h"
#include "platform/common/charset.h"
#include "platform/corefoundation/Files.h"

namespace {

class Reader {
public:
    explicit Reader(std::u32string text) : s_(std::move(text)) {}

    bool Parse(std::map<std::u16string, std::u16string>& out) {
        for (;;) {
            if (!SkipSpace()) {
                return false;
            }
            if (i_ >= s_.size()) {
                return true;
            }
            std::u16string key, value;
            if (!Token(key) || !SkipSpace()) {
                return false;
            }
            if (At('=')) {
                ++i_;
                if (!SkipSpace() || !Token(value) || !SkipSpace()) {
                    return false;
                }
            } else {
                value = key;  // "key"; stands for "key" = "key";
            }
            if (!At(';')) {
                return false;
            }
            ++i_;
            out[key] = value;
        }
    }

private:
    bool At(char32_t c) const { return i_ < s_.size() && s_[i_] == c; }

    // Spaces and comments; false for a comment that never ends.
    bool SkipSpace() {
        while (i_ < s_.size()) {
            const char32_t c = s_[i_];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0xFEFF) {
                ++i_;
            } else if (c == '/' && i_ + 1 < s_.size() && s_[i_ + 1] == '*') {
                const std::size_t end = s_.find(U"*/", i_ + 2);
                if (end == std::u32string::npos) {
                    return false;
                }
                i_ = end + 2;
            } else if (c == '/' && i_ + 1 < s_.size() && s_[i_ + 1] == '/') {
                while (i_ < s_.size() && s_[i_] != '\n') {
                    ++i_;
                }
            } else {
                break;
            }
        }
        return true;
    }

    static bool IsWordChar(char32_t c) {
        return c < 0x80 && (std::isalnum(static_cast<int>(c)) || c == '_' || c == '.' ||
                            c == '$' || c == ':' || c == '/' || c == '-');
    }

    int Hex(std::size_t count) {
        if (i_ + count > s_.size()) {
            return -1;
        }
        int v = 0;
        for (std::size_t k = 0; k < count; ++k) {
            const char32_t c = s_[i_ + k];
            int d;
            if (c >= '0' && c <= '9') d = static_cast<int>(c - '0');
            else if (c >= 'a' && c <= 'f') d = static_cast<int>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') d = static_cast<int>(c - 'A' + 10);
            else return -1;
            v = v * 16 + d;
        }
        i_ += count;
        return v;
    }

    // A token's characters as UTF-16; a \u escape is one unit as written, so
    // that two escapes of a surrogate pair make one character.
    bool Token(std::u16string& out) {
        if (i_ >= s_.size()) {
            return false;
        }
        if (s_[i_] != '"') {
            while (i_ < s_.size() && IsWordChar(s_[i_])) {
                out.push_back(static_cast<char16_t>(s_[i_++]));
            }
            return !out.empty();
        }
        ++i_;
        while (i_ < s_.size()) {
            char32_t c = s_[i_++];
            if (c == '"') {
                return true;
            }
            if (c != '\\') {
                pvcommon::utf::AppendUtf16(out, c);
                continue;
            }
            if (i_ >= s_.size()) {
                return false;
            }
            c = s_[i_++];
            switch (c) {
            case 'n': out.push_back('\n'); break;
            case 't': out.push_back('\t'); break;
            case 'r': out.push_back('\r'); break;
            case 'a': out.push_back('\a'); break;
            case 'b': out.push_back('\b'); break;
            case 'f': out.push_back('\f'); break;
            case 'v': out.push_back('\v'); break;
            case 'U':
            case 'u': {
                const int unit = Hex(4);
                if (unit < 0) {
                    return false;
                }
                out.push_back(static_cast<char16_t>(unit));
                break;
            }
            default:
                if (c >= '0' && c <= '7') {
                    unsigned v = c - '0';
                    for (int k = 0; k < 2 && i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '7'; ++k) {
                        v = v * 8 + (s_[i_++] - '0');
                    }
                    out.push_back(static_cast<char16_t>(v));
                } else {
                    // \" \\ \' and any other character as itself
                    pvcommon::utf::AppendUtf16(out, c);
                }
                break;
            }
        }
        return false;  // the closing quote is missing
    }

    std::u32string s_;
    std::size_t i_ = 0;
};

}  // namespace

namespace pvcf {

bool ParseStringsTable(const std::string& bytes, std::map<std::u16string, std::u16string>& out) {
    const char* charset = "UTF-8";
    std::size_t skip = 0;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        charset = "UTF-16LE";
        skip = 2;
    } else if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
               static_cast<unsigned char>(bytes[1]) == 0xFF) {
        charset = "UTF-16BE";
        skip = 2;
    }
    std::wstring wide;
    if (!pvcommon::Decode(charset, bytes.data() + skip, bytes.size() - skip, wide,
                          pvcommon::BadBytes::kFail)) {
        return false;
    }
    Reader reader(std::u32string(wide.begin(), wide.end()));
    std::map<std::u16string, std::u16string> table;
    if (!reader.Parse(table)) {
        return false;
    }
    out.swap(table);
    return true;
}

}  // namespace pvcf
