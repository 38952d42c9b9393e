#pragma once
// Internal to the runtime: error texts from the string table with their "%s" places filled in
// order. Plain substitution, so building a message never raises a second error.
#include <initializer_list>
#include <string>
#include <string_view>

namespace rtl {

std::string Message(int id, std::initializer_list<std::string_view> args = {});

} // namespace rtl
