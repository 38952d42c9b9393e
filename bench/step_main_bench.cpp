// The player's steps in the real main window (offscreen, silent sound): a 60-second PAL file of
// type 2 and one of type 1, paused; 200 frame steps (Ctrl+Right) and 50 one-second steps
// (Ctrl+Down) from random places, at half and at full size. Per step, from the key to (a) the
// video window holding the frame asked for and (b) the read-out showing it: mean, median, 95th
// percentile and maximum in milliseconds. In the same run, per target, ffmpeg opening the file,
// seeking and decoding that one frame (`ffmpeg -v error -ss T -i clip.avi -frames:v 1 -f rawvideo
// -pix_fmt bgr24 -y /dev/null`); prints ffmpeg's mean and "ratio ours/ffmpeg R" for (a).
// Goals: R <= 0.5 at full size; (b)'s 95th percentile under 50 ms.
// Usage: step_main_bench [frame steps] [second steps]
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "actions/chmodule.h"
#include "media/viewgraph.h"
#include "platform/filters/AudioRenderer.h"
#include "platform/filters/SilentAudioOutput.h"
#include "platform/filters/SystemFilters.h"
#include "platform/vcl/FontMap.h"
#include "platform/vcl/ScriptedDialogs.h"
#include "settings/Preferences.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"
#include "ui/UIForm.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFrames = 1500; // 60 s of PAL
constexpr int64_t kFrameTime = 400000;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Stats {
    double mean = 0, median = 0, p95 = 0, max = 0;
};

Stats Of(std::vector<double> v)
{
    Stats s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    for (double x : v)
        s.mean += x;
    s.mean /= static_cast<double>(v.size());
    s.median = v[v.size() / 2];
    s.p95 = v[std::min(v.size() - 1, v.size() * 95 / 100)];
    s.max = v.back();
    return s;
}

void Print(const char* what, const Stats& s)
{
    std::printf("  %-28s mean %7.2f  median %7.2f  p95 %7.2f  max %7.2f ms\n", what, s.mean, s.median, s.p95, s.max);
}

