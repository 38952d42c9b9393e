#pragma once
// A text file writer: UTF-8 bytes as given, CR LF line ends. Raises EFileError on failure.
#include <string>
#include <string_view>

#include "platform/rtl/FileStream.h"

namespace rtl {

class TTextWriter {
public:
    explicit TTextWriter(const std::string& path); // creates or truncates
    ~TTextWriter();                                // writes what is left, errors ignored: call Close to see them
    TTextWriter(TTextWriter&&) noexcept = default;
    TTextWriter& operator=(TTextWriter&&) noexcept = default;
    void Write(std::string_view text);
    void WriteLine(std::string_view line = {}); // text + "\r\n"
    void Close();                               // writes, syncs to disk, closes; raises on failure

private:
    TFileStream file_;
    std::string buffer_;
};

} // namespace rtl
