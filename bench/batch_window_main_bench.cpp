// The window's date rename against exiftool's: 1000 small DV files listed in the window (in this
// process, offscreen) and all selected, Ctrl+D without questions, timed from the key to the
// batch's end with every entry renamed; a 10 ms timer on the GUI thread meanwhile gives the
// window's worst lateness. exiftool renames a copy after the file date.
//   batch_window_main_bench [files]
// Goals: ratio ours/exiftool <= 0.5, no GUI stall over 100 ms.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "bench/RenameBenchKit.h"
#include "platform/filters/AudioRenderer.h"
#include "platform/filters/SilentAudioOutput.h"
#include "platform/filters/SystemFilters.h"
#include "tests/ui/MainWindowKit.h"

using namespace renamebench;

namespace {

// Every entry's name holds its date.
bool AllListedRenamed(const uitest::MainWindow& m, int count)
{
    const std::vector<std::string> names = m.Names();
    return names.size() == static_cast<size_t>(count) &&
           std::all_of(names.begin(), names.end(),
                       [](const std::string& n) { return n.find('_') != std::string::npos; });
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ds::RegisterSystemFilters(ds::FilterRegistry::Instance());
    ds::AudioRenderer::SetDefaultOutputFactory([] { return std::make_unique<ds::SilentAudioOutput>(); });

    uitest::MainWindow m;
    const fs::path ours = m.dir.path() / "ours";
    const fs::path theirs = m.dir.path() / "theirs";
    fs::create_directories(ours);
    fs::create_directories(theirs);
    const std::vector<std::string> files = MakeDatedFiles(count, ours, theirs);
    if (files.empty())
        return 1;

    actions::CommandLine line;
    line.Files = files;
    ui::TUIForm& w = m.Open(std::move(line));
    if (!m.Loaded(120000) || !m.Activate() || m.Names().size() != files.size()) {
        std::fprintf(stderr, "the window listed %zu of %d files\n", m.Names().size(), count);
        return 1;
    }
    w.afSelectionnerToutExecute();
    w.NoConfirmation = true;

    // The timer fires every 10 ms while the GUI thread is free: any more between two is lateness.
    qint64 worstLate = 0;
    QElapsedTimer since;
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    bool done = false;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        worstLate = std::max(worstLate, since.restart() - 10);
        if (!w.BatchesRunning() && w.lb->isEnabled() && AllListedRenamed(m, count)) {
            done = true;
            loop.quit();
        }
    });
    QTimer::singleShot(600000, &loop, &QEventLoop::quit);
    const double ourTime = Seconds([&] {
        since.start();
        tick.start();
        QTest::keyClick(&w, Qt::Key_D, Qt::ControlModifier);
        loop.exec();
    });
    tick.stop();
    const size_t ourRenamed = Renamed(ours);

    int theirStatus = 0;
    const double theirTime = ExiftoolSeconds(theirs, m.dir.path() / "exiftool.log", theirStatus);
    const size_t theirRenamed = Renamed(theirs);

    std::printf("window Ctrl+D: %8.3f s  %7.3f ms per file  (%zu of %d renamed%s)\n", ourTime, ourTime * 1000 / count,
                ourRenamed, count, done ? "" : ", not ended");
    std::printf("exiftool:      %8.3f s  %7.3f ms per file  (exit %d, %zu of %d renamed)\n", theirTime,
                theirTime * 1000 / count, theirStatus, theirRenamed, count);
    std::printf("worst lateness of a 10 ms GUI timer: %lld ms (goal <= 100)\n", static_cast<long long>(worstLate));
    std::printf("ratio ours/exiftool %.3f (goal <= 0.5)\n", ourTime / theirTime);
    m.window.reset();
    return done && ourRenamed == static_cast<size_t>(count) ? 0 : 1;
}
