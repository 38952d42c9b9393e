#pragma once
// What the tests of the actions' work share: a desktop confined to a temporary folder with the
// preferences at their first-run values, real DV files of the media kit in a work folder, the
// per-file object of each, the module's handlers called as the runners call them, ffprobe's view
// of an output, and a child process that has given up root (root ignores permission bits).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "actions/aviFichier.h"
#include "actions/chmodule.h"
#include "media/ConvertirDVunit.h"
#include "platform/registry/HiveFile.h"
#include "platform/rtl/DateTime.h"
#include "settings/Preferences.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"
#include "tests/media/MediaFiles.h"

namespace chtest {

namespace fs = std::filesystem;
using actions::TAfficherFichier;

struct Executed {
    actions::ExecutionOutcome outcome;
    std::string newfichier = "unset";
    actions::TchUpdateType update = static_cast<actions::TchUpdateType>(99);
};

struct DvFile {
    bool pal = true;
    bool type2 = true;
    int frames = 10;
    int year = 2006, month = 12, day = 7, hour = 10, minute = 0, second = 0;
};

// The user nobody's id, whom the children become.
constexpr uid_t kNobody = 65534;

class ActionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        home = dir.path() / "home";
        work = dir.path() / "work";
        fs::create_directories(home);
        fs::create_directories(work);
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
        setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
        setenv("MORVEL_REGISTRY_DIR", (dir.path() / "registry").c_str(), 1);
        reg::ReloadHives();
        settings::LoadPreferences({}); // an empty registry: the first run's values
    }
    void TearDown() override
    {
        reg::ReloadHives();
        settings::LoadPreferences({});
    }

    std::string WorkFile(const std::string& name) const { return (work / name).string(); }

    // A DV AVI file of the media kit in the work folder; its path.
    std::string MakeDv(const std::string& name, const DvFile& spec = {}) const
    {
        testkit::DvClipSpec clip;
        clip.pal = spec.pal;
        clip.frames = spec.frames;
        clip.distinctPictures = 2;
        clip.year = spec.year;
        clip.month = spec.month;
        clip.day = spec.day;
        clip.hour = spec.hour;
        clip.minute = spec.minute;
        clip.second = spec.second;
        const std::string path = WorkFile(name);
        const testkit::DvClip made = testkit::MakeDvClip(clip);
        EXPECT_TRUE(spec.type2 ? testkit::WriteDvType2(path, made) : testkit::WriteDvType1(path, made)) << path;
        return path;
    }

    // `made` moved into the work folder's sub-folder `folder` (made when missing) as `name`.
    std::string MoveInto(const std::string& folder, const std::string& made, const std::string& name) const
    {
        fs::create_directories(work / folder);
        const std::string path = (work / folder / name).string();
        fs::rename(made, path);
        return path;
    }
    // A sub-folder nobody but root may change; the folders above it stay open to all.
    void Lock(const std::string& folder) const
    {
        ::chmod(work.c_str(), 0755);
        ::chmod((work / folder).c_str(), 0555);
    }

    static std::shared_ptr<const TAfficherFichier> Analyse(const std::string& path)
    {
        return std::make_shared<const TAfficherFichier>(path);
    }

    Executed Execute(const actions::tFileAction& action, const TAfficherFichier& f)
    {
        Executed r;
        actions::TParam param;
        r.outcome = action.OnExecution(param, f, r.newfichier, r.update);
        return r;
    }
    Executed Execute(const std::string& action, const TAfficherFichier& f) { return Execute(ch.Action(action), f); }

    std::string Question(const actions::tFileAction& action, const TAfficherFichier& f)
    {
        std::string msg = "unset";
        actions::TParam param;
        action.OnConfirmation(param, f, msg);
        return msg;
    }
    std::string Question(const std::string& action, const TAfficherFichier& f)
    {
        return Question(ch.Action(action), f);
    }

    // A command action as its runner makes it: the execution builds, then the graph runs with
    // `cancelled` as the cancel test.
    media::ConversionOutcome RunCommand(
        const std::string& action, const TAfficherFichier& f, Executed& executed,
        const std::function<bool()>& cancelled = [] { return false; })
    {
        media::Cdm().CdmSeeking = nullptr;
        executed = Execute(action, f);
        if (media::Cdm().CdmSeeking == nullptr)
            return {};
        return media::Cdm().RunBuiltGraph(cancelled, nullptr);
    }

    // The names in the work folder, sorted.
    std::vector<std::string> WorkNames() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(work))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    testkit::TempDir dir;
    fs::path home, work;
    actions::Tch ch;
};

// Runs `body` in a child process that has become the user nobody, and returns its verdict. The
// folders above the temporary folder must let nobody through: the temporary folder is opened.
// Skips the test where root cannot be given up.
inline bool AsNobody(const testkit::TempDir& dir, const std::function<bool()>& body, bool& skipped)
{
    skipped = false;
    ::chmod(dir.path().c_str(), 0755);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(2);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return false;
    skipped = WEXITSTATUS(status) == 2;
    return WEXITSTATUS(status) == 0;
}

// One stream as ffprobe reads it, with its frames counted.
struct ProbedStream {
    std::string type, codec;
    int frames = 0;
    double seconds = 0;
};

inline std::vector<ProbedStream> Probe(const std::string& path)
{
    const std::string out = mediatest::ToolOutput(
        "ffprobe -v error -count_frames -show_entries stream=codec_type,codec_name,nb_read_frames,duration -of "
        "csv=p=0 " +
        mediatest::Quoted(path));
    std::vector<ProbedStream> streams;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, ',');)
            fields.push_back(field);
        if (fields.size() < 4)
            continue;
        ProbedStream s;
        s.codec = fields[0];
        s.type = fields[1];
        s.seconds = std::atof(fields[2].c_str());
        s.frames = std::atoi(fields[3].c_str());
        streams.push_back(s);
    }
    return streams;
}

// The whole file's duration in seconds, by ffprobe; -1 when unknown.
inline double Duration(const std::string& path)
{
    const std::string out =
        mediatest::ToolOutput("ffprobe -v error -show_entries format=duration -of csv=p=0 " + mediatest::Quoted(path));
    return out.empty() ? -1 : std::atof(out.c_str());
}

inline struct stat Stat(const std::string& path)
{
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
}

} // namespace chtest
