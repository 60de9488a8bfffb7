// The bundle files' readers: arbitrary bytes as an XML property list and as a
// strings table. Whatever they hold, reading ends, keeps its work bounded by
// the input, and frees what it built.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "platform/corefoundation/CoreFoundation.h"
#include "platform/corefoundation/Files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (CFDictionaryRef list = pvcf::ParsePropertyList(bytes)) {
        CFRelease(list);
    }
    std::map<std::u16string, std::u16string> table;
    pvcf::ParseStringsTable(bytes, table);
    return 0;
}
