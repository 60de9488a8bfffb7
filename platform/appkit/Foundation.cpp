// Foundation: objects and reference counting, autorelease pools,
// exceptions, strings with their formats, dictionaries.
#include <atomic>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

#include "platform/appkit/AppKit.h"
#include "platform/appkit/Internal.h"
#include "platform/common/Utf.h"

namespace {

std::atomic<long> liveObjects{0};
thread_local NSAutoreleasePool* innermostPool = nullptr;

// Literals and constants live as long as the process.
constexpr NSUInteger kImmortal = NSUInteger(1) << 62;

} // namespace

// ---- NSObject ----------------------------------------------------------------------

NSObject::NSObject() { liveObjects.fetch_add(1, std::memory_order_relaxed); }

NSObject::~NSObject() { liveObjects.fetch_sub(1, std::memory_order_relaxed); }

NSObject* NSObject::alloc() { return new NSObject; }

NSObject* NSObject::retain()
{
    ++refs_;
    return this;
}

void NSObject::release()
{
    if (refs_ >= kImmortal)
        return;
    if (--refs_ == 0)
        delete this;
}

NSObject* NSObject::autorelease()
{
    NSAutoreleasePool::addObject(this);
    return this;
}

NSUInteger NSObject::retainCount() const { return refs_; }

NSString* NSObject::description()
{
    char text[64];
    std::snprintf(text, sizeof text, "<NSObject: %p>", static_cast<void*>(this));
    return NSString::stringWithUTF8String(text);
}

BOOL NSObject::isEqual(NSObject* other) { return other == this ? YES : NO; }

NSUInteger NSObject::hash() { return reinterpret_cast<NSUInteger>(this); }

long NSObject::LiveObjects() { return liveObjects.load(std::memory_order_relaxed); }

namespace pvappkit {

NSObject* Immortal(NSObject* object)
{
    object->refs_ = kImmortal;
    liveObjects.fetch_sub(1, std::memory_order_relaxed);
    return object;
}

} // namespace pvappkit

// ---- NSAutoreleasePool ---------------------------------------------------------------------

NSAutoreleasePool* NSAutoreleasePool::alloc() { return new NSAutoreleasePool; }

NSAutoreleasePool* NSAutoreleasePool::init()
{
    if (!pushed_) {
        outer_ = innermostPool;
        innermostPool = this;
        pushed_ = true;
    }
    return this;
}

void NSAutoreleasePool::addObject(NSObject* object)
{
    if (!object)
        return;
    if (!innermostPool) {
        std::fprintf(stderr, "NSAutoreleasePool: object %p autoreleased with no pool in place - "
                             "just leaking\n",
                     static_cast<void*>(object));
        return;
    }
    innermostPool->objects_.push_back(object);
}

void NSAutoreleasePool::Pop()
{
    if (!pushed_)
        return;
    // Pools made inside this one go first.
    bool inChain = false;
    for (NSAutoreleasePool* p = innermostPool; p; p = p->outer_)
        if (p == this) {
            inChain = true;
            break;
        }
    if (inChain)
        while (innermostPool != this) {
            NSAutoreleasePool* inner = innermostPool;
            inner->Pop();
            inner->release();
        }
    // Releasing may autorelease more into this pool: drain until empty.
    while (!objects_.empty()) {
        std::vector<NSObject*> objects;
        objects.swap(objects_);
        for (NSObject* object : objects)
            object->release();
    }
    if (inChain)
        innermostPool = outer_;
    pushed_ = false;
}

NSAutoreleasePool::~NSAutoreleasePool() { Pop(); }

// ---- strings -------------------------------------------------------------------------------

