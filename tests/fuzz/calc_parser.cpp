// The calculation and script parsers of fmhost take any bytes without harm.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "fmhost/Calc.h"
#include "fmhost/Script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    fmhost::CalcNode node;
    fmhost::CalcError error;
    if (fmhost::ParseCalc(text, 1, &node, &error)) {
        (void)fmhost::DescribeCalc(node);
    } else if (error.column < 1 || error.message.empty()) {
        __builtin_trap();
    }
    std::vector<fmhost::Command> commands;
    if (!fmhost::ParseScript(text, &commands, &error) && (error.line < 1 || error.column < 1))
        __builtin_trap();
    return 0;
}
