#pragma once
// Reads back where the scenes of a ".scn" file start, for the player's scene steps: the layout
// ScnFileWriter writes (a header naming the video, a first entry of 23 + L bytes, then 35 bytes
// per further scene). Bounded and lenient: it reads at most what the header's count can describe,
// takes no field but the ones it needs, and never raises.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace formats {

class ScnFileReader {
public:
    // The frames where scenes begin after the first one (which begins at frame 0), in file order:
    // the first scene's end, then the start of each further scene, at most count - 1 of them.
    // None when the file cannot be opened or its header and first entry cannot be read; a file
    // shorter than its count gives the starts read so far.
    static std::optional<std::vector<int32_t>> SceneStarts(const std::string& scnFile);
    // The same from the file's bytes.
    static std::optional<std::vector<int32_t>> SceneStartsOf(const std::string& bytes);
};

} // namespace formats