namespace pvappkit {

bool DecodeUtf8(const char* text, std::size_t length, std::u16string* out)
{
    return pvcommon::utf::Utf8ToUtf16(text, length, *out);
}

std::string EncodeUtf8(const std::u16string& units)
{
    return pvcommon::utf::Utf16ToUtf8Replacing(units.data(), units.size());
}

std::string Utf8Of(const NSString* string) { return string ? EncodeUtf8(string->Units()) : ""; }

namespace {

void AppendAscii(std::u16string* out, const char* text)
{
    for (; *text; ++text)
        out->push_back(static_cast<unsigned char>(*text));
}

void Pad(std::u16string* out, const std::u16string& piece, int width, bool left)
{
    const int fill = width - static_cast<int>(piece.size());
    if (!left)
        for (int i = 0; i < fill; ++i)
            out->push_back(u' ');
    *out += piece;
    if (left)
        for (int i = 0; i < fill; ++i)
            out->push_back(u' ');
}

[[noreturn]] void BadFormat(const char* why)
{
    NSException::raise_format(NSInvalidArgumentException, NSSTR("%s"), why);
}

} // namespace

std::u16string FormatV(NSString* format, va_list args)
{
    if (!format)
        BadFormat("nil format string");
    const std::u16string& f = format->Units();
    std::u16string out;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != u'%') {
            out.push_back(f[i]);
            continue;
        }
        std::string spec = "%";
        bool left = false;
        ++i;
        while (i < f.size() && (f[i] == u'-' || f[i] == u'+' || f[i] == u' ' || f[i] == u'#' ||
                                f[i] == u'0')) {
            left = left || f[i] == u'-';
            spec += static_cast<char>(f[i++]);
        }
        int width = -1;
        if (i < f.size() && f[i] == u'*') {
            width = va_arg(args, int);
            if (width < 0) {
                left = true;
                width = -width;
                spec += '-';
            }
            spec += std::to_string(width);
            ++i;
        } else {
            std::string digits;
            while (i < f.size() && f[i] >= u'0' && f[i] <= u'9')
                digits += static_cast<char>(f[i++]);
            if (!digits.empty()) {
                if (digits.size() > 6)
                    BadFormat("format width too large");
                width = std::stoi(digits);
                spec += digits;
            }
        }
        if (i < f.size() && f[i] == u'.') {
            spec += '.';
            ++i;
            if (i < f.size() && f[i] == u'*') {
                spec += std::to_string(va_arg(args, int));
                ++i;
            } else {
                std::string digits;
                while (i < f.size() && f[i] >= u'0' && f[i] <= u'9')
                    digits += static_cast<char>(f[i++]);
                if (digits.size() > 6)
                    BadFormat("format precision too large");
                spec += digits;
            }
        }
        enum { None, H, HH, L, LL, Z, T, J, LD } size = None;
        if (i < f.size()) {
            if (f[i] == u'h') {
                size = H;
                ++i;
                if (i < f.size() && f[i] == u'h') {
                    size = HH;
                    ++i;
                }
            } else if (f[i] == u'l') {
                size = L;
                ++i;
                if (i < f.size() && f[i] == u'l') {
                    size = LL;
                    ++i;
                }
            } else if (f[i] == u'q') {
                size = LL;
                ++i;
            } else if (f[i] == u'z') {
                size = Z;
                ++i;
            } else if (f[i] == u't') {
                size = T;
                ++i;
            } else if (f[i] == u'j') {
                size = J;
                ++i;
            } else if (f[i] == u'L') {
                size = LD;
                ++i;
            }
        }
        if (i >= f.size())
            BadFormat("format ends inside a conversion");
        const char16_t conv = f[i];
        char buffer[512];
        switch (conv) {
        case u'%':
            out.push_back(u'%');
            break;
        case u'@': {
            NSObject* object = va_arg(args, NSObject*);
            std::u16string text;
            if (object)
                text = object->description()->Units();
            else
                AppendAscii(&text, "(null)");
            Pad(&out, text, width, left);
            break;
        }
        case u'C': {
            const unichar c = static_cast<unichar>(va_arg(args, int));
            Pad(&out, std::u16string(1, static_cast<char16_t>(c)), width, left);
            break;
        }
        case u'c': {
            const unsigned char c = static_cast<unsigned char>(va_arg(args, int));
            Pad(&out, std::u16string(1, static_cast<char16_t>(c)), width, left);
            break;
        }
        case u's': {
            const char* s = va_arg(args, const char*);
            std::u16string text;
            if (!s)
                AppendAscii(&text, "(null)");
            else if (!DecodeUtf8(s, std::strlen(s), &text))
                text.clear();
            Pad(&out, text, width, left);
            break;
        }
        case u'd':
        case u'i':
        case u'u':
        case u'x':
        case u'X':
        case u'o': {
            const bool isSigned = conv == u'd' || conv == u'i';
            spec += "ll";
            spec += static_cast<char>(conv);
            if (isSigned) {
                long long v;
                switch (size) {
                case L:
                    v = va_arg(args, long);
                    break;
                case LL:
                case J:
                    v = va_arg(args, long long);
                    break;
                case Z:
                case T:
                    v = static_cast<long long>(va_arg(args, std::ptrdiff_t));
                    break;
                case H:
                    v = static_cast<short>(va_arg(args, int));
                    break;
                case HH:
                    v = static_cast<signed char>(va_arg(args, int));
                    break;
                default:
                    v = va_arg(args, int);
                    break;
                }
                std::snprintf(buffer, sizeof buffer, spec.c_str(), v);
            } else {
                unsigned long long v;
                switch (size) {
                case L:
                    v = va_arg(args, unsigned long);
                    break;
                case LL:
                case J:
                    v = va_arg(args, unsigned long long);
                    break;
                case Z:
                case T:
                    v = va_arg(args, std::size_t);
                    break;
                case H:
                    v = static_cast<unsigned short>(va_arg(args, unsigned));
                    break;
                case HH:
                    v = static_cast<unsigned char>(va_arg(args, unsigned));
                    break;
                default:
                    v = va_arg(args, unsigned);
                    break;
                }
                std::snprintf(buffer, sizeof buffer, spec.c_str(), v);
            }
            AppendAscii(&out, buffer);
            break;
        }
        case u'f':
        case u'F':
        case u'e':
        case u'E':
        case u'g':
        case u'G':
        case u'a':
        case u'A': {
            spec += static_cast<char>(conv);
            double v = size == LD ? static_cast<double>(va_arg(args, long double)) : va_arg(args, double);
            std::snprintf(buffer, sizeof buffer, spec.c_str(), v);
            AppendAscii(&out, buffer);
            break;
        }
        case u'p': {
            spec += 'p';
            std::snprintf(buffer, sizeof buffer, spec.c_str(), va_arg(args, void*));
            AppendAscii(&out, buffer);
            break;
        }
        default:
            BadFormat("unknown format conversion");
        }
    }
    return out;
}

