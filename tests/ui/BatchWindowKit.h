#pragma once
// What the window's batch tests share: a command line of files, the wait for every batch's end,
// the files of a folder and ffprobe's view of an output.
#include <QListWidget>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "actions/aviFichier.h"
#include "tests/media/MediaFiles.h"
#include "tests/ui/MainWindowKit.h"

namespace uitest {

inline actions::CommandLine FilesLine(std::vector<std::string> files, std::vector<std::string> switches = {})
{
    actions::CommandLine line;
    line.Files = std::move(files);
    line.Switches = std::move(switches);
    return line;
}

// The window on these files, listed, active and all selected; sorted by `order` first unless -1.
inline ui::TUIForm& OpenSelected(MainWindow& m, const std::vector<std::string>& files, int order = -1)
{
    ui::TUIForm& w = m.Open(FilesLine(files));
    EXPECT_TRUE(m.Loaded());
    EXPECT_TRUE(m.Activate());
    if (order >= 0)
        w.SortList(order);
    w.afSelectionnerToutExecute();
    return w;
}

// No batch of the window runs or will, its end handled, and every loading over.
inline bool BatchesEnded(MainWindow& m, int ms = 60000)
{
    return PumpUntil([&] { return !m.window->BatchesRunning() && m.window->lb->isEnabled(); }, ms) && m.Loaded(ms);
}

using testkit::FolderNames;

// ffprobe's streams of a file: "video,audio" and the like.
inline std::string ProbedStreams(const std::string& path)
{
    std::string types = mediatest::ToolOutput("ffprobe -v error -show_entries stream=codec_type -of csv=p=0 " +
                                              mediatest::Quoted(path));
    std::replace(types.begin(), types.end(), '\n', ',');
    if (!types.empty() && types.back() == ',')
        types.pop_back();
    return types;
}

// One entry of ffprobe's first video stream ("codec_tag_string", "r_frame_rate").
inline std::string ProbedVideo(const std::string& path, const std::string& entry)
{
    std::string value = mediatest::ToolOutput("ffprobe -v error -select_streams v:0 -show_entries stream=" + entry +
                                              " -of csv=p=0 " + mediatest::Quoted(path));
    while (!value.empty() && (value.back() == '\n' || value.back() == '\r'))
        value.pop_back();
    return value;
}

} // namespace uitest
