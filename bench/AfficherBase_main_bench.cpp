// The information frame's 40 ms read-out while a 20-second PAL type-2 clip plays in the viewing
// graph with the frame shown (offscreen platform, silent sound). At each tick, measured on the
// GUI thread by its own processor clock: our read-out (the detector's record, the position,
// the position text), the labels and the slider set, and their paint events; then the same texts
// and slider value set on bare Qt widgets of the same fonts and sizes and painted; the two take
// turns at being measured first, since the first finds the caches cold. Prints mean,
// p99 and maximum microseconds per frame for both, their share of the 40 ms frame, and
// "ratio ours/bare R" (of the means). Goals: R <= 1.5; mean and p99 under 1 ms.
// Usage: AfficherBase_main_bench [seconds of clip]
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QSlider>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <numeric>
#include <vector>

#include "actions/aviFichier.h"
#include "platform/filters/AudioRenderer.h"
#include "platform/filters/SilentAudioOutput.h"
#include "platform/filters/SystemFilters.h"
#include "platform/vcl/FontMap.h"
#include "platform/vcl/ScriptedDialogs.h"
#include "settings/Preferences.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"
#include "ui/BaseFrame.h"

namespace {

double ThreadMicros()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

// Runs the event loop for `ms` milliseconds, as the program's does.
void Wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

// The frame's four read-out widgets, bare: same geometry, fonts and alignment.
struct Bare {
    QWidget window;
    QLabel* date;
    QLabel* timecode;
    QSlider* slider;
    QLabel* position;

    explicit Bare(const ui::TBaseFrame& frame)
    {
        window.resize(frame.size());
        auto copy = [&](const QLabel* from) {
            auto* l = new QLabel(&window);
            l->setGeometry(from->geometry());
            l->setFont(from->font());
            l->setPalette(from->palette());
            l->setAlignment(from->alignment());
            return l;
        };
        date = copy(frame.labDatecode);
        timecode = copy(frame.LabTimecode);
        position = copy(frame.labTimeStamp);
        slider = new QSlider(Qt::Horizontal, &window);
        slider->setRange(0, 1000);
        slider->setGeometry(frame.tb->geometry());
    }
};

struct Figures {
    std::vector<double> us;
    double Mean() const { return std::accumulate(us.begin(), us.end(), 0.0) / std::max<size_t>(us.size(), 1); }
    double P99() const
    {
        std::vector<double> s = us;
        std::sort(s.begin(), s.end());
        return s.empty() ? 0 : s[std::min(s.size() - 1, s.size() * 99 / 100)];
    }
    double Max() const { return us.empty() ? 0 : *std::max_element(us.begin(), us.end()); }
    void Print(const char* name) const
    {
        std::printf("%-5s mean %7.1f us  p99 %7.1f us  max %7.1f us  per frame; mean %.2f%% of the 40 ms frame\n", name,
                    Mean(), P99(), Max(), Mean() / 400.0);
    }
};

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setFont(vcl::ToQFont("MS Sans Serif", 8));
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    ds::RegisterSystemFilters(ds::FilterRegistry::Instance());
    ds::AudioRenderer::SetDefaultOutputFactory([] { return std::make_unique<ds::SilentAudioOutput>(); });
    settings::PrevisualiserDVEnDemiFormat = false;

    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = seconds * 25;
    spec.distinctPictures = 8;
    const std::string path = dir.file("clip.avi");
    if (!testkit::WriteDvType2(path, testkit::MakeDvClip(spec))) {
        std::fprintf(stderr, "cannot write the clip\n");
        return 1;
    }

    vcl::ScriptedDialogs dialogs;
    ui::TBaseFrame frame(dialogs);
    frame.Localise();
    frame.CurrentFichier = std::make_shared<actions::TAfficherFichier>(path);
    frame.ShowFileProperties(frame.CurrentFichier.get());
    frame.show();
    Bare bare(frame);
    bare.window.show();

    Figures ours, plain;
    size_t ticks = 0;
    auto paintOurs = [&] {
        for (QWidget* w : {static_cast<QWidget*>(frame.labDatecode), static_cast<QWidget*>(frame.LabTimecode),
                           static_cast<QWidget*>(frame.tb), static_cast<QWidget*>(frame.labTimeStamp)})
            w->repaint();
    };
    auto setBare = [&](const ui::TPositionInfo& info) {
        bare.date->setText(QString::fromStdString(info.DatecodeText));
        bare.timecode->setText(QString::fromStdString(info.TimecodeText));
        bare.slider->setValue(info.SliderPos);
        bare.position->setText(QString::fromStdString(info.PositionText));
        for (QWidget* w : {static_cast<QWidget*>(bare.date), static_cast<QWidget*>(bare.timecode),
                           static_cast<QWidget*>(bare.slider), static_cast<QWidget*>(bare.position)})
            w->repaint();
    };
    frame.OnTick = [&] {
        // What the event loop holds (the renderer's pictures) is handled first, outside the measure.
        QCoreApplication::sendPostedEvents();
        // The side measured first finds the caches taken by the decoding and the picture's paint:
        // the sides take turns.
        const bool oursFirst = ticks++ % 2 == 0;
        ui::TPositionInfo info;
        double bareUs = 0;
        if (!oursFirst) {
            info = frame.Timer1Timer(); // this tick's values, read outside the measure
            info.PositionText = ui::PositionText(frame.ViewPosition, media::viewdm().ViewFps);
            const double b0 = ThreadMicros();
            setBare(info);
            bareUs = ThreadMicros() - b0;
        }
        const double t0 = ThreadMicros();
        frame.TimerProc();
        paintOurs();
        ours.us.push_back(ThreadMicros() - t0);
        if (oursFirst) {
            info = {frame.labDatecode->text().toStdString(), frame.LabTimecode->text().toStdString(), frame.tb->value(),
                    frame.labTimeStamp->text().toStdString()};
            const double b0 = ThreadMicros();
            setBare(info);
            bareUs = ThreadMicros() - b0;
        }
        plain.us.push_back(bareUs);
    };

    media::Tviewdm& view = media::viewdm();
    if (!view.OpenViewGraph(ui::ToViewFile(*frame.CurrentFichier), frame.vw->Renderer())) {
        std::fprintf(stderr, "the clip does not open\n");
        return 1;
    }
    Wait(500);
    view.Graph().Run();
    QElapsedTimer played;
    played.start();
    // Until the end of the clip, and a little more than its length at most.
    while (played.elapsed() < (seconds + 5) * 1000LL) {
        Wait(100);
        int64_t position = 0, duration = 0;
        view.ViewSeeking->GetCurrentPosition(position);
        view.ViewSeeking->GetDuration(duration);
        if (duration > 0 && position >= duration)
            break;
    }
    view.Graph().Stop();
    frame.timer1.stop();

    std::printf("AfficherBase: %zu ticks over %.1f s of a %d s PAL type-2 clip (position %s)\n", ours.us.size(),
                played.elapsed() / 1000.0, seconds, frame.labTimeStamp->text().toStdString().c_str());
    ours.Print("ours");
    plain.Print("bare");
    const double r = plain.Mean() > 0 ? ours.Mean() / plain.Mean() : 0;
    std::printf("ratio ours/bare %.2f (goal <= 1.5); ours mean and p99 %s 1 ms\n", r,
                ours.Mean() < 1000 && ours.P99() < 1000 ? "under" : "NOT under");
    view.ResetViewGraph();
    return 0;
}
