// The RIFF structure window against mediainfo's RIFF trace, on a 4 GiB OpenDML DV file (a video
// and a sound stream, indx, odml, idx1, AVIX segments) whose movie data are holes, so it takes
// little disk. Warm, `runs` times each: TRiffLister::WalkFile alone; the window from Analyse
// until its lines are in the list and Save is enabled; `mediainfo --Details=1`. Medians.
//   RiffForm_main_bench [runs] [folder]   (the file is made in `folder` and kept, when given)
// Goals: ratio ours/mediainfo <= 0.5; the window at most 5 ms behind the engine.
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchKit.h"
#include "formats/AviMuxWriter.h"
#include "formats/riffunit.h"
#include "platform/vcl/ScriptedDialogs.h"
#include "settings/Preferences.h"
#include "tests/kit/RiffBuilder.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"
#include "ui/riffunitWindow.h"

namespace {

constexpr int64_t kFileSize = int64_t{4} << 30;
constexpr size_t kBlock = 4096;
constexpr size_t kVideoChunk = 144000; // a PAL DV frame
constexpr size_t kAudioChunk = 7680;   // 1920 stereo 16-bit samples

// Writes what the AVI writer gives, but leaves every whole block of zeros in its big writes (the
// movie data) as a hole. Small writes (headers, indexes, patches) go whole.
class SparseFileStream : public formats::AviByteStream {
public:
    explicit SparseFileStream(const std::string& path) : fd_(open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)) {}
    ~SparseFileStream() override
    {
        if (fd_ >= 0)
            close(fd_);
    }
    bool Open() const { return fd_ >= 0; }
    bool WriteAt(int64_t offset, const void* data, size_t size) override
    {
        end_ = std::max(end_, offset + static_cast<int64_t>(size));
        const auto* p = static_cast<const uint8_t*>(data);
        if (size < (size_t{1} << 16))
            return Put(offset, p, size);
        // Block by block of the file; a block with a byte that is not zero is written.
        int64_t at = offset;
        const int64_t stop = offset + static_cast<int64_t>(size);
        while (at < stop) {
            const int64_t blockEnd = std::min<int64_t>(stop, (at / kBlock + 1) * kBlock);
            const uint8_t* from = p + (at - offset);
            const size_t n = static_cast<size_t>(blockEnd - at);
            if (std::any_of(from, from + n, [](uint8_t b) { return b != 0; }) && !Put(at, from, n))
                return false;
            at = blockEnd;
        }
        return true;
    }
    bool Finish() { return ftruncate(fd_, end_) == 0; }

private:
    bool Put(int64_t offset, const uint8_t* p, size_t n)
    {
        return pwrite(fd_, p, n, offset) == static_cast<ssize_t>(n);
    }
    int fd_;
    int64_t end_ = 0;
};

bool MakeFile(const std::string& path)
{
    SparseFileStream out(path);
    if (!out.Open())
        return false;
    formats::AviMuxWriter w(out);
    formats::AviStreamSpec video = testkit::DvVideoSpec(true);
    const std::string dv = testkit::DvInfoBlock();
    video.format.insert(video.format.end(), dv.begin(), dv.end());
    w.AddStream(video);
    w.AddStream(testkit::PcmSpec(48000, 2));
    if (!w.Begin())
        return false;
    const std::vector<uint8_t> frame(kVideoChunk), sound(kAudioChunk);
    while (w.Position() < kFileSize - static_cast<int64_t>(kVideoChunk + kAudioChunk) - (int64_t{4} << 20))
        if (!w.WriteChunk(0, frame.data(), frame.size()) || !w.WriteChunk(1, sound.data(), sound.size()))
            return false;
    return w.Finish() && out.Finish();
}

double Milliseconds(const std::function<void()>& work)
{
    return 1000 * benchkit::Seconds(work);
}

// mediainfo's RIFF trace, its output thrown away; false when it did not run.
bool MediaInfo(const std::string& path)
{
    return benchkit::Spawn({"mediainfo", "--Details=1", path}, "/dev/null") == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform says at each Analyse that it cannot raise a window.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtWarningMsg || !text.contains(QLatin1String("does not support")))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    testkit::TempDir temporary;
    const std::filesystem::path root = argc > 2 ? std::filesystem::path(argv[2]) : temporary.path();
    std::filesystem::create_directories(root);
    const std::string path = (root / "opendml-4g.avi").string();
    settings::VersionText = "1.0.1";

    std::printf("making a sparse 4 GiB OpenDML file...\n");
    std::fflush(stdout);
    if (!MakeFile(path)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    struct stat st {};
    stat(path.c_str(), &st);
    const double allocated = static_cast<double>(st.st_blocks) * 512;
    std::printf("file: %lld bytes, %.1f MiB on disk (st_blocks)\n", static_cast<long long>(st.st_size),
                allocated / (1 << 20));
    // Only the blocks holding chunk headers and indexes take disk: about 2 of the 37 of a frame.
    if (st.st_size < kFileSize - (int64_t{16} << 20) || allocated > static_cast<double>(st.st_size) / 10) {
        std::fprintf(stderr, "the file is not a sparse 4 GiB file\n");
        return 1;
    }

    formats::TRiffLister probe({.versionText = settings::VersionText});
    probe.WalkFile(path);
    const size_t lines = probe.Lines().size();

    vcl::ScriptedDialogs dialogs;
    ui::TRiffForm form(&dialogs);
    const auto windowRun = [&] {
        form.Analyse(path);
        while (form.Walking() || !form.SauverBtn->isEnabled())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        form.ListBox1->viewport()->repaint(); // the lines drawn
    };
    const auto engineRun = [&] {
        formats::TRiffLister lister({.versionText = settings::VersionText});
        lister.WalkFile(path);
    };

    // Warm: the file's headers in the page cache, the window shown once.
    engineRun();
    windowRun();
    if (!MediaInfo(path)) {
        std::fprintf(stderr, "mediainfo did not run\n");
        return 1;
    }
    if (form.Listing() != probe.Lines()) {
        std::fprintf(stderr, "the window's lines are not the lister's\n");
        return 1;
    }

    std::vector<double> engine, window, mediainfo;
    for (int i = 0; i < runs; ++i) {
        engine.push_back(Milliseconds(engineRun));
        window.push_back(Milliseconds(windowRun));
        mediainfo.push_back(Milliseconds([&] { MediaInfo(path); }));
    }
    const double e = benchkit::Median(engine), w = benchkit::Median(window), m = benchkit::Median(mediainfo);
    std::printf("%d runs each, %zu lines listed\n", runs, lines);
    std::printf("TRiffLister::WalkFile:     %9.3f ms (median)\n", e);
    std::printf("window, Analyse to Save:   %9.3f ms (median)\n", w);
    std::printf("mediainfo --Details=1:     %9.3f ms (median)\n", m);
    std::printf("window over engine %.3f ms (goal <= 5)\n", w - e);
    std::printf("ratio ours/mediainfo %.3f (goal <= 0.5)\n", w / m);
    return 0;
}
