// The date-shift graph built by hand (File Source, AVI Splitter, DV header filter, AVI Mux, File
// writer; a type-2 file's sound straight into the mux): every copy of the recording date moves,
// as mediainfo reads it, and nothing is decoded.
#include <gtest/gtest.h>

#include "media/dv_DVHeader.h"
#include "tests/filters/ContainerGraph.h"
#include "tests/media/MediaFiles.h"

using namespace mediatest;

namespace {

// Copies `in` to `out` through the DV header filter with the offset, as the date-shift action does.
void ShiftDates(const std::string& in, const std::string& out, double offset)
{
    containertest::Graph g;
    auto header = std::make_shared<media::Tdv_DVheader>(nullptr);
    header->SetCopyHeaders(false);
    header->SetOffset(offset);
    ASSERT_TRUE(g.Open(in, out));
    g.graph->AddFilter(header, "dv_DVHeader");
    const int outputs = g.splitter->GetPinCount() - 1;
    ASSERT_EQ(g.graph->ConnectDirect(g.splitter->GetPin(0), header->GetPin(0)), ds::S_OK);
    ASSERT_EQ(g.graph->Connect(header->GetPin(1), g.mux->GetPin(1)), ds::S_OK);
    for (int i = 1; i < outputs; ++i)
        ASSERT_EQ(g.graph->Connect(g.splitter->GetPin(i), g.mux->GetPin(g.mux->GetPinCount() - 1)), ds::S_OK);
    ASSERT_EQ(g.graph->Connect(g.mux->GetPin(0), g.writer->GetPin(0)), ds::S_OK);
    ASSERT_EQ(g.RunToEnd(), ds::EC_COMPLETE);
    EXPECT_EQ(header->UnmatchedFrames(), 0);
}

std::string RecordedDate(const std::string& path)
{
    std::string out = ToolOutput("mediainfo " + Quoted(path));
    const size_t at = out.find("Recorded date");
    if (at == std::string::npos)
        return "none";
    const size_t colon = out.find(':', at);
    const size_t end = out.find('\n', colon);
    return out.substr(colon + 2, end - colon - 2);
}

TEST(DateShiftGraph, MediainfoReadsTheShiftedDateOfType1AndType2Files)
{
    if (!testkit::HaveProgram("mediainfo"))
        GTEST_SKIP() << "mediainfo not installed";
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 10; // dated 2006-12-31 23:59:50
    testkit::DvClip clip = testkit::MakeDvClip(spec);
    // mediainfo reads a copy of the date the kit does not write (checked): cameras write several.
    WithCameraDates(clip);
    for (int type : {1, 2}) {
        const std::string in = dir.file("in" + std::to_string(type) + ".avi");
        const std::string out = dir.file("out" + std::to_string(type) + ".avi");
        ASSERT_TRUE(type == 1 ? testkit::WriteDvType1(in, clip) : testkit::WriteDvType2(in, clip));
        EXPECT_EQ(RecordedDate(in), "2006-12-31 23:59:50.000") << type;
        ShiftDates(in, out, 1.0 / 24 + 30.0 / 1440); // one and a half hours on
        EXPECT_EQ(RecordedDate(out), "2007-01-01 01:29:50.000") << type;
    }
}

} // namespace
