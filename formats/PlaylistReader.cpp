#include "formats/PlaylistReader.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"

namespace formats {

void PlaylistReader::EndLine()
{
    std::string_view text = line_;
    if (first_ && text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    first_ = false;
    std::string name = rtl::Trim(text);
    // The raw length is held to the same bound where the reads end inside the line and where they
    // do not, so the names never depend on the size of the reads.
    if (!overlong_ && line_.size() <= kLongestRawLine && !name.empty() && name.front() != '#' &&
        name.size() <= kLongestLine)
        lines_.names.push_back(std::move(name));
    line_.clear();
    overlong_ = false;
}

bool PlaylistReader::Feed(std::string_view chunk)
{
    if (!lines_.failure.empty())
        return false;
    if (const size_t nul = chunk.find('\0'); nul != std::string_view::npos) {
        chunk = chunk.substr(0, nul);
        lines_.failure = rtl::LoadStr(rtl::sid::sUiListBinary);
    }
    for (size_t lf; (lf = chunk.find('\n')) != std::string_view::npos; chunk.remove_prefix(lf + 1)) {
        if (!overlong_)
            line_.append(chunk.substr(0, lf));
        EndLine();
    }
    // A line that outgrows any path is dropped as it comes, so its length costs no memory.
    if (!overlong_ && line_.size() + chunk.size() > kLongestRawLine) {
        overlong_ = true;
        line_.clear();
    }
    if (!overlong_)
        line_.append(chunk);
    return lines_.failure.empty(); // the line the NUL cut is not taken
}

PlaylistLines PlaylistReader::Finish()
{
    if (lines_.failure.empty() && (!line_.empty() || overlong_))
        EndLine();
    return std::move(lines_);
}

PlaylistLines ReadPlaylistLines(int fd)
{
    PlaylistReader reader;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            reader.Fail(std::error_code(errno, std::generic_category()).message());
            break;
        }
        if (got == 0 || !reader.Feed(std::string_view(buffer.data(), static_cast<size_t>(got))))
            break;
    }
    return reader.Finish();
}

} // namespace formats
