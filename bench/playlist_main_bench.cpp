// Play lists in the real window (offscreen): 10 000 names (hard links, a tenth of them
// non-ASCII) of 100 small DV files (two frames, types 1 and 2). Prints (a) LoadPlaylist from call
// to return, (b) from call to the end of the loading, with the time the first and the last 1000
// entries took to come into the list, (c) SavePlaylist; then `mediainfo --Output=JSON` over the
// same names in one process and "ratio ours/mediainfo R" for (b).
// Goals: R <= 0.5, (a) under 1 s, the last 1000 at most twice the first.
// Usage: playlist_main_bench [names]
#include <QAbstractItemModel>
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/filters/AudioRenderer.h"
#include "platform/filters/SilentAudioOutput.h"
#include "platform/filters/SystemFilters.h"
#include "tests/ui/MainWindowKit.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int count = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 10000;
    QApplication app(argc, argv);
    ds::RegisterSystemFilters(ds::FilterRegistry::Instance());
    ds::AudioRenderer::SetDefaultOutputFactory([] { return std::make_unique<ds::SilentAudioOutput>(); });

    uitest::MainWindow m;
    const std::string sources = m.dir.file("sources"), tapes = m.dir.file("tapes");
    fs::create_directories(sources);
    std::vector<std::string> originals;
    for (int i = 0; i < 100; ++i) {
        const std::string path = sources + "/" + std::to_string(i) + ".avi";
        originals.push_back(uitest::DatedDv(path, 1995 + i % 20, 1 + i % 12, 1 + i % 28, i % 24, 2, i % 2 == 1));
    }
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, i % 10 == 0 ? "海边 Été %05d.avi" : "clip %05d.avi", i);
        names.push_back(tapes + "/" + name);
        fs::create_hard_link(originals[i % originals.size()], names.back());
    }
    m.StorePreferences([] {});
    ui::TUIForm& w = m.Open();

    // The list first comes from the names themselves, and is saved.
    w.LoadFiles(names, "");
    if (!m.Loaded(600000) || w.lb->count() != count) {
        std::fprintf(stderr, "listed %d of %d\n", w.lb->count(), count);
        return 1;
    }
    const std::string list = m.dir.file("lists/bench.txt");
    auto start = Clock::now();
    if (const std::string failure = w.SavePlaylist(list); !failure.empty()) {
        std::fprintf(stderr, "cannot save: %s\n", failure.c_str());
        return 1;
    }
    const double saved = Ms(start, Clock::now());
    w.afViderListeExecute();
    m.Loaded();

    // Then from the list, each entry timed as it comes into the list.
    std::vector<Clock::time_point> at; // when the list reached 1000, count - 1000 and count
    Clock::time_point first;
    bool any = false;
    QObject::connect(w.lb->model(), &QAbstractItemModel::rowsInserted, &w, [&] {
        const int n = w.lb->count();
        if (!any) {
            first = Clock::now();
            any = true;
        }
        while (at.size() < 3 && n >= (at.empty() ? 1000 : at.size() == 1 ? count - 1000 : count))
            at.push_back(Clock::now());
    });
    bool ended = false;
    Clock::time_point end;
    start = Clock::now();
    const auto read = w.LoadPlaylist(list, [&](bool) {
        ended = true;
        end = Clock::now();
    });
    const double returned = Ms(start, Clock::now());
    if (read != ui::TUIForm::PlaylistRead::Queued || !uitest::PumpUntil([&] { return ended; }, 600000) || !m.Loaded() ||
        w.lb->count() != count || at.size() != 3) {
        std::fprintf(stderr, "the list loaded %d of %d\n", w.lb->count(), count);
        return 1;
    }
    const double loaded = Ms(start, end);

    const std::string mediainfo = "mediainfo --Output=JSON '" + tapes + "' > /dev/null";
    start = Clock::now();
    if (std::system(mediainfo.c_str()) != 0) {
        std::fprintf(stderr, "mediainfo failed (is it installed?)\n");
        return 1;
    }
    const double theirs = Ms(start, Clock::now());

    const double firstThousand = Ms(first, at[0]), lastThousand = Ms(at[1], at[2]);
    std::printf("names %d (hard links to 100 DV files, a tenth non-ASCII)\n", count);
    std::printf("(a) LoadPlaylist returned in %.1f ms (goal < 1000)\n", returned);
    std::printf("(b) loaded in %.0f ms; first 1000 came in %.0f ms, last 1000 in %.0f ms (goal <= 2x)\n", loaded,
                firstThousand, lastThousand);
    std::printf("(c) SavePlaylist %.1f ms\n", saved);
    std::printf("mediainfo: %.0f ms\n", theirs);
    std::printf("ratio ours/mediainfo %.3f (goal <= 0.5)\n", loaded / theirs);
    m.window.reset();
    return 0;
}
