// The "File writer": writes at sample offsets, headers through its byte stream, temporary names.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/dshow/FilterGraph.h"
#include "platform/filters/FileWriter.h"
#include "tests/dshow/GraphHelpers.h"
#include "tests/dshow/TestFilters.h"
#include "tests/kit/FileFault.h"
#include "tests/kit/TempDir.h"

using namespace testds;
namespace fs = std::filesystem;

namespace {

struct Chunk {
    int64_t offset; // -1: no time, follows the previous write
    std::string bytes;
};

// Sends its chunks timed by byte offset; then ends the stream, or waits for the stop.
class ChunkStream : public SourceStream {
public:
    ChunkStream(BaseSource& f, std::vector<Chunk> chunks, bool end)
        : SourceStream(f, "out"), chunks_(std::move(chunks)), end_(end)
    {
    }
    HRESULT CheckMediaType(const MediaType&) override { return S_OK; }
    HRESULT GetMediaType(int position, MediaType& mt) override
    {
        return Offer({MediaType(MEDIATYPE_Stream, MEDIASUBTYPE_WAVE)}, position, mt);
    }
    HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override
    {
        return AskBuffers(allocator, request, 2, 64);
    }
    HRESULT FillBuffer(MediaSample& s) override
    {
        if (next_ < chunks_.size()) {
            const Chunk& c = chunks_[next_++];
            std::memcpy(s.GetPointer(), c.bytes.data(), c.bytes.size());
            s.SetActualDataLength(static_cast<int32_t>(c.bytes.size()));
            if (c.offset >= 0)
                s.SetTime(c.offset, c.offset + static_cast<int64_t>(c.bytes.size()));
            return S_OK;
        }
        while (!end_ && !stopRequested_.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return S_FALSE;
    }

private:
    std::vector<Chunk> chunks_;
    size_t next_ = 0;
    bool end_;
};

class ChunkSource : public BaseSource {
public:
    ChunkSource(std::vector<Chunk> chunks, bool end) : BaseSource("Chunks")
    {
        AddStream(std::make_unique<ChunkStream>(*this, std::move(chunks), end));
    }
    ~ChunkSource() override { RemoveStreams(); }
};

// Writes a header at offset 0 through the writer's byte stream when streaming stops.
class HeaderWriter : public TBCTransInPlaceFilter {
public:
    HeaderWriter() : TBCTransInPlaceFilter("Header") {}
    HRESULT CheckInputType(const MediaType&) override { return S_OK; }
    HRESULT Transform(MediaSample&) override { return S_OK; }
    HRESULT StopStreaming() override
    {
        auto* stream = QueryPin<ByteStream>(Output()->ConnectedTo());
        if (!stream)
            return E_NOINTERFACE;
        HRESULT hr = stream->Seek(0, SeekOrigin::Set, nullptr);
        if (SUCCEEDED(hr))
            hr = stream->Write("HDR!", 4, nullptr);
        result_ = hr;
        return hr;
    }
    HRESULT result_ = S_FALSE;
};

struct WriterGraph {
    FilterGraph graph;
    std::shared_ptr<ChunkSource> source;
    std::shared_ptr<HeaderWriter> header = std::make_shared<HeaderWriter>();
    std::shared_ptr<FileWriter> writer = std::make_shared<FileWriter>();

