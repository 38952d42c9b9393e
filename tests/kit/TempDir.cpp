#include "tests/kit/TempDir.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace testkit {

TempDir::TempDir()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "morvel-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string UnwritableFolder(const TempDir& dir)
{
    const std::filesystem::path folder = dir.path() / "readonly";
    std::filesystem::create_directory(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (::access(folder.c_str(), W_OK) != 0)
        return folder.string();
    return "/sys";
}

std::vector<std::string> FolderNames(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFileBytes(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

namespace {

std::string ShellQuote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string FirstWithPrefix(const std::string& dir, const std::string& prefix)
{
    for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().filename().string().rfind(prefix, 0) == 0)
            return e.path().string();
    return {};
}

} // namespace

int RunCommand(const std::string& command, std::string* output, int timeoutSeconds)
{
    // The output goes to a file, not a pipe: a grandchild that outlives the timeout (and keeps a
    // pipe open) would hold the reader for good, while the file is read once `timeout` is gone.
    char name[] = "/tmp/morvel-run-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0)
        return -1;
    close(fd);
    const std::string line = "timeout -k 5 " + std::to_string(timeoutSeconds) + " sh -c " + ShellQuote(command) +
                             " </dev/null >" + ShellQuote(name) + " 2>&1";
    const int status = std::system(line.c_str());
    if (output) {
        std::ifstream in(name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        output->append(text.str());
    }
    unlink(name);
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string DvgrabToAvi(const std::string& dir, const std::string& rawDv, const std::string& options,
                        const std::string& prefix, std::string* log, uintmax_t wantBytes)
{
    constexpr int kTries = 5;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        for (const auto& e : std::filesystem::directory_iterator(dir))
            if (e.path().filename().string().rfind(prefix, 0) == 0)
                std::filesystem::remove(e.path());
        std::string out;
        RunCommand("cd " + ShellQuote(dir) + " && dvgrab -I " + ShellQuote(rawDv) + " " + options + " " +
                       ShellQuote(prefix),
                   &out, 6);
        if (log)
            *log += out;
        const std::string made = FirstWithPrefix(dir, prefix);
        if (made.empty())
            continue;
        const uintmax_t size = std::filesystem::file_size(made);
        if (size >= wantBytes || (size > 0 && attempt == kTries - 1))
            return made;
    }
    return {};
}

bool HaveProgram(const std::string& name)
{
    return RunCommand("command -v " + name + " >/dev/null") == 0;
}

} // namespace testkit
