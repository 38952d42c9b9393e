#pragma once
// The string table: every caption, hint and message of the program, by id. The ids live in
// StringIds.h, the texts in StringTable.cpp.
#include <string>

#include "platform/rtl/StringIds.h"

namespace rtl {

std::string LoadStr(int id); // "" for an unknown id

} // namespace rtl