    WriterGraph(std::vector<Chunk> chunks, bool end, const std::string& file, uint32_t mode = AM_FILE_OVERWRITE)
        : source(std::make_shared<ChunkSource>(std::move(chunks), end))
    {
        graph.AddFilter(source, "source");
        graph.AddFilter(header, "header");
        graph.AddFilter(writer, "destination");
        EXPECT_EQ(writer->SetFileName(file, nullptr), S_OK);
        EXPECT_EQ(writer->SetMode(mode), S_OK);
        EXPECT_EQ(graph.ConnectDirect(source->GetPin(0), header->GetPin(0)), S_OK);
        EXPECT_EQ(graph.ConnectDirect(header->GetPin(1), writer->GetPin(0)), S_OK);
        graph.SetSyncSource(nullptr);
    }
};

size_t FilesIn(const fs::path& dir)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

} // namespace

TEST(FileWriter, WritesSamplesAtTheirOffsetsAndTheHeaderLast)
{
    testkit::TempDir dir;
    std::string out = dir.file("out.wav");
    WriterGraph g({{8, "BBBB"}, {4, "AAAA"}, {12, "CC"}, {-1, "DD"}}, true, out);
    ASSERT_EQ(g.graph.Run(), S_OK);
    ASSERT_EQ(g.graph.WaitForCompletion(5000), EC_COMPLETE);
    // Until the stop the data sits under a temporary name beside the destination.
    std::string temp = g.writer->TemporaryName();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(fs::path(temp).parent_path(), dir.path());
    EXPECT_FALSE(fs::exists(out));
    ASSERT_EQ(g.graph.Stop(), S_OK);
    EXPECT_EQ(g.header->result_, S_OK);
    EXPECT_EQ(testkit::ReadFileBytes(out), "HDR!AAAABBBBCCDD");
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(FileWriter, AnAbortedRunLeavesTheOldFileAndNoTemporary)
{
    testkit::TempDir dir;
    std::string out = dir.file("movie.avi");
    testkit::WriteFileBytes(out, "old contents");
    WriterGraph g({{0, "new"}}, false, out);
    ASSERT_EQ(g.graph.Run(), S_OK);
    ASSERT_TRUE(Eventually([&] { return g.writer->RenderedCount() == 1; }));
    EXPECT_EQ(g.graph.WaitForCompletion(10), EC_NONE);
    ASSERT_EQ(g.graph.Stop(), S_OK);
    EXPECT_EQ(testkit::ReadFileBytes(out), "old contents");
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(FileWriter, AnAbandonedRunKeepsNothingEvenWhenItsStreamEnded)
{
    testkit::TempDir dir;
    std::string out = dir.file("movie.avi");
    testkit::WriteFileBytes(out, "old contents");
    WriterGraph g({{0, "new"}}, true, out);
    ASSERT_EQ(g.graph.Run(), S_OK);
    ASSERT_EQ(g.graph.WaitForCompletion(5000), EC_COMPLETE);
    g.writer->AbandonRun(); // the cancellation arrived as the stream ended
    ASSERT_EQ(g.graph.Stop(), S_OK);
    EXPECT_EQ(testkit::ReadFileBytes(out), "old contents");
    EXPECT_EQ(FilesIn(dir.path()), 1u);
    // The next run is not abandoned.
    ASSERT_EQ(g.graph.Run(), S_OK);
    ASSERT_EQ(g.graph.WaitForCompletion(5000), EC_COMPLETE);
    ASSERT_EQ(g.graph.Stop(), S_OK);
    EXPECT_EQ(testkit::ReadFileBytes(out), "HDR!");
}

TEST(FileWriter, WithoutOverwriteAnExistingOrLateFileIsKeptAndOverwriteReplacesIt)
{
    testkit::TempDir dir;
    std::string out = dir.file("movie.avi");
    testkit::WriteFileBytes(out, "old");
    const HRESULT exists = HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
    {
        WriterGraph g({{4, "new"}}, true, out, 0);
        EXPECT_EQ(g.graph.Run(), exists);
        int64_t hr = 0;
        EXPECT_EQ(g.graph.WaitForCompletion(5000, &hr), EC_ERRORABORT);
        EXPECT_EQ(hr, exists);
        g.graph.Stop();
        EXPECT_EQ(testkit::ReadFileBytes(out), "old");
    }
    fs::remove(out);
    {
        WriterGraph g({{4, "new"}}, true, out, 0);
        g.graph.Run();
        ASSERT_EQ(g.graph.WaitForCompletion(5000), EC_COMPLETE);
        testkit::WriteFileBytes(out, "someone else's"); // appears during the run
        EXPECT_EQ(g.graph.Stop(), exists);
        EXPECT_EQ(testkit::ReadFileBytes(out), "someone else's");
        EXPECT_EQ(FilesIn(dir.path()), 1u);
    }
    WriterGraph g({{4, "new"}}, true, out);
    g.graph.Run();
    EXPECT_EQ(g.graph.WaitForCompletion(5000), EC_COMPLETE);
    g.graph.Stop();
    EXPECT_EQ(testkit::ReadFileBytes(out), std::string("HDR!new"));
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(FileWriter, AFolderThatCannotBeWrittenIsAnErrorAbort)
{
    testkit::TempDir dir;
    testkit::WriteFileBytes(dir.file("file"), "a file, not a folder");
    const HRESULT notFound = HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    const std::pair<std::string, HRESULT> cases[] = {{dir.file("missing"), notFound},
                                                     {dir.file("file"), notFound},
                                                     {testkit::UnwritableFolder(dir), E_ACCESSDENIED}};
    for (const auto& [folder, code] : cases) {
        WriterGraph g({{0, "x"}}, true, folder + "/out.avi");
        EXPECT_EQ(g.graph.Run(), code);
        int64_t hr = 0;
        EXPECT_EQ(g.graph.WaitForCompletion(5000, &hr), EC_ERRORABORT);
        EXPECT_EQ(hr, code);
        g.graph.Stop();
        EXPECT_FALSE(fs::exists(folder + "/out.avi"));
    }
}

TEST(FileWriter, AFullDiskOrAFailedSyncKeepsTheOldFileAndTheFullDiskSaysSo)
{
    testkit::TempDir dir;
    const std::string out = dir.file("movie.avi");
    testkit::WriteFileBytes(out, "old contents");
    const HRESULT diskFull = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    // A sample, then a write through the byte stream as the muxers make: each abort says why.
    for (bool byStream : {false, true}) {
        testkit::FileFault fault(testkit::FileFault::Step::Write, ENOSPC);
        WriterGraph g(byStream ? std::vector<Chunk>{} : std::vector<Chunk>{{0, "new"}}, !byStream, out);
        ASSERT_EQ(g.graph.Run(), S_OK);
        if (byStream) {
            EXPECT_EQ(QueryPin<ByteStream>(g.writer->GetPin(0))->Write("x", 1, nullptr), diskFull);
        }
        int64_t hr = 0;
        EXPECT_EQ(g.graph.WaitForCompletion(5000, &hr), EC_ERRORABORT);
        EXPECT_EQ(hr, diskFull);
        EXPECT_EQ(g.graph.Stop(), diskFull);
    }
    testkit::FileFault fault(testkit::FileFault::Step::SyncFile);
    WriterGraph g({{0, "new"}}, true, out);
    ASSERT_EQ(g.graph.Run(), S_OK);
    ASSERT_EQ(g.graph.WaitForCompletion(5000), EC_COMPLETE);
    EXPECT_TRUE(FAILED(g.graph.Stop()));
    EXPECT_EQ(testkit::ReadFileBytes(out), "old contents");
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(FileWriter, APauseCreatesNothing)
{
    testkit::TempDir dir;
    WriterGraph g({{0, "x"}}, true, dir.file("out.avi"));
    g.graph.Pause();
    FilterState state;
    EXPECT_EQ(g.graph.GetState(5000, state), S_OK); // the writer holds the first sample
    EXPECT_EQ(FilesIn(dir.path()), 0u);
    g.graph.Stop();
    EXPECT_EQ(FilesIn(dir.path()), 0u);
}

TEST(FileWriter, ByteStreamCallsWhilePausedWaitForRun)
{
    testkit::TempDir dir;
    std::string out = dir.file("out.bin");
    WriterGraph g({}, false, out);
    auto* stream = QueryPin<ByteStream>(g.writer->GetPin(0));
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->Write("x", 1, nullptr), E_UNEXPECTED); // stopped: no file
    g.graph.Pause();
    std::atomic<HRESULT> written{S_FALSE};
    std::thread muxer([&] {
        uint32_t n = 0;
        written = stream->Write("abc", 3, &n);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(written.load(), S_FALSE);
    g.graph.Run();
    muxer.join();
    EXPECT_EQ(written.load(), S_OK);
    char back[3] = {};
    ASSERT_EQ(stream->Seek(0, SeekOrigin::Set, nullptr), S_OK);
    uint32_t read = 0;
    EXPECT_EQ(stream->Read(back, 3, &read), S_OK);
    EXPECT_EQ(std::string(back, 3), "abc");
    int64_t end = 0;
    EXPECT_EQ(stream->Seek(0, SeekOrigin::End, &end), S_OK);
    EXPECT_EQ(end, 3);
    g.graph.Stop(); // no end of stream: the file is not kept
    EXPECT_FALSE(fs::exists(out));
}

TEST(FileWriter, NeverWaitsOnItsOffsetsAsIfTheyWereTimes)
{
    testkit::TempDir dir;
    std::string out = dir.file("far.bin");
    WriterGraph g({{0, "a"}, {int64_t{10000000000}, "z"}}, true, out); // 1000 s, were it a time
    g.graph.SetSyncSource(&g.graph.DefaultClock());
    g.graph.Run();
    EXPECT_EQ(g.graph.WaitForCompletion(5000), EC_COMPLETE);
    g.graph.Stop();
    EXPECT_EQ(fs::file_size(out), uint64_t{10000000001});
}

TEST(FileWriter, ASampleThatCannotBeWrittenKeepsTheOldFileEvenWhenTheStreamEnds)
{
    testkit::TempDir dir;
    std::string out = dir.file("movie.wav");
    testkit::WriteFileBytes(out, "old contents");
    FilterGraph graph;
    auto push = std::make_shared<PushFilter>(std::vector<MediaType>{MediaType(MEDIATYPE_Stream, MEDIASUBTYPE_WAVE)});
    auto writer = std::make_shared<FileWriter>();
    graph.AddFilter(push, "source");
    graph.AddFilter(writer, "destination");
    ASSERT_EQ(writer->SetFileName(out, nullptr), S_OK);
    ASSERT_EQ(writer->SetMode(AM_FILE_OVERWRITE), S_OK);
    ASSERT_EQ(graph.ConnectDirect(push->GetPin(0), writer->GetPin(0)), S_OK);
    graph.SetSyncSource(nullptr);
    ASSERT_EQ(graph.Run(), S_OK);
    SamplePtr s;
    ASSERT_EQ(push->Output().GetDeliveryBuffer(s), S_OK);
    s->SetActualDataLength(4);
    s->SetTime(-4, 0); // an offset before the file's start
    EXPECT_TRUE(FAILED(push->Output().Deliver(s)));
    s.reset();
    // An upstream filter that carries on past a failed branch still ends the stream.
    push->Output().DeliverEndOfStream();
    EXPECT_TRUE(FAILED(graph.Stop()));
    EXPECT_EQ(testkit::ReadFileBytes(out), "old contents");
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(FileWriter, AStreamThatEndsWhilePausedIsKeptOnceRun)
{
    testkit::TempDir dir;
    std::string out = dir.file("empty.wav");
    WriterGraph g({}, true, out);
    g.graph.Pause();
    FilterState state;
    ASSERT_EQ(g.graph.GetState(5000, state), S_OK); // cued by the end of stream
    ASSERT_EQ(g.graph.Run(), S_OK);
    ASSERT_EQ(g.graph.WaitForCompletion(5000), EC_COMPLETE);
    ASSERT_EQ(g.graph.Stop(), S_OK);
    EXPECT_EQ(testkit::ReadFileBytes(out), "HDR!");
    EXPECT_EQ(FilesIn(dir.path()), 1u);
}
