#include <expat.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "platform/corefoundation/Files.h"
#include "platform/corefoundation/Internal.h"

namespace {

// One open container while parsing: a dict (keys and values) or an array.
struct Frame {
    bool isDict = false;
    std::vector<CFTypeRef> keys;
    std::vector<CFTypeRef> values;
    CFStringRef pendingKey = nullptr;
};

void ReleaseAll(std::vector<CFTypeRef>& refs) {
    for (CFTypeRef r : refs) {
        CFRelease(r);
    }
    refs.clear();
}

bool DecodeBase64(const std::string& text, std::string& out) {
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    };
    unsigned bits = 0;
    int count = 0;
    for (char c : text) {
        if (c == '=' || c == ' ' || c == '\n' || c == '\r' || c == '\t') {
            continue;
        }
        const int v = value(c);
        if (v < 0) {
            return false;
        }
        bits = (bits << 6) | static_cast<unsigned>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return true;
}

class Parser {
public:
    Parser() : parser_(XML_ParserCreate("UTF-8")) {
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, &Parser::Start, &Parser::End);
        XML_SetCharacterDataHandler(parser_, &Parser::Text);
    }
    ~Parser() {
        XML_ParserFree(parser_);
        for (Frame& f : stack_) {
            ReleaseAll(f.keys);
            ReleaseAll(f.values);
            if (f.pendingKey != nullptr) {
                CFRelease(f.pendingKey);
            }
        }
        if (root_ != nullptr) {
            CFRelease(root_);
        }
    }
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    CFDictionaryRef Parse(const std::string& xml) {
        if (xml.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()) ||
            XML_Parse(parser_, xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_ERROR ||
            failed_ || root_ == nullptr || CFGetTypeID(root_) != CFDictionaryGetTypeID()) {
            return nullptr;
        }
        CFTypeRef root = root_;
        root_ = nullptr;
        return static_cast<CFDictionaryRef>(root);
    }

private:
    static void Start(void* self, const XML_Char* name, const XML_Char**) {
        static_cast<Parser*>(self)->OnStart(name);
    }
    static void End(void* self, const XML_Char* name) { static_cast<Parser*>(self)->OnEnd(name); }
    static void Text(void* self, const XML_Char* s, int len) {
        static_cast<Parser*>(self)->text_.append(s, static_cast<std::size_t>(len));
    }

    void Fail() {
        failed_ = true;
        XML_StopParser(parser_, XML_FALSE);
    }

    void OnStart(const char* name) {
        if (failed_) {
            return;
        }
        text_.clear();
        if (std::strcmp(name, "plist") == 0) {
            return;
        }
        if (std::strcmp(name, "dict") == 0 || std::strcmp(name, "array") == 0) {
            if (stack_.size() >= static_cast<std::size_t>(pvcf::kPropertyListDepthLimit)) {
                return Fail();
            }
            Frame f;
            f.isDict = name[0] == 'd';
            stack_.push_back(std::move(f));
        }
    }

    void OnEnd(const char* name) {
        if (failed_ || std::strcmp(name, "plist") == 0) {
            return;
        }
        if (std::strcmp(name, "key") == 0) {
            if (stack_.empty() || !stack_.back().isDict || stack_.back().pendingKey != nullptr) {
                return Fail();
            }
            stack_.back().pendingKey = pvcf::NewStringFromUtf8(text_);
            return;
        }
        CFTypeRef value = nullptr;
        if (std::strcmp(name, "dict") == 0 || std::strcmp(name, "array") == 0) {
            Frame f = std::move(stack_.back());
            stack_.pop_back();
            if (f.pendingKey != nullptr) {
                CFRelease(f.pendingKey);
                ReleaseAll(f.keys);
                ReleaseAll(f.values);
                return Fail();
            }
            if (f.isDict) {
                value = CFDictionaryCreate(nullptr, f.keys.data(), f.values.data(),
                                           static_cast<CFIndex>(f.keys.size()),
                                           &kCFTypeDictionaryKeyCallBacks,
                                           &kCFTypeDictionaryValueCallBacks);
            } else {
                value = CFArrayCreate(nullptr, f.values.data(), static_cast<CFIndex>(f.values.size()),
                                      &kCFTypeArrayCallBacks);
            }
            ReleaseAll(f.keys);
            ReleaseAll(f.values);
        } else if (std::strcmp(name, "string") == 0) {
            value = pvcf::NewStringFromUtf8(text_);
        } else if (std::strcmp(name, "integer") == 0) {
            char* end = nullptr;
            errno = 0;
            const long long v = std::strtoll(text_.c_str(), &end, 10);
            if (text_.empty() || *end != '\0' || errno != 0) {
                return Fail();
            }
            value = CFNumberCreate(nullptr, kCFNumberLongLongType, &v);
        } else if (std::strcmp(name, "real") == 0) {
            char* end = nullptr;
            const double v = std::strtod(text_.c_str(), &end);
            if (text_.empty() || *end != '\0') {
                return Fail();
            }
            value = CFNumberCreate(nullptr, kCFNumberDoubleType, &v);
        } else if (std::strcmp(name, "true") == 0) {
            value = kCFBooleanTrue;
        } else if (std::strcmp(name, "false") == 0) {
            value = kCFBooleanFalse;
        } else if (std::strcmp(name, "data") == 0) {
            std::string bytes;
            if (!DecodeBase64(text_, bytes)) {
                return Fail();
            }
            value = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()),
                                 static_cast<CFIndex>(bytes.size()));
        } else {
            return Fail();  // an element this reader does not know
        }
        if (value == nullptr) {
            return Fail();
        }
        Place(value);
    }

    void Place(CFTypeRef value) {
        if (stack_.empty()) {
            if (root_ != nullptr) {
                CFRelease(value);
                return Fail();
            }
            root_ = value;
            return;
        }
        Frame& f = stack_.back();
        if (f.isDict) {
            if (f.pendingKey == nullptr) {
                CFRelease(value);
                return Fail();
            }
            f.keys.push_back(f.pendingKey);
            f.pendingKey = nullptr;
        }
        f.values.push_back(value);
    }

    XML_Parser parser_;
    std::vector<Frame> stack_;
    std::string text_;
    CFTypeRef root_ = nullptr;
    bool failed_ = false;
};

}  // namespace

namespace pvcf {

CFDictionaryRef ParsePropertyList(const std::string& xml) {
    Parser parser;
    return parser.Parse(xml);
}

}  // namespace pvcf
