#pragma once
// The built morvel run as a child process, with its settings, data and home folders in a
// temporary folder of its own, so that a run can be checked to save nothing.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

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

    // Runs morvel with `args` in `cwd` and sends it `sig` once a file whose name starts with
    // `trigger` shows in `cwd` (or when it has not ended after `patience`).
    ChildRun RunAndSignal(const std::vector<std::string>& args, const std::string& cwd, const std::string& trigger,
                          int sig, std::chrono::seconds patience = std::chrono::seconds(60))
    {
        std::vector<std::string> env = {"MORVEL_REGISTRY_DIR=" + home.file("registry"),
                                        "XDG_CONFIG_HOME=" + home.file("config"), "XDG_DATA_HOME=" + home.file("data"),
                                        "HOME=" + home.file("home")};
        for (char** e = environ; *e; ++e) {
            const std::string v = *e;
            if (v.rfind("MORVEL_REGISTRY_DIR=", 0) != 0 && v.rfind("XDG_CONFIG_HOME=", 0) != 0 &&
                v.rfind("XDG_DATA_HOME=", 0) != 0 && v.rfind("HOME=", 0) != 0)
                env.push_back(v);
        }
        std::vector<std::string> argv = {MORVEL_PROGRAM};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> argp, envp;
        for (std::string& a : argv)
            argp.push_back(a.data());
        argp.push_back(nullptr);
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        const std::string out = home.file("out.txt"), err = home.file("err.txt");
        const pid_t pid = fork();
        if (pid == 0) {
            // Only calls that are safe between fork and exec.
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int in = ::open("/dev/null", O_RDONLY);
            if (o < 0 || e < 0 || in < 0 || chdir(cwd.c_str()) != 0)
                _exit(127);
            dup2(in, 0);
            dup2(o, 1);
            dup2(e, 2);
            execve(argp[0], argp.data(), envp.data());
            _exit(127);
        }
        ChildRun run;
        if (pid < 0)
            return run;
        const auto deadline = std::chrono::steady_clock::now() + patience;
        int status = 0;
        bool signalled = false;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            bool seen = false;
            std::error_code ec;
            for (const auto& entry : std::filesystem::directory_iterator(cwd, ec))
                seen = seen || entry.path().filename().string().rfind(trigger, 0) == 0;
            if (!signalled && (seen || std::chrono::steady_clock::now() > deadline)) {
                kill(pid, sig);
                signalled = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.out = testkit::ReadFileBytes(out);
        run.err = testkit::ReadFileBytes(err);
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