NSString* NewString(std::u16string units)
{
    NSString* s = NSString::alloc()->init();
    s->units_ = std::move(units);
    return s;
}

} // namespace pvappkit

using pvappkit::FormatV;

NSString* NSSTR(const char* utf8)
{
    static std::mutex lock;
    static auto& literals = *new std::unordered_map<std::string, NSString*>;
    std::lock_guard<std::mutex> hold(lock);
    NSString*& s = literals[utf8 ? utf8 : ""];
    if (!s) {
        std::u16string units;
        if (utf8 && !pvappkit::DecodeUtf8(utf8, std::strlen(utf8), &units))
            units.clear();
        s = pvappkit::NewString(std::move(units));
        pvappkit::Immortal(s);
    }
    return s;
}

NSString* NSString::alloc() { return new NSString; }

NSString* NSString::init() { return this; }

NSString* NSString::initWithUTF8String(const char* text)
{
    if (!text) {
        release();
        NSException::raise_format(NSInvalidArgumentException,
                                  NSSTR("-[NSString initWithUTF8String:]: NULL cString"));
    }
    units_.clear();
    if (!pvappkit::DecodeUtf8(text, std::strlen(text), &units_)) {
        release();
        return nullptr;
    }
    return this;
}

NSString* NSString::stringWithUTF8String(const char* text)
{
    NSString* s = NSString::alloc()->initWithUTF8String(text);
    return s ? static_cast<NSString*>(s->autorelease()) : nullptr;
}

