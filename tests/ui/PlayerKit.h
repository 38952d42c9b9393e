#pragma once
// The main window's player under test: the window opened on clips made by the media kit (PAL
// types 1 and 2 whose date jumps at frames 50 and 120, a ".scn" of those scenes, NTSC, a minute
// of one picture) or by ffmpeg (sound alone, MJPEG), keys pressed on it, and what it shows: the
// picture in the video window, the read-out's labels and position text.
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/scenes.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatDateTime.h"
#include "settings/Preferences.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"
#include "tests/ui/MainWindowKit.h"
#include "ui/BaseFrame.h"

namespace uitest {

constexpr int kClipFrames = 200; // 8 s of PAL
constexpr int kJump1 = 50, kJump2 = 120;
constexpr int kJump1Seconds = 600, kJump2Seconds = 86400; // ten minutes on, then a day on

// The kit's PAL clip of 8 s: eight pictures in turn, sound, dates from 2006-12-31 23:59:50 a
// second every 25 frames, ten minutes later from frame 50 and a day later from frame 120.
inline testkit::DvClipSpec JumpingSpec()
{
    testkit::DvClipSpec spec;
    spec.frames = kClipFrames;
    spec.dateJumps = {{kJump1, kJump1Seconds}, {kJump2, kJump2Seconds}};
    return spec;
}

// The recording date of that clip's frame `k`.
inline rtl::TDateTime JumpingDate(int k)
{
    double seconds = k / 25;
    if (k >= kJump1)
        seconds += kJump1Seconds;
    if (k >= kJump2)
        seconds += kJump2Seconds;
    return rtl::EncodeDateTime(2006, 12, 31, 23, 59, 50, 0) + seconds / 86400;
}

inline std::string DateText(rtl::TDateTime date)
{
    return rtl::FormatDateTime(settings::FormatPourAfficherDatecode, date);
}

// The time code the read-out shows for frame `k` of a kit clip ("hh.mm.ss.ff").
inline std::string TimecodeText(int k, int fps = 25)
{
    return rtl::Format("%.2d.%.2d.%.2d.%.2d", k / fps / 3600, k / fps / 60 % 60, k / fps % 60, k % fps);
}

// The ".scn" beside `avi`: scenes from 0, kJump1 and kJump2 to the clip's end.
inline bool WriteJumpingScenes(const std::string& avi)
{
    const auto at = [](uint32_t frame) {
        formats::DVFrameInfo f;
        f.Frame = frame;
        f.DateValid = 1;
        f.RecDate = JumpingDate(static_cast<int>(frame));
        return f;
    };
    formats::ScnFileWriter w;
    if (!w.OpenScnFile(avi))
        return false;
    w.WriteScnScene(at(0), at(kJump1));
    w.WriteScnScene(at(kJump1), at(kJump2));
    w.WriteScnScene(at(kJump2), at(kClipFrames));
    return w.CloseScnFile();
}

// A file ffmpeg makes from its test sources; false when ffmpeg fails.
inline bool FfmpegMakes(const std::string& args, const std::string& path)
{
    return testkit::RunCommand("ffmpeg -nostdin -hide_banner -loglevel error -y " + args + " '" + path + "'") == 0;
}

// Frames [first, first + count) of `path` decoded by ffmpeg as 32-bit pixels (B, G, R, A bytes,
// as the video window keeps them); empty when ffmpeg fails.
inline std::vector<std::string> FfmpegFrames(const std::string& path, int first, int count)
{
    std::string raw;
    const int status = testkit::RunCommand(
        rtl::Format("ffmpeg -nostdin -loglevel error -i '%s' -vf 'select=between(n\\,%d\\,%d)' -fps_mode passthrough "
                    "-f rawvideo -pix_fmt bgra - 2>/dev/null",
                    path, first, first + count - 1),
        &raw);
    if (status != 0 || raw.empty() || raw.size() % static_cast<size_t>(count) != 0)
        return {};
    const size_t each = raw.size() / static_cast<size_t>(count);
    std::vector<std::string> frames;
    for (int i = 0; i < count; ++i)
        frames.push_back(raw.substr(static_cast<size_t>(i) * each, each));
    return frames;
}

// PSNR in dB of a picture against 32-bit pixels of its size (the colour bytes only).
inline double Psnr(const ds::VideoPicture& picture, const std::string& bgra)
{
    const size_t n = picture.pixels.size();
    if (bgra.size() != n * 4)
        return 0;
    double sum = 0;
    for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) {
            const double d = static_cast<double>((picture.pixels[i] >> (8 * c)) & 0xFF) -
                             static_cast<double>(static_cast<uint8_t>(bgra[i * 4 + static_cast<size_t>(c)]));
            sum += d * d;
        }
    const double mse = sum / static_cast<double>(n * 3);
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// The window opened on files, the first one shown paused; keys, and what the player shows.
class PlayerWindow : public MainWindow {
public:
    // Full-size pictures without the overlay, the sound on: what the window loads at its start.
    PlayerWindow()
    {
        StorePreferences([] {
            settings::PrevisualiserDVEnDemiFormat = false;
            settings::IsIncrustOn = false;
            settings::IsMuteOn = false;
            settings::IncrustSlidersVisible = false;
            settings::Volume = 10000;
        });
    }

