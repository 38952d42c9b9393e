#pragma once
// The files the analysis tests read: DV AVI files of type 1 and 2 from the media kit (PAL and
// NTSC, 4:3 and 16:9, 48 kHz 16-bit and 32 kHz 12-bit four-channel, a "CDVC" type-1 file) and,
// where ffmpeg is at hand, a non-DV and an audio-only AVI of its making.
#include <map>
#include <string>

#include "formats/fpsunit.h"
#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/SysUtils.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"

namespace actionstest {

class AnalysisFiles {
public:
    AnalysisFiles()
    {
        auto dv = [&](const std::string& name, bool pal, bool type1, bool wide, formats::DvAudioFormat audio) {
            testkit::DvClipSpec spec;
            spec.pal = pal;
            spec.frames = 10;
            spec.wide = wide;
            spec.audio = audio;
            spec.distinctPictures = 2;
            const testkit::DvClip clip = testkit::MakeDvClip(spec);
            const std::string path = dir.file(name);
            if (type1 ? testkit::WriteDvType1(path, clip) : testkit::WriteDvType2(path, clip))
                files[name] = path;
        };
        const formats::DvAudioFormat stereo48{48000, 16, 1, false}, fourChannels32{32000, 12, 2, false};
        dv("pal1.avi", true, true, false, stereo48);
        dv("pal2wide.avi", true, false, true, stereo48);
        dv("ntsc1wide.avi", false, true, true, stereo48);
        dv("ntsc2.avi", false, false, false, stereo48);
        dv("four1.avi", true, true, false, fourChannels32);
        dv("four2.avi", true, false, false, fourChannels32);
        dv("cdvc1.avi", true, true, false, stereo48);
        formats::WriteVideoHandler(files["cdvc1.avi"], rtl::FourCC("CDVC"));
        if (testkit::HaveProgram("ffmpeg")) {
            const std::string d = dir.path().string();
            if (testkit::RunCommand("cd '" + d +
                                    "' && ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=320x240:rate=25 "
                                    "-f lavfi -i sine=sample_rate=44100 -t 1 -c:v mjpeg -c:a pcm_s16le mjpeg.avi") == 0)
                files["mjpeg.avi"] = dir.file("mjpeg.avi");
            if (testkit::RunCommand("cd '" + d +
                                    "' && ffmpeg -nostdin -loglevel error -f lavfi -i sine=sample_rate=22050 -t 2 "
                                    "-c:a pcm_s16le -ac 1 sound.avi") == 0)
                files["sound.avi"] = dir.file("sound.avi");
        }
    }

    // The path of a made file; "" when it could not be made (ffmpeg missing).
    std::string operator[](const std::string& name) const
    {
        const auto it = files.find(name);
        return it == files.end() ? std::string() : it->second;
    }

    testkit::TempDir dir;
    std::map<std::string, std::string> files;
};

} // namespace actionstest
