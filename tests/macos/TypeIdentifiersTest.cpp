// The type identifier accessors over ApplicationServices: bound on first
// use below the system root, each tried once. Each case starts unbound.
#include <gtest/gtest.h>

#include <string>

#include "macos/TypeIdentifiers.h"
#include "platform/corefoundation/SystemSetup.h"
#include "support/fresh_process.h"

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
    // A framework once known stays known to the process.
    pvtest::InFreshProcess([&] {
        // A system without ApplicationServices.
        macsetup::SetSystemRoot(PV_TEST_DATA_DIR);
        CFStringRef png = Make("png");
        EXPECT_EQ(mac::UTTagClassMIMEType(), nullptr);
        EXPECT_EQ(mac::UTTypeCreatePreferredIdentifierForTag(png, png, nullptr), nullptr);
        // With the framework there now, the accessors that tried stay without
        // it; one that never tried finds it.
        macsetup::SetSystemRoot(PV_TEST_SYSTEM_ROOT);
        EXPECT_EQ(mac::UTTagClassMIMEType(), nullptr);
        EXPECT_EQ(mac::UTTypeCreatePreferredIdentifierForTag(png, png, nullptr), nullptr);
        EXPECT_EQ(Text(mac::UTTagClassFilenameExtension()), "public.filename-extension");
        CFRelease(png);
    });
}
