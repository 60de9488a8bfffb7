// The host plug-in object's Windows bodies: strings and version from the
// module's resources, the module's folder, initialisation as it is.
#include "fmx/Plugin.h"

#include <cstring>
#include <string>

#include "platform/win32/winmodule.h"

namespace fmx {

namespace {

bool EqualsIgnoringAsciiCase(const std::u16string& a, const char* b)
{
    const std::size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        char16_t x = a[i];
        char y = b[i];
        if (x >= u'A' && x <= u'Z')
            x = static_cast<char16_t>(x - u'A' + u'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != static_cast<unsigned char>(y))
            return false;
    }
    return true;
}

} // namespace

bool Plugin::LoadModuleString(void* instance, unsigned id, std::u16string& out)
{
    return win32::LoadStringResource(instance, id, out);
}

bool Plugin::ReadVersion(void* instance)
{
    std::uint32_t high = 0, low = 0;
    std::string moduleFile;
    std::u16string stageText;
    if (!win32::GetModuleFileName(instance, moduleFile) || !win32::GetProductVersion(instance, high, low) ||
        !LoadModuleString(instance, 23001, stageText))
        return false;
    version_[0] = static_cast<std::uint16_t>(high >> 16);
    version_[1] = static_cast<std::uint16_t>(high & 0xFFFF);
    version_[2] = static_cast<std::uint16_t>(low >> 16);
    version_[3] = static_cast<std::uint16_t>(low & 0xFFFF);
    if (EqualsIgnoringAsciiCase(stageText, "alpha"))
        stage_ = kAlpha;
    else if (EqualsIgnoringAsciiCase(stageText, "beta"))
        stage_ = kBeta;
    else if (EqualsIgnoringAsciiCase(stageText, "final") || EqualsIgnoringAsciiCase(stageText, "release"))
        stage_ = kFinal;
    else
        stage_ = kDevelopment;
    return true;
}

std::string Plugin::GetModuleFolder() const
{
    std::string path;
    if (!win32::GetModuleFileName(instance_, path))
        return std::string();
    if (path.size() > 260)
        path.resize(260);
    std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool Plugin::InitPlatform(fmapi::CallRecord* record)
{
    try {
        StartUp(record);
        return true;
    } catch (...) {
        Singleton<Plugin>::DestroyInstance();
        return false;
    }
}

void Plugin::ReleasePlatformData() {}

} // namespace fmx
