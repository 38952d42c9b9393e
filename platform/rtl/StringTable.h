#pragma once
#include <array>
#include <cstddef>
#include <span>

#include "platform/rtl/StringIds.h"

namespace rtl {

struct StringEntry {
    int id;
    const char* text;
};

// Defined in StringTable.cpp and, for the main window, StringTableMain.cpp; ids need not be sorted
// or contiguous, but must be unique over both.
extern const StringEntry kStringTable[];
extern const size_t kStringTableSize;
extern const StringEntry kMainStringTable[];
extern const size_t kMainStringTableSize;

// Every entry, part by part.
inline std::array<std::span<const StringEntry>, 2> StringTableParts()
{
    return {std::span<const StringEntry>(kStringTable, kStringTableSize),
            std::span<const StringEntry>(kMainStringTable, kMainStringTableSize)};
}

} // namespace rtl
