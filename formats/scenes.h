#pragma once
// Writers of the files that describe a DV video beside it: the binary scene list ".scn", the
// scene list as text "_scn.txt" and the subtitles ".srt". Each writer is its own object, so
// several files can be written at once. Open runs before the graph starts, the write calls on
// its streaming thread, Close on the thread that stops it: one thread at a time, no lock.
// New files are written under a temporary name and renamed into place by a successful Close;
// a failure is kept in LastError() (its system error number in LastErrorNumber()) and reported by
// Open/Close, never thrown.
#include <cstdint>
#include <string>

#include "formats/DVFrameInfo.h"
#include "formats/ReplacingFile.h"

namespace formats {

// "hh.mm.ss.ff" of a frame count at a frame rate; "0:00:00:00" when the rate is not positive.
std::string FramesToTimeStr(int64_t frames, double fps);
// "hh:mm:ss,mmm" of a frame number at a frame duration in 100 ns units.
std::string FramesToSrtTime(int64_t frame, int64_t frameDuration);

// Companion file names: the video name with its extension replaced.
std::string ScnFileName(const std::string& videoName);
std::string ScnTxtFileName(const std::string& videoName);
std::string SrtFileName(const std::string& videoName);

// ".scn": a header naming the video, then one entry per scene; at most kMaxScnScenes entries.
class ScnFileWriter {
public:
    static constexpr int32_t kMaxScnScenes = 32767;

    bool OpenScnFile(const std::string& videoName);
    // A scene from start.Frame up to, not including, current.Frame; nothing at frame 0.
    void WriteScnScene(const DVFrameInfo& start, const DVFrameInfo& current);
    // Writes the scene count and puts the file in place; false when anything failed.
    bool CloseScnFile();
    void Discard();

    bool IsOpen() const { return file_.IsOpen(); }
    int32_t SceneCount() const { return sceneCount_; }
    const std::string& LastError() const { return file_.Error(); }
    int LastErrorNumber() const { return file_.ErrorNumber(); }

private:
    ReplacingFile file_;
    std::string name_;       // video name as stored: at most 255 bytes, whole UTF-8 characters
    int64_t countPos_ = 0;   // offset of the 16-bit scene count in the header
    int32_t sceneCount_ = 0; // scenes counted since the open, also those past the cap
};

struct ScnTxtOptions {
    double fps = 0;          // frame rate of the file being processed
    std::string versionText; // the program's version, shown in the header
    std::string dateFormat;  // FormatDateTime pattern of the datecode column
};

// "_scn.txt": a commented header, one line per scene, a footer with the time of the end.
class ScnTxtWriter {
public:
    bool OpenScnTxt(const std::string& videoName, const ScnTxtOptions& options);
    void WriteScnTxtLine(const DVFrameInfo& start, const DVFrameInfo& current);
    bool CloseScnTxt();
    void Discard();

    bool IsOpen() const { return file_.IsOpen(); }
    int32_t SceneCount() const { return sceneCount_; }
    const std::string& LastError() const { return file_.Error(); }
    int LastErrorNumber() const { return file_.ErrorNumber(); }

private:
    void WriteLine(const std::string& line);

    ReplacingFile file_;
    ScnTxtOptions options_;
    int32_t sceneCount_ = 0;
};

// ".srt": a subtitle is written once its end is known, when the next text pair arrives.
class SrtFileWriter {
public:
    bool OpenSrtFile(const std::string& videoName);
    // The text pair shown from `record` on; an empty pair ends the pending subtitle without
    // starting another. `frameDuration` (100 ns) times both ends of the subtitle written now.
    void AddSrtEntry(const DVFrameInfo& record, const std::string& line1, const std::string& line2,
                     int64_t frameDuration);
    bool CloseSrtFile();
    void Discard();

    bool IsOpen() const { return file_.IsOpen(); }
    int32_t Count() const { return counter_; }
    const std::string& LastError() const { return file_.Error(); }
    int LastErrorNumber() const { return file_.ErrorNumber(); }

private:
    void WriteLine(const std::string& line);

    ReplacingFile file_;
    int32_t counter_ = 0;
    bool pending_ = false;
    DVFrameInfo pendingFrame_;
    std::string line1_, line2_;
};

} // namespace formats
