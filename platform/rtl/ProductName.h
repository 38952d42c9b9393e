#pragma once
// The program's name, its author's and the language tag of this build, typed once: the settings'
// registry key, the structure listing's and the scene list's headers all show them.
namespace rtl {

inline constexpr const char* ProductName = "Morvel";
inline constexpr const char* AuthorName = "Ivor Varnet";
inline constexpr const char* LanguageCode = "En";

} // namespace rtl