NSString* NSString::stringWithFormat(NSString* format, ...)
{
    va_list args;
    va_start(args, format);
    std::u16string units;
    try {
        units = FormatV(format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
    return static_cast<NSString*>(pvappkit::NewString(std::move(units))->autorelease());
}

NSUInteger NSString::length() const { return units_.size(); }

unichar NSString::characterAtIndex(NSUInteger index) const
{
    if (index >= units_.size())
        NSException::raise_format(NSRangeException,
                                  NSSTR("-[NSString characterAtIndex:]: Range or index out of bounds"));
    return units_[index];
}

namespace {

// The bytes UTF8String lends: freed with the pool.
class Utf8Buffer : public NSObject {
public:
    static Utf8Buffer* Make(std::string text)
    {
        auto* b = new Utf8Buffer;
        b->text = std::move(text);
        return b;
    }
    std::string text;
};

} // namespace

const char* NSString::UTF8String()
{
    Utf8Buffer* buffer = Utf8Buffer::Make(pvappkit::EncodeUtf8(units_));
    buffer->autorelease();
    return buffer->text.c_str();
}

BOOL NSString::isEqual(NSObject* other)
{
    auto* s = dynamic_cast<NSString*>(other);
    return s && s->units_ == units_ ? YES : NO;
}

NSUInteger NSString::hash() { return std::hash<std::u16string>()(units_); }

NSMutableString* NSMutableString::alloc() { return new NSMutableString; }
NSMutableString* NSMutableString::init() { return this; }

NSMutableString* NSMutableString::string()
{
    return static_cast<NSMutableString*>(NSMutableString::alloc()->init()->autorelease());
}

void NSMutableString::appendString(NSString* other)
{
    if (!other)
        NSException::raise_format(NSInvalidArgumentException,
                                  NSSTR("-[NSMutableString appendString:]: nil argument"));
    units_ += other->Units();
}

void NSMutableString::appendFormat(NSString* format, ...)
{
    va_list args;
    va_start(args, format);
    try {
        units_ += FormatV(format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

// ---- NSException ------------------------------------------------------------------------------

NSString* const NSGenericException = NSSTR("NSGenericException");
NSString* const NSRangeException = NSSTR("NSRangeException");
NSString* const NSInvalidArgumentException = NSSTR("NSInvalidArgumentException");
NSString* const NSInternalInconsistencyException = NSSTR("NSInternalInconsistencyException");

NSException::NSException(NSString* name, NSString* reason)
    : name_(name ? static_cast<NSString*>(name->retain()) : nullptr),
      reason_(reason ? static_cast<NSString*>(reason->retain()) : nullptr),
      what_(pvappkit::Utf8Of(name) + ": " + pvappkit::Utf8Of(reason))
{
}

NSException::NSException(const NSException& other)
    : std::exception(other),
      name_(other.name_ ? static_cast<NSString*>(other.name_->retain()) : nullptr),
      reason_(other.reason_ ? static_cast<NSString*>(other.reason_->retain()) : nullptr),
      what_(other.what_)
{
}

NSException& NSException::operator=(const NSException& other)
{
    if (this != &other) {
        if (other.name_)
            other.name_->retain();
        if (other.reason_)
            other.reason_->retain();
        if (name_)
            name_->release();
        if (reason_)
            reason_->release();
        name_ = other.name_;
        reason_ = other.reason_;
        what_ = other.what_;
    }
    return *this;
}

NSException::~NSException()
{
    if (name_)
        name_->release();
    if (reason_)
        reason_->release();
}

void NSException::raise_format(NSString* name, NSString* format, ...)
{
    va_list args;
    va_start(args, format);
    std::u16string units;
    try {
        units = FormatV(format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
    NSString* reason = pvappkit::NewString(std::move(units));
    NSException exception(name, reason);
    reason->release();
    throw exception;
}


// ---- dictionaries ---------------------------------------------------------------------------

NSDictionary* NSDictionary::alloc() { return new NSDictionary; }
NSDictionary* NSDictionary::init() { return this; }

NSDictionary::~NSDictionary()
{
    for (auto& entry : entries_) {
        entry.first->release();
        entry.second->release();
    }
}

void NSDictionary::Set(NSObject* object, NSObject* key)
{
    if (!object)
        NSException::raise_format(NSInvalidArgumentException,
                                  NSSTR("-[NSDictionary setObject:forKey:]: object cannot be nil (key: %@)"),
                                  key);
    if (!key)
        NSException::raise_format(NSInvalidArgumentException,
                                  NSSTR("-[NSDictionary setObject:forKey:]: key cannot be nil"));
    object->retain();
    // Keys are copied in Cocoa; strings here are never changed through a key.
    key->retain();
    for (auto& entry : entries_)
        if (entry.first->isEqual(key)) {
            entry.first->release();
            entry.second->release();
            entry.first = key;
            entry.second = object;
            return;
        }
    entries_.emplace_back(key, object);
}

NSDictionary* NSDictionary::dictionaryWithObject_forKey(NSObject* object, NSObject* key)
{
    NSDictionary* d = NSDictionary::alloc()->init();
    try {
        d->Set(object, key);
    } catch (...) {
        d->release();
        throw;
    }
    return static_cast<NSDictionary*>(d->autorelease());
}

NSObject* NSDictionary::objectForKey(NSObject* key) const
{
    if (!key)
        return nullptr;
    for (const auto& entry : entries_)
        if (entry.first->isEqual(key))
            return entry.second;
    return nullptr;
}

NSUInteger NSDictionary::count() const { return entries_.size(); }

NSMutableDictionary* NSMutableDictionary::alloc() { return new NSMutableDictionary; }
NSMutableDictionary* NSMutableDictionary::init() { return this; }

NSMutableDictionary* NSMutableDictionary::dictionary()
{
    return static_cast<NSMutableDictionary*>(NSMutableDictionary::alloc()->init()->autorelease());
}

NSMutableDictionary* NSMutableDictionary::dictionaryWithObject_forKey(NSObject* object, NSObject* key)
{
    NSMutableDictionary* d = NSMutableDictionary::alloc()->init();
    try {
        d->Set(object, key);
    } catch (...) {
        d->release();
        throw;
    }
    return static_cast<NSMutableDictionary*>(d->autorelease());
}

void NSMutableDictionary::setObject_forKey(NSObject* object, NSObject* key) { Set(object, key); }

