// The text writers of the scenes unit: "_scn.txt" scene lists and ".srt" subtitles.
#include "formats/scenes.h"

#include "platform/rtl/Format.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/ProductName.h"
#include "platform/rtl/SysUtils.h"

namespace formats {

namespace {

const char* const kRule = "//--------------------------------------------------";

} // namespace

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
