// Any text as a raw picture's name: the size reader looks only inside the name and returns
// what fits in its five-character fields.
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string name(reinterpret_cast<const char*>(data), size); // zero-terminated copy
    if (const auto parsed = velq::parseRawImageSize(name.c_str())) {
        if (parsed->width < -9999 || parsed->width > 99999 || parsed->height < -9999 || parsed->height > 99999)
            __builtin_trap();
    }
    return 0;
}
