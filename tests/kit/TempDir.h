#pragma once
// A temporary folder for one test, removed with everything in it when the object goes.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace testkit {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// A folder no file can be created in: a read-only folder made in `dir`, or, where permissions do
// not bind (running as root), a system folder that refuses new files.
std::string UnwritableFolder(const TempDir& dir);

// The names in a folder, sorted; hidden and temporary files included.
std::vector<std::string> FolderNames(const std::filesystem::path& folder);

// Whole file as bytes; writes bytes to a file (created or truncated).
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, std::string_view bytes);

// Runs a shell command with no standard input (some tools wait on it) and a time limit,
// returns its exit status (124 when it ran out of time); output goes to `output` when given.
int RunCommand(const std::string& command, std::string* output = nullptr, int timeoutSeconds = 120);

// Has dvgrab turn the raw DV file `rawDv` in `dir` into AVI files named after `prefix`
// ("out-001.avi"), with its format options ("-f dv1", "-f dv2 -opendml"); returns the first file
// made, or "" with the reason in `log`. Now and then dvgrab's reader never starts and it sleeps
// for ever (about one run in fifty here, more on a loaded machine), or it gives up with "no DV":
// each try is cut off after a few seconds (a clip of a few seconds takes well under one) and
// made up to five times. On a loaded machine it also drops frames, sometimes nearly all: a
// file smaller than `wantBytes` is made again, and the last try's file is taken as it is.
std::string DvgrabToAvi(const std::string& dir, const std::string& rawDv, const std::string& options,
                        const std::string& prefix, std::string* log = nullptr, uintmax_t wantBytes = 1);
// True when the named program is on PATH.
bool HaveProgram(const std::string& name);

} // namespace testkit
