#include "actions/aviFichier.h"

#include <exception>
#include <memory>

#include "formats/DSFunctions.h"
#include "formats/aviinfo.h"
#include "formats/fpsunit.h"
#include "media/buildlist.h"
#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/FormatRecords.h"
#include "platform/rtl/SysUtils.h"
#include "settings/Preferences.h"

namespace actions {

namespace {

const std::string kHertz = "赫兹 ";
const std::string kBits = " 比特 ";

// A codec code as text; a code of zero bytes (raw video, some writers' handler) gives "".
std::string CodecText(std::string code)
{
    return code.substr(0, code.find('\0'));
}

std::string ChannelsText(int channels)
{
    switch (channels) {
    case 0: return "没有信道";
    case 1: return " 单声道";
    case 2: return " 立体声";
    default: return " 立体声 (" + rtl::IntToStr(channels) + ")";
    }
}

// "yyyymmddhhnnss" or the pattern's text; "N/A" when the date cannot be formatted.
std::string DateText(std::string_view pattern, rtl::TDateTime date)
{
    try {
        return rtl::FormatDateTime(pattern, date);
    } catch (const std::exception&) {
        return std::string(kNA);
    }
}

} // namespace

void TaviFichier::MarkUnreadable()
{
    Timecode.clear();
    Datecode.clear();
    RecDateKey = std::string(kKeyUnreadable);
}

TaviFichier::TaviFichier(const std::string& fileName) : TSRFichier(fileName)
{
    Datecode = kNoDatum;
    Timecode = kNoDatum;
    RecDateKey = kKeyNotDv;
    ScnExists = rtl::FileExists(rtl::ChangeFileExt(fileName, ".scn"));
    SrtExists = rtl::FileExists(rtl::ChangeFileExt(fileName, ".srt"));

    // Folders, pipes and devices are never opened: a pipe would block the reader.
    std::unique_ptr<formats::TFriendlyAviParam> avi;
    if (IsRegularFile()) {
        try {
            avi = std::make_unique<formats::TFriendlyAviParam>(fileName);
        } catch (const std::exception&) {
        }
    }
    if (avi && avi->Valid) {
        Codec = CodecText(avi->VideoHandler());
    } else {
        MarkUnreadable();
        Codec.clear();
    }
    avi.reset();

    // Folders, pipes and devices are never probed; the probe opens the file read-only.
    auto probe = [&](const media::ProbeOptions& options) {
        return IsRegularFile() ? media::dmList().ProbeFile(fileName, options) : media::ProbeResult{};
    };
    media::ProbeResult r = probe({});
    if (!r.ok) {
        // The second try reads the codec code as "dvsd" in memory; the file is never patched.
        bool readable = IsRegularFile();
        uint32_t old = 0;
        try {
            if (readable)
                old = formats::ReadVideoHandler(fileName);
        } catch (const std::exception&) {
            readable = false;
        }
        if (!readable) {
            MarkUnreadable();
        } else if (old != rtl::FourCC("dvsd")) {
            r = probe(media::ProbeOptions{.forceDv = true});
            if (!r.ok)
                MarkUnreadable();
        }
    }

    bool lines60 = false;
    if (r.ListVideoKnown) {
        const uint8_t* v = r.ListVideoFormat.data();
        const rtl::BitmapInfoHeader bmi = rtl::DecodeBitmapInfo(v + 48);
        const int64_t avgTimePerFrame = static_cast<int64_t>(rtl::GetLE64(v + 40));
        const std::string c = CodecText(rtl::FourCCToStr(bmi.biCompression));
        if (Codec.empty() && !c.empty())
            Codec = c;
        Image = rtl::IntToStr(bmi.biWidth) + " x " + rtl::IntToStr(bmi.biHeight);
        Width = bmi.biWidth;
        Height = bmi.biHeight;
        lines60 = bmi.biHeight % 60 == 0;
        VideoDuration = r.ListVideoDuration;
        // A frame duration of 0 or less has no rate: durations then read in milliseconds.
        if (avgTimePerFrame > 0) {
            Fps = static_cast<double>(rtl::Round(1e9 / static_cast<double>(avgTimePerFrame))) / 100;
            Duree = formats::FramesDurationToStr(VideoDuration, avgTimePerFrame);
        } else {
            Duree = formats::MsDurationToStr(VideoDuration);
        }
        VideoBitRate = rtl::GetLE32(v + 32);
    } else {
        Codec.clear();
        Image = kNA;
    }

    if (r.ListAudioKnown) {
        const rtl::WaveFormatEx w = rtl::DecodeWaveFormat(r.ListAudioFormat.data());
        AudioRate = static_cast<int32_t>(w.nSamplesPerSec);
        AudioBits = w.wBitsPerSample;
        Audio1 = rtl::IntToStr(AudioRate) + kHertz;
        if (AudioBits > 0)
            Audio1 += rtl::IntToStr(AudioBits) + kBits;
        Channels = ChannelsText(w.nChannels);
        Audio1 += Channels;
        Audio2 = formats::WaveFormatTagName(w.wFormatTag) + " " + rtl::IntToStr(w.nAvgBytesPerSec) + " 字节/秒";
        AudioDuration = r.ListAudioDuration;
        AudioDuree = Fps != 0 ? formats::FramesDurationToStr(AudioDuration, rtl::Round(1e7 / Fps))
                              : formats::MsDurationToStr(AudioDuration);
    } else {
        Audio1 = kNA;
    }
    if (Audio1 == kNA && Image == kNA)
        RecDateKey = std::string(kKeyUnreadable);

    const std::string codec = rtl::LowerCase(Codec);
    Valid = codec == "dvsd" || codec == "dsvd" || codec == "cdvc";
    if (Valid) {
        if (r.ListDVInfoKnown) {
            DVType = r.ListStreamCount < 2 ? 1 : 2;
            Type2Iavs = DVType == 2;
            DVVAuxSrc = rtl::GetLE32(&r.ListDVInfo[16]);
            bool pal = (DVVAuxSrc & 0x200000) != 0; // the 50/60 flag of the VAUX source pack
            // A DVINFO that misstates the frames' system (some tools write a fixed one) gives way
            // to the picture the frames have, as the DV Splitter read it.
            if (Height == 480 || Height == 576)
                pal = Height == 576;
            Image += pal ? " (Pal" : " (NTSC";
            Standard = pal ? 1 : 2;
            Fps = pal ? 25.0 : 30000.0 / 1001;
        } else {
            DVType = 2;
            Image += lines60 ? " (NTSC" : " (Pal";
            Standard = lines60 ? 2 : 1;
        }
        WideScreen = r.ListWideScreen != 0;
        Image += WideScreen ? " 16x9)" : " 4x3)";
        Height = static_cast<int32_t>(WideScreen ? int64_t{Width} * 9 / 16 : int64_t{Width} * 3 / 4);
        if (r.ListDateValid) {
            RecDate = r.ListRecDate;
            Datecode = DateText(settings::FormatPourAfficherDatecode, RecDate);
        } else {
            Datecode = kNA;
        }
        // 32 kHz DV sound is 12-bit, decoded to 16.
        if (AudioRate == 32000 && AudioBits == 16)
            Audio1 = "32000" + kHertz + "12(16) 比特 " + Channels;
        const formats::DVTimeCode& tc = r.ListTimecode;
        Timecode = r.ListTimecodeValid ? rtl::Format("%.2d.%.2d.%.2d.%.2d", static_cast<int8_t>(tc.Hours), tc.Minutes,
                                                     tc.Seconds, tc.Frames)
                                       : std::string(kNA);
        RecDateKey = r.ListDateValid ? DateText("yyyymmddhhnnss", r.ListRecDate) : std::string(kNA);
    }
    RecDateKey2 = RecDateKey + rtl::LowerCase(FileName + FullName) + KeyTail(FullName);
}

} // namespace actions
