#include "formats/scenes.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/ProductName.h"
#include "platform/rtl/SysUtils.h"

namespace formats {

namespace {

constexpr int64_t kUnitsPerSecond = 10000000;
constexpr size_t kMaxNameBytes = 255; // the name fields carry a one-byte length
const char* const kRule = "//--------------------------------------------------"; // "_scn.txt" rule lines

// The longest prefix of at most 255 bytes that ends on a UTF-8 character boundary.
std::string StoredName(const std::string& name)
{
    return std::string(rtl::Utf8Prefix(name, kMaxNameBytes));
}

void PutI32(std::string& out, int32_t v)
{
    rtl::AppendLE32(out, static_cast<uint32_t>(v));
}

void PutBytes(std::string& out, std::initializer_list<uint8_t> bytes)
{
    for (uint8_t b : bytes)
        out += static_cast<char>(b);
}

void PutZeros(std::string& out, size_t count)
{
    out.append(count, '\0');
}

} // namespace

std::string FramesToTimeStr(int64_t frames, double fps)
{
    if (!(fps > 0) || !std::isfinite(fps))
        return "0:00:00:00";
    frames = std::max<int64_t>(frames, 0);
    const double wholeSeconds = std::floor(static_cast<double>(frames) / fps);
    // Only a rate no real file has (read from a damaged header) gives more seconds than this.
    if (!(wholeSeconds < 1e15))
        return "0:00:00:00";
    int64_t seconds = static_cast<int64_t>(wholeSeconds);
    int64_t rest = rtl::Round(static_cast<double>(frames) - static_cast<double>(seconds) * fps);
    // At 29.97 the rounded rest can reach 30: that is the next second, not frame 30.
    const int64_t wholeRate = std::max<int64_t>(rtl::Round(std::min(fps, 1e15)), 1);
    if (rest >= wholeRate) {
        rest -= wholeRate;
        ++seconds;
    }
    return rtl::Format("%.2d.%.2d.%.2d.%.2d", seconds / 3600, (seconds / 60) % 60, seconds % 60, rest);
}

std::string FramesToSrtTime(int64_t frame, int64_t frameDuration)
{
    const int64_t t = std::max<int64_t>(frame * frameDuration, 0);
    const int64_t ms = (t % kUnitsPerSecond) / 10000;
    const int64_t s = t / kUnitsPerSecond;
    return rtl::Format("%.2d:%.2d:%.2d,%.3d", s / 3600, (s / 60) % 60, s % 60, ms);
}

std::string ScnFileName(const std::string& videoName)
{
    return rtl::ChangeFileExt(videoName, ".scn");
}

std::string ScnTxtFileName(const std::string& videoName)
{
    return rtl::ChangeFileExt(videoName, "_scn.txt");
}

std::string SrtFileName(const std::string& videoName)
{
    return rtl::ChangeFileExt(videoName, ".srt");
}

// --- ".scn" ---

bool ScnFileWriter::OpenScnFile(const std::string& videoName)
{
    sceneCount_ = 0;
    name_ = StoredName(videoName);
    if (!file_.Open(ScnFileName(videoName)))
        return false;
    const auto length = static_cast<uint8_t>(name_.size());
    std::string h;
    PutBytes(h, {0x63, 0x26, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x03, 0x00, 0x0A, 0x00});
    h += "SourceTape";
    h += static_cast<char>(length);
    h += name_;
    PutZeros(h, 8);
    countPos_ = static_cast<int64_t>(h.size());
    rtl::AppendLE16(h, 0); // scene count, filled in by the close
    PutBytes(h, {0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00});
    h += "ClipP";
    PutZeros(h, 3);
    PutBytes(h, {0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00});
    h += "Scene";
    PutZeros(h, 5);
    file_.Write(h);
    return !file_.Failed();
}

void ScnFileWriter::WriteScnScene(const DVFrameInfo& start, const DVFrameInfo& current)
{
    if (!file_.IsOpen() || current.Frame == 0)
        return;
    ++sceneCount_;
    if (sceneCount_ > kMaxScnScenes)
        return;
    std::string e;
    if (sceneCount_ == 1) {
        // The first scene always starts at frame 0 and names the video again.
        const auto end = static_cast<int32_t>(current.Frame);
        PutI32(e, end);
        PutZeros(e, 4);
        PutBytes(e, {0x01, 0x80});
        e += static_cast<char>(static_cast<uint8_t>(name_.size()));
        e += name_;
        PutZeros(e, 8);
        PutI32(e, end);
    } else {
        const auto s = static_cast<int32_t>(start.Frame);
        const auto n = static_cast<int32_t>(current.Frame - start.Frame);
        PutBytes(e, {0x03, 0x80, 0xF0, 0x00, 0x00, 0x00, 0x05, 0x80, 0x00});
        PutI32(e, s);
        PutI32(e, n);
        PutBytes(e, {0x00, 0x00, 0x00, 0x00, 0x07, 0x00});
        PutI32(e, s);
        PutI32(e, n);
        PutI32(e, s);
    }
    file_.Write(e);
}

bool ScnFileWriter::CloseScnFile()
{
    if (!file_.IsOpen())
        return false;
    std::string count;
    rtl::AppendLE16(count, static_cast<uint16_t>(std::min(sceneCount_, kMaxScnScenes)));
    file_.WriteAt(countPos_, count.data(), count.size());
    return file_.Commit();
}

void ScnFileWriter::Discard()
{
    file_.Discard();
}

// --- "_scn.txt" ---

void ScnTxtWriter::WriteLine(const std::string& line)
{
    file_.Write(line);
    file_.Write("\r\n");
}

bool ScnTxtWriter::OpenScnTxt(const std::string& videoName, const ScnTxtOptions& options)
{
    sceneCount_ = 0;
    options_ = options;
    if (!file_.Open(ScnTxtFileName(videoName)))
        return false;
    WriteLine(kRule);
    WriteLine("// List of scenes of the video file:");
    WriteLine("//");
    WriteLine("// ***   " + rtl::LowerCase(videoName) + "   ***");
    WriteLine("//");
    WriteLine(
        rtl::Format("// exported by %s version %s %s", rtl::ProductName, options_.versionText, rtl::LanguageCode));
    WriteLine("// with format:");
    WriteLine("// scene number, start, end, datecode, timecode, duration");
    WriteLine("//");
    WriteLine(kRule);
    WriteLine("");
    return !file_.Failed();
}

void ScnTxtWriter::WriteScnTxtLine(const DVFrameInfo& start, const DVFrameInfo& current)
{
    if (!file_.IsOpen())
        return;
    ++sceneCount_;
    const int64_t from = start.Frame;
    const int64_t to = current.Frame;
    std::string datecode;
    if (start.DateValid)
        datecode = rtl::FormatDateTime(options_.dateFormat, start.RecDate);
    std::string timecode;
    if (start.TimecodeValid) {
        const DVTimeCode& tc = start.Timecode;
        timecode = rtl::Format("%d:%.2d:%.2d:%.2d", static_cast<int8_t>(tc.Hours), tc.Minutes, tc.Seconds, tc.Frames);
    }
    WriteLine("  " + std::to_string(sceneCount_) + "," + FramesToTimeStr(from, options_.fps) + "," +
              FramesToTimeStr(to, options_.fps) + "," + datecode + "," + timecode + "," +
              FramesToTimeStr(to - from, options_.fps));
}

bool ScnTxtWriter::CloseScnTxt()
{
    if (!file_.IsOpen())
        return false;
    WriteLine("");
    WriteLine(kRule);
    WriteLine("// Terminated on " + rtl::FormatDateTime("dddddd 'at' hh:mm:ss", rtl::Now()));
    WriteLine("//");
    return file_.Commit();
}

void ScnTxtWriter::Discard()
{
    file_.Discard();
}

// --- ".srt" ---

void SrtFileWriter::WriteLine(const std::string& line)
{
    file_.Write(line);
    file_.Write("\r\n");
}

bool SrtFileWriter::OpenSrtFile(const std::string& videoName)
{
    counter_ = 0;
    pending_ = false;
    return file_.Open(SrtFileName(videoName));
}

void SrtFileWriter::AddSrtEntry(const DVFrameInfo& record, const std::string& line1, const std::string& line2,
                                int64_t frameDuration)
{
    if (!file_.IsOpen())
        return;
    if (pending_) {
        ++counter_;
        WriteLine(std::to_string(counter_));
        WriteLine(FramesToSrtTime(pendingFrame_.Frame, frameDuration) + " --> " +
                  FramesToSrtTime(record.Frame, frameDuration));
        WriteLine(line1_);
        WriteLine(line2_);
        WriteLine("");
    }
    if (line1.empty() && line2.empty()) {
        pending_ = false;
        return;
    }
    // Every subtitle has exactly two text lines: an empty one is written as a blank.
    pendingFrame_ = record;
    line1_ = line1.empty() ? " " : line1;
    line2_ = line2.empty() ? " " : line2;
    pending_ = true;
}

bool SrtFileWriter::CloseSrtFile()
{
    if (!file_.IsOpen())
        return false;
    pending_ = false;
    return file_.Commit();
}

void SrtFileWriter::Discard()
{
    file_.Discard();
}

} // namespace formats
