#pragma once
// The built morvel run as a child process, with its settings, data and home folders in a
// temporary folder of its own, so that a run can be checked to save nothing.
#include <filesystem>
#include <string>
#include <vector>

#include "tests/kit/TempDir.h"

namespace apptest {

struct ChildRun {
    int status = -1;
    std::string out; // standard output
    std::string err; // standard error
};

inline std::string Quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class MorvelChild {
public:
    MorvelChild()
    {
        for (const char* folder : {"registry", "config", "data", "home"})
            std::filesystem::create_directory(home.path() / folder);
    }

    // Runs morvel with `args` in `cwd` (the temporary folder when empty); `prefix` goes before
    // the command (e.g. "timeout -s INT 1").
    ChildRun Run(const std::vector<std::string>& args, const std::string& prefix = {}, std::string cwd = {})
    {
        if (cwd.empty())
            cwd = home.path().string();
        std::string command = "cd " + Quoted(cwd) + " && MORVEL_REGISTRY_DIR=" + Quoted(home.file("registry")) +
                              " XDG_CONFIG_HOME=" + Quoted(home.file("config")) +
                              " XDG_DATA_HOME=" + Quoted(home.file("data")) + " HOME=" + Quoted(home.file("home")) +
                              " " + prefix + " " + Quoted(MORVEL_PROGRAM);
        for (const std::string& a : args)
            command += " " + Quoted(a);
        command += " >" + Quoted(home.file("out.txt")) + " 2>" + Quoted(home.file("err.txt"));
        ChildRun run;
        run.status = testkit::RunCommand(command);
        run.out = testkit::ReadFileBytes(home.file("out.txt"));
        run.err = testkit::ReadFileBytes(home.file("err.txt"));
        return run;
    }

    // Nothing was written under the settings, data and home folders.
    bool SavedNothing() const
    {
        for (const char* folder : {"registry", "config", "data", "home"})
            if (!std::filesystem::is_empty(home.path() / folder))
                return false;
        return true;
    }

    testkit::TempDir home;
};

// The lines of a text, without the empty last one.
inline std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return lines;
}

} // namespace apptest
