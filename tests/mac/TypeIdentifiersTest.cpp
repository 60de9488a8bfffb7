// The type identifier accessors over ApplicationServices: bound on first
// use below the system root, each tried once. Each case starts unbound.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "mac/TypeIdentifiers.h"
#include "platform/corefoundation/SystemSetup.h"

namespace {

std::string Text(CFStringRef s)
{
    char buffer[256];
    if (!s || !CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8))
        return "<null>";
    return buffer;
}

CFStringRef Make(const char* text) { return CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8); }

class TypeIdentifiers : public ::testing::Test {
protected:
    void SetUp() override { mac::ResetTypeIdentifiersForTesting(); }
    void TearDown() override
    {
        mac::ResetTypeIdentifiersForTesting();
        macsetup::Reset();
    }
};

} // namespace

TEST_F(TypeIdentifiers, BoundFromTheSystemFramework)
{
    macsetup::SetSystemRoot(PV_TEST_SYSTEM_ROOT);
    CFStringRef extension = mac::UTTagClassFilenameExtension();
    CFStringRef mime = mac::UTTagClassMIMEType();
    EXPECT_EQ(Text(extension), "public.filename-extension");
    EXPECT_EQ(Text(mime), "public.mime-type");
    // The same string each time: the symbol's, borrowed.
    EXPECT_EQ(mac::UTTagClassMIMEType(), mime);

    CFStringRef jpg = Make("jpg");
    CFStringRef identifier = mac::UTTypeCreatePreferredIdentifierForTag(extension, jpg, nullptr);
    EXPECT_EQ(Text(identifier), "public.jpeg");
    CFStringRef type = mac::UTTypeCopyPreferredTagWithClass(identifier, mime);
    EXPECT_EQ(Text(type), "image/jpeg");
    CFStringRef unknown = Make("tiff");
    EXPECT_EQ(mac::UTTypeCreatePreferredIdentifierForTag(extension, unknown, nullptr), nullptr);
    for (CFStringRef s : {jpg, identifier, type, unknown})
        CFRelease(s);
}

TEST_F(TypeIdentifiers, NullWithoutTheFrameworkAndNoSecondTry)
{
    // A framework once known stays known to the process: this runs in a
    // process of its own, started afresh.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::string wrong;
            auto check = [&wrong](bool ok, const char* what) {
                if (!ok)
                    wrong += std::string(what) + "; ";
            };
            // A system without ApplicationServices.
            macsetup::SetSystemRoot(PV_TEST_DATA_DIR);
            CFStringRef png = Make("png");
            check(mac::UTTagClassMIMEType() == nullptr, "MIME class without the framework");
            check(mac::UTTypeCreatePreferredIdentifierForTag(png, png, nullptr) == nullptr,
                  "identifier without the framework");
            // With the framework there now, the accessors that tried stay
            // without it; one that never tried finds it.
            macsetup::SetSystemRoot(PV_TEST_SYSTEM_ROOT);
            check(mac::UTTagClassMIMEType() == nullptr, "MIME class tried again");
            check(mac::UTTypeCreatePreferredIdentifierForTag(png, png, nullptr) == nullptr, "identifier tried again");
            check(Text(mac::UTTagClassFilenameExtension()) == "public.filename-extension", "extension class");
            CFRelease(png);
            std::fprintf(stderr, "%s", wrong.empty() ? "all held" : wrong.c_str());
            std::exit(wrong.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "^all held$");
}
