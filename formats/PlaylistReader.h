#pragma once
// Reading back a play list: the paths of a text file, one a line, between "#" lines. Lines end at
// LF (CR LF too) and lose the blanks and control characters around them; empty lines, "#" lines and
// lines longer than a path (or, blanks included, than twice that) are skipped, and a byte-order
// mark before the first line is no part of it. Reading stops at a NUL byte, which no text holds,
// with the names read before it. Bounded: a line that outgrows any path is dropped as it comes, so
// its length costs no memory.
#include <string>
#include <string_view>
#include <vector>

namespace formats {

struct PlaylistLines {
    std::vector<std::string> names;
    std::string failure; // why the reading stopped early; empty when it read the whole file
};

// Takes a list's bytes in pieces as they are read.
class PlaylistReader {
public:
    // A path never takes more; a longer line is not one.
    static constexpr size_t kLongestLine = 4096;
    static constexpr size_t kLongestRawLine = 2 * kLongestLine;

    // The next bytes of the file; false once the reading has stopped (a NUL byte).
    bool Feed(std::string_view bytes);
    // Stops with `why` as the failure (a read error).
    void Fail(std::string why) { lines_.failure = std::move(why); }
    // The names read, once the bytes are all fed (the last line may lack its line end).
    PlaylistLines Finish();

private:
    void EndLine();

    PlaylistLines lines_;
    std::string line_;
    bool overlong_ = false;
    bool first_ = true;
};

// The paths of the play list open on `fd`, read to its end; a read error ends the reading with
// the names read before it.
PlaylistLines ReadPlaylistLines(int fd);

} // namespace formats
