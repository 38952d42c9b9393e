#pragma once
// String, number and file-name helpers of the class library's runtime.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"

namespace rtl {

// Numbers
int64_t Round(double x); // banker's rounding: half to even (2.5 -> 2, 3.5 -> 4)
int64_t Trunc(double x);
std::string IntToStr(int64_t v);
std::string IntToHex(int64_t v, int digits); // upper-case, at least `digits` digits
int64_t StrToInt(std::string_view s);        // raises EConvertError; accepts "$FF" and "0x" hex
int64_t StrToIntDef(std::string_view s, int64_t def);
bool TryStrToInt(std::string_view s, int64_t& out);

// Floating values as text: up to 15 significant digits, no trailing zeros ("25", "29.97",
// "1E20"), with the regional decimal separator; the process-wide one unless given.
std::string FloatToStr(double v);
std::string FloatToStr(double v, const FormatSettings& fs);
// [sign] digits [separator digits] [E [sign] digits], blanks around allowed; the separator is
// the regional one. StrToFloat raises EConvertError.
double StrToFloat(std::string_view s);
double StrToFloat(std::string_view s, const FormatSettings& fs);
bool TryStrToFloat(std::string_view s, double& out, const FormatSettings& fs);

// ASCII-only case mapping: bytes >= 0x80 (UTF-8) are left as they are.
std::string LowerCase(std::string_view s);
std::string UpperCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b); // ASCII case-insensitive
std::string Trim(std::string_view s);                  // drops bytes <= ' ' at both ends
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
// Characters of a UTF-8 text (bytes that do not continue a character): how the program's short
// strings of at most 255 characters are measured.
size_t Utf8Length(std::string_view s);
// The longest start of `s` of at most `maxBytes` bytes that ends between two characters.
std::string_view Utf8Prefix(std::string_view s, size_t maxBytes);

// File names ('/' is the path delimiter).
std::string ChangeFileExt(std::string_view name, std::string_view ext); // after the last '.' of the last component only
std::string ExtractFileName(std::string_view name);                     // after the last '/'
std::string ExtractFilePath(std::string_view name);                     // up to and including the last '/'
std::string ExtractFileDir(std::string_view name);                      // the path without its trailing '/'
std::string ExtractFileExt(std::string_view name);                      // ".avi", "" when none
std::string ExpandFileName(std::string_view name);                      // absolute, "." and ".." resolved lexically
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);
bool FileExists(const std::string& name); // a regular file (links followed)
bool DirectoryExists(const std::string& name);
// Makes the folder and every missing one above it (`permissions` less the umask); true when the
// folder is there afterwards.
bool MakeFolders(const std::string& path, unsigned permissions = 0777);

// Four-character codes: the first character is the lowest byte.
std::string FourCCToStr(uint32_t code);   // always 4 bytes
uint32_t StrToFourCC(std::string_view s); // the first four bytes; missing ones count as zero bytes ("ab" is 0x00006261)

} // namespace rtl
