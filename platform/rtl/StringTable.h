#pragma once
#include <cstddef>

#include "platform/rtl/StringIds.h"

namespace rtl {

struct StringEntry {
    int id;
    const char* text;
};

// Defined in StringTable.cpp; ids need not be sorted or contiguous, but must be unique.
extern const StringEntry kStringTable[];
extern const size_t kStringTableSize;

} // namespace rtl