    // The jumping clip as a type-2 tape `name`, its dates in `year`, with its ".scn" when `scenes`.
    std::string Clip(const std::string& name, int year = 2006, bool scenes = false)
    {
        testkit::DvClipSpec spec = JumpingSpec();
        spec.year = year;
        const std::string path = Tape(name);
        EXPECT_TRUE(testkit::WriteDvType2(path, spec));
        if (scenes)
            EXPECT_TRUE(WriteJumpingScenes(path));
        return path;
    }

    // The window with `files` listed, the first one current and paused on its first picture.
    ui::TUIForm& OpenOn(const std::vector<std::string>& files)
    {
        actions::CommandLine line;
        line.Files = files;
        ui::TUIForm& w = Open(line);
        EXPECT_TRUE(Loaded());
        EXPECT_TRUE(Activate());
        EXPECT_TRUE(Paused());
        return w;
    }
    bool Paused()
    {
        return PumpUntil([&] { return window->CurrentFichier() && State() == ds::FilterState::Paused; }, 10000);
    }
    ds::FilterState State() const { return Viewer().Graph().State(0); }
    media::Tviewdm& Viewer() const { return media::viewdm(); }

    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = window->BaseFrame->vw->FullScreen() ? static_cast<QWidget*>(window->BaseFrame->vw)
                                                              : static_cast<QWidget*>(window.get());
        QTest::keyClick(target, key, modifiers);
    }

    ds::PicturePtr Picture() const { return window->BaseFrame->vw->LastPicture(); }
    std::string Readout() const { return window->BaseFrame->labTimeStamp->text().toStdString(); }
    // The frame the position text names ("h:mm:ss:ff" at `fps`), -1 when it names none.
    int ReadoutFrame(int fps = 25) const
    {
        int h = 0, m = 0, s = 0, f = 0;
        if (std::sscanf(Readout().c_str(), "%d:%d:%d:%d", &h, &m, &s, &f) != 4)
            return -1;
        return ((h * 60 + m) * 60 + s) * fps + f;
    }
    std::string DateShown() const { return window->BaseFrame->labDatecode->text().toStdString(); }
    std::string TimecodeShown() const { return window->BaseFrame->LabTimecode->text().toStdString(); }

    // The video window shows the picture at stream position `position` (100 ns) and the read-out
    // says `readout`, within `ms`.
    bool Shows(int64_t position, const std::string& readout, int ms = 3000)
    {
        return PumpUntil(
            [&] {
                const ds::PicturePtr p = Picture();
                return p && p->timed && p->position == position && Readout() == readout;
            },
            ms);
    }
    // Frame `k` of a clip at 25 frames a second.
    bool ShowsFrame(int k, int ms = 3000) { return Shows(int64_t{k} * 400000, ui::PositionText(k, 25), ms); }
};

} // namespace uitest
