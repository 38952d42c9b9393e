// The headless date rename against exiftool's: 1000 small DV files (two frames each, each file
// its own recording date), renamed by `morvel +hd` and, in a copy, by exiftool after the file
// date (it cannot read DV dates in AVI files). Both read and rename every file.
//   rename_main_bench [files] [folder]   (the files are made in `folder` and kept, when given)
// Goal: ratio ours/exiftool <= 0.5.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Runs the program with its arguments, output to `log`; the exit status, -1 when it did not run.
int Spawn(const std::vector<std::string>& args, const std::string& log)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    if (failed)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The AVI files whose name holds a date: both add it after a "_".
size_t Renamed(const fs::path& folder)
{
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().extension() == ".avi" && e.path().filename().string().find('_') != std::string::npos)
            ++n;
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    testkit::TempDir temporary;
    const fs::path root = argc > 2 ? fs::path(argv[2]) : temporary.path();
    const fs::path ours = root / "ours";
    const fs::path theirs = root / "theirs";
    for (const fs::path& p : {root, ours, theirs, root / "settings"})
        fs::create_directories(p);
    setenv("MORVEL_REGISTRY_DIR", (root / "settings").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root / "settings").c_str(), 1);
    setenv("XDG_DATA_HOME", (root / "settings").c_str(), 1);

    std::printf("making %d DV files of two frames...\n", count);
    std::fflush(stdout);
    testkit::DvClipSpec spec;
    spec.frames = 2;
    spec.distinctPictures = 1;
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        // Each file its own recording date.
        testkit::DvClipSpec dated = spec;
        dated.year = 2001 + i / 300;
        dated.month = 1 + (i / 25) % 12;
        dated.day = 1 + i % 25;
        dated.hour = i % 24;
        dated.minute = i % 60;
        dated.second = (i * 7) % 60;
        const testkit::DvClip clip = testkit::MakeDvClip(dated);
        const std::string name = "clip" + std::to_string(i) + ".avi";
        fs::remove(ours / name);
        fs::remove(theirs / name);
        if (!testkit::WriteDvType2((ours / name).string(), clip)) {
            std::fprintf(stderr, "cannot write %s\n", name.c_str());
            return 1;
        }
        fs::copy_file(ours / name, theirs / name);
        struct tm t {};
        t.tm_year = dated.year - 1900;
        t.tm_mon = dated.month - 1;
        t.tm_mday = dated.day;
        t.tm_hour = dated.hour;
        t.tm_min = dated.minute;
        t.tm_sec = dated.second;
        t.tm_isdst = -1;
        const struct timespec when[2] = {{mktime(&t), 0}, {mktime(&t), 0}};
        utimensat(AT_FDCWD, (theirs / name).c_str(), when, 0);
        files.push_back((ours / name).string());
    }

    std::vector<std::string> morvel = {MORVEL_PROGRAM, "+hd"};
    morvel.insert(morvel.end(), files.begin(), files.end());
    int ourStatus = 0;
    const double ourTime = Seconds([&] { ourStatus = Spawn(morvel, (root / "morvel.log").string()); });
    int theirStatus = 0;
    const double theirTime = Seconds([&] {
        theirStatus = Spawn({"exiftool", "-q", "-ext", "avi", "-FileName<FileModifyDate", "-d",
                             "%Y.%m.%d_%H.%M.%S%%-c.%%e", theirs.string()},
                            (root / "exiftool.log").string());
    });
    const size_t ourRenamed = Renamed(ours);
    const size_t theirRenamed = Renamed(theirs);

    std::printf("morvel +hd:  %8.3f s  %7.3f ms per file  (exit %d, %zu of %d renamed)\n", ourTime,
                ourTime * 1000 / count, ourStatus, ourRenamed, count);
    std::printf("exiftool:    %8.3f s  %7.3f ms per file  (exit %d, %zu of %d renamed)\n", theirTime,
                theirTime * 1000 / count, theirStatus, theirRenamed, count);
    std::printf("ratio ours/exiftool %.3f (goal <= 0.5)\n", ourTime / theirTime);
    if (ourRenamed != static_cast<size_t>(count))
        std::printf("morvel's log:\n%s\n",
                    testkit::ReadFileBytes((root / "morvel.log").string()).substr(0, 2000).c_str());
    return ourStatus == 0 && ourRenamed == static_cast<size_t>(count) ? 0 : 1;
}
