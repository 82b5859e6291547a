// Any command line, of any length or content, must be read without crashing.
#include "app/CommandLine.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring line;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        line.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    std::wstring_view rest = line;
    std::size_t taken = 0;
    while (auto argument = veyra::TakeArgument(rest)) {
        // Each argument comes from distinct characters of the line, so neither can outgrow it.
        if (argument->size() > line.size() || ++taken > line.size())
            __builtin_trap();
    }
    (void)veyra::DecideStartMode(line);
    return 0;
}