// Runs the event loop until `done`, or `ms` milliseconds; false on time-out.
template <class F> bool Until(F done, int ms = 5000)
{
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (Clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

struct Step {
    int from, to;
    bool second; // Ctrl+Down, else Ctrl+Right
};

std::vector<Step> Steps(int frameSteps, int secondSteps, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<Step> steps;
    for (int i = 0; i < frameSteps; ++i) {
        const int from = std::uniform_int_distribution<int>(0, kFrames - 2)(random);
        steps.push_back({from, from + 1, false});
    }
    for (int i = 0; i < secondSteps; ++i) {
        const int from = std::uniform_int_distribution<int>(0, kFrames - 26)(random);
        steps.push_back({from, from + 25, true});
    }
    std::shuffle(steps.begin(), steps.end(), random);
    return steps;
}

class Bench {
public:
    explicit Bench(ui::TUIForm& w) : w_(w) {}

    bool Shows(int frame) const
    {
        const ds::PicturePtr p = w_.BaseFrame->vw->LastPicture();
        return p && p->timed && p->position == frame * kFrameTime;
    }
    bool ReadsOut(int frame) const
    {
        return w_.BaseFrame->labTimeStamp->text().toStdString() == ui::PositionText(frame, 25);
    }
    // The two times of every step, in milliseconds; false when one never came.
    bool Run(const std::vector<Step>& steps, std::vector<double>& shown, std::vector<double>& readOut)
    {
        for (const Step& s : steps) {
            media::viewdm().SeekTo(s.from);
            if (!Until([&] { return Shows(s.from) && ReadsOut(s.from); })) {
                std::fprintf(stderr, "never settled at %d\n", s.from);
                return false;
            }
            const auto start = Clock::now();
            QTest::keyClick(&w_, s.second ? Qt::Key_Down : Qt::Key_Right, Qt::ControlModifier);
            if (!Until([&] { return Shows(s.to); })) {
                std::fprintf(stderr, "frame %d never shown\n", s.to);
                return false;
            }
            shown.push_back(Ms(Clock::now() - start));
            if (!Until([&] { return ReadsOut(s.to); })) {
                std::fprintf(stderr, "frame %d never read out\n", s.to);
                return false;
            }
            readOut.push_back(Ms(Clock::now() - start));
        }
        return true;
    }

private:
    ui::TUIForm& w_;
};

// ffmpeg opening the file, seeking and decoding one frame, per target, in milliseconds.
std::vector<double> Ffmpeg(const std::string& path, const std::vector<Step>& steps)
{
    std::vector<double> times;
    for (const Step& s : steps) {
        char command[1024];
        std::snprintf(command, sizeof command,
                      "ffmpeg -nostdin -v error -ss %.3f -i '%s' -frames:v 1 -f rawvideo -pix_fmt bgr24 -y /dev/null",
                      s.to / 25.0, path.c_str());
        const auto start = Clock::now();
        if (std::system(command) != 0)
            return {};
        times.push_back(Ms(Clock::now() - start));
    }
    return times;
}

} // namespace

int main(int argc, char** argv)
{
    const int frameSteps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const int secondSteps = argc > 2 ? std::max(0, std::atoi(argv[2])) : 50;
    testkit::TempDir dir;
    for (const char* folder : {"registry", "data"})
        std::filesystem::create_directories(dir.path() / folder);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("MORVEL_REGISTRY_DIR", dir.file("registry").c_str(), 1);
    setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    QApplication app(argc, argv);
    QApplication::setFont(vcl::ToQFont("MS Sans Serif", 8));
    ds::RegisterSystemFilters(ds::FilterRegistry::Instance());
    ds::AudioRenderer::SetDefaultOutputFactory([] { return std::make_unique<ds::SilentAudioOutput>(); });

    testkit::DvClipSpec spec;
    spec.frames = kFrames;
    const std::string type2 = dir.file("type2.avi"), type1 = dir.file("type1.avi");
    if (!testkit::WriteDvType2(type2, spec) || !testkit::WriteDvType1(type1, spec)) {
        std::fprintf(stderr, "cannot write the clips\n");
        return 1;
    }
    settings::LoadPreferences({});
    settings::IsIncrustOn = false;
    settings::SauverListeEnQuittant = false;
    settings::SauverPreferencesEnQuittant = false;
    settings::SavePreferences();

    actions::Tch ch;
    ch.Localise();
    vcl::ScriptedDialogs dialogs;
    actions::CommandLine line;
    line.Files = {type2, type1};
    ui::TUIForm w(ch, &dialogs);
    w.SetCommandLine(line);
    bool listed = false;
    w.OnCommandLineLoaded = [&](bool) { listed = true; };
    w.show();
    w.activateWindow();
    if (!Until([&] { return listed && w.lb->count() == 2; }, 20000) || !QTest::qWaitForWindowActive(&w)) {
        std::fprintf(stderr, "the window did not list the clips\n");
        return 1;
    }

    std::printf("step_main_bench: %d frame steps and %d one-second steps from random places, paused\n", frameSteps,
                secondSteps);
    bool goals = true;
    for (const std::string& path : {type2, type1}) {
        const std::vector<Step> steps = Steps(frameSteps, secondSteps, path == type2 ? 2 : 1);
        const std::vector<double> ffmpeg = Ffmpeg(path, steps);
        const Stats f = Of(ffmpeg);
        for (const bool half : {true, false}) {
            settings::PrevisualiserDVEnDemiFormat = half; // read by the next build of the graph
            for (int i = 0; i < w.lb->count(); ++i)
                if (w.KeyList[static_cast<size_t>(i)].Fichier->FullName == path)
                    w.SetItemIndex(i);
            w.ShowCurrentFile();
            Bench bench(w);
            // Paused on the first frame, after the rewind that follows an open.
            if (!Until([&] {
                    return media::viewdm().Graph().State(0) == ds::FilterState::Paused && bench.Shows(0) &&
                           bench.ReadsOut(0);
                })) {
                std::fprintf(stderr, "the viewer did not pause\n");
                return 1;
            }
            std::vector<double> shown, readOut;
            if (!bench.Run(steps, shown, readOut))
                return 1;
            const Stats a = Of(shown), b = Of(readOut);
            std::printf("%s, %s size:\n", path == type2 ? "type 2" : "type 1", half ? "half" : "full");
            Print("(a) frame in the window", a);
            Print("(b) read-out shows it", b);
            if (!half && !ffmpeg.empty()) {
                Print("ffmpeg open+seek+decode", f);
                const double r = a.mean / f.mean;
                std::printf("  ratio ours/ffmpeg R %.3f (goal <= 0.5)\n", r);
                goals = goals && r <= 0.5;
            }
            std::printf("  (b) p95 %.2f ms (goal < 50)\n", b.p95);
            goals = goals && b.p95 < 50;
        }
        if (ffmpeg.empty())
            std::printf("  ffmpeg: not run (missing or failed)\n");
    }
    std::printf("goals %s\n", goals ? "met" : "NOT met");
    w.close();
    return 0;
}
