#pragma once
// A temporary folder for one test, removed with everything in it when the object goes.
#include <filesystem>
#include <string>

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

// Whole file as bytes; writes bytes to a file (created or truncated).
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Runs a shell command, returns its exit status; output goes to `output` when given.
int RunCommand(const std::string& command, std::string* output = nullptr);
// True when the named program is on PATH.
bool HaveProgram(const std::string& name);

} // namespace testkit
