#pragma once
// The RIFF structure listing: the chunk tree of a file as indented text lines, with the main
// header, stream headers, stream formats (DV block included) and index headers decoded field by
// field. The file is only read. The structure window shows these lines and saves them.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"

namespace formats {

class RiffSource;

struct RiffListingOptions {
    std::string versionText{};                     // shown in the heading
    rtl::Clock clock{};                            // the time of the analysis; empty: rtl::Now
    const rtl::FormatSettings* settings = nullptr; // date separators; null: process-wide ones
    // Called with each line as it is added (e.g. to show the listing while it grows).
    std::function<void(const std::string&)> onLine{};
};

struct RiffListingResult {
    bool walked = false;    // the listing is complete, trailer included: it may be saved
    bool cancelled = false; // Cancel() stopped the walk
    bool shortRead = false; // the file ended inside a header ("Unexpected end")
    std::string error;      // the file exists but could not be opened
};

// One listing at a time per object; separate objects may list files on separate threads.
class TRiffLister {
public:
    static constexpr int kMaxDepth = 16;
    static constexpr int kMaxChunks = 1 << 20;
    static constexpr size_t kIndentWidth = 4;

    explicit TRiffLister(RiffListingOptions options);

    // Lists a file. A missing file gives no lines; one that cannot be opened gives the heading
    // lines and an error.
    RiffListingResult WalkFile(const std::string& fileName);
    // Lists any source; fileName is the name shown in the heading and trailer.
    RiffListingResult WalkSource(const RiffSource& source, const std::string& fileName);

    // Any thread: the walk stops before its next chunk and finishes its trailer.
    void Cancel() { cancel_ = true; }

    // The lines of the last walk; read them after the walk has returned.
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    void AddLine(std::string line);
    void AddCentredLine(std::string_view prefix, std::string_view fill, std::string_view text);
    void AddHeading(const std::string& fileName);
    void AddTrailer(const std::string& fullPath);
    void Walk(const RiffSource& source);
    int64_t WalkChunk(int64_t pos, int depth, bool top);
    void ListRecord(uint32_t id, int64_t dataPos, int64_t available, const std::string& indent);

    RiffListingOptions options_;
    std::vector<std::string> lines_;
    std::atomic<bool> cancel_{false}; // set by Cancel() from any thread

    // State of the walk in progress (the walking thread only).
    const RiffSource* src_ = nullptr;
    int64_t fileSize_ = 0;
    uint8_t streamKind_ = 0; // kind of the last "strh": decides how "strf" is decoded
    bool shortRead_ = false;
    int chunks_ = 0;
};

// prefix + fill x n + text + fill x n, n = (50 - length(prefix) - length(text)) / 2.
std::string CentredLine(std::string_view prefix, std::string_view fill, std::string_view text);

// Writes the lines with CR LF ends, under a temporary name renamed into place, so an existing
// file is replaced only by a complete listing. Raises rtl::EFileError.
void SaveListing(const std::vector<std::string>& lines, const std::string& path);

} // namespace formats
