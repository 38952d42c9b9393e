// The AVI Mux fed by two threads into a byte stream in memory, and DV files cut inside their last
// frame converted by every path that writes DV frames on.
#include "tests/filters/ContainerGraph.h"

#include "formats/AviDemux.h"
#include "tests/dshow/GraphHelpers.h"
#include "tests/dshow/TestFilters.h"
#include "tests/kit/media/DvClip.h"
#include "tests/kit/media/MemoryFile.h"
#include "tests/media/DamagedFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace {

using namespace avitest;
using namespace testds;
using containertest::Graph;

// A file in memory behind the byte-stream service, as the File writer offers it; `onWrite` runs
// before each write, on the writing thread.
class MemorySink : public BaseFilter {
public:
    class In : public InputPin, public ByteStream {
    public:
        explicit In(MemorySink& sink) : InputPin(sink, "in"), sink_(sink) {}
        HRESULT CheckMediaType(const MediaType& mt) override
        {
            return mt.majortype == MEDIATYPE_Stream ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
        }
        HRESULT Seek(int64_t offset, SeekOrigin origin, int64_t* newPosition) override
        {
            std::lock_guard<std::mutex> guard(sink_.lock_);
            const int64_t base = origin == SeekOrigin::Set       ? 0
                                 : origin == SeekOrigin::Current ? sink_.position_
                                                                 : static_cast<int64_t>(sink_.file_.bytes.size());
            sink_.position_ = base + offset;
            if (newPosition)
                *newPosition = sink_.position_;
            return S_OK;
        }
        HRESULT Write(const void* data, uint32_t size, uint32_t* written) override
        {
            if (sink_.onWrite_)
                sink_.onWrite_();
            std::lock_guard<std::mutex> guard(sink_.lock_);
            sink_.file_.WriteAt(sink_.position_, data, size);
            sink_.position_ += size;
            if (written)
                *written = size;
            return S_OK;
        }
        HRESULT Read(void*, uint32_t, uint32_t*) override { return E_NOTIMPL; }

    private:
        MemorySink& sink_;
    };

    MemorySink() : BaseFilter("Memory Sink"), in_(*this) {}
    ~MemorySink() override { in_.Disconnect(); }
    int GetPinCount() override { return 1; }
    Pin* GetPin(int i) override { return i == 0 ? &in_ : nullptr; }
    MemoryFile File()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return file_;
    }
    std::function<void()> onWrite_;

private:
    In in_;
    std::mutex lock_; // guards file_ and position_
    MemoryFile file_;
    int64_t position_ = 0;
};

// Video and sound from threads of their own ending at once, as an AVI Splitter's do. The sound
// thread queues twice the video's length before the video starts, so the video thread's end has
// six sound chunks to write; the first of those writes waits until the sound's end has come, and
// both threads then find every input ended. Returns what reached the sink.
MemoryFile MuxFromTwoThreadsEndingTogether(int frames)
{
    PushFilter video({VideoType(MEDIASUBTYPE_RGB24, 400000, 64)}), audio({AudioType()});
    audio.buffers_ = 2 * frames; // all of them queued in the mux at once
    AviMux mux;
    MemorySink sink;
    formats::AviMuxOptions unbuffered;
    unbuffered.bufferSize = 1; // every chunk goes to the sink as it is written
    mux.SetWriterOptions(unbuffered);
    EXPECT_EQ(S_OK, video.Output().Connect(*mux.GetPin(1), nullptr));
    EXPECT_EQ(S_OK, audio.Output().Connect(*mux.GetPin(2), nullptr));
    EXPECT_EQ(S_OK, mux.GetPin(0)->Connect(*sink.GetPin(0), nullptr));
    auto* soundInput = static_cast<InputPin*>(mux.GetPin(2));
    Start({&video, &audio, &mux, &sink});
    Latch soundQueued, ends;
    std::thread soundThread([&] {
        for (int i = 0; i < 2 * frames; ++i)
            EXPECT_EQ(S_OK, audio.Push(i));
        soundQueued.Open();
        ends.Wait();
        audio.Output().DeliverEndOfStream();
    });
    std::thread videoThread([&] {
        soundQueued.Wait();
        for (int i = 0; i < frames; ++i)
            EXPECT_EQ(S_OK, video.Push(i));
        sink.onWrite_ = [&] {
            sink.onWrite_ = nullptr;
            Eventually([&] { return soundInput->IsEndOfStream(); });
        };
        ends.Open();
        video.Output().DeliverEndOfStream();
    });
    soundThread.join();
    videoThread.join();
    EXPECT_TRUE(static_cast<InputPin*>(sink.GetPin(0))->IsEndOfStream());
    Halt({&video, &audio, &mux, &sink});
    return sink.File();
}

// The file is finished once, by whichever thread finds both ends. Under ThreadSanitizer a missing
// write lock around the finish shows as a race; a few rounds make it show whatever the timing.
TEST(AviMuxThreads, TwoInputsEndingTogetherFinishOneReadableFile)
{
    for (int round = 0; round < 3; ++round) {
        const MemoryFile file = MuxFromTwoThreadsEndingTogether(6);
        const formats::AviDemuxResult r = formats::ParseAvi(file);
        ASSERT_TRUE(r.valid);
        ASSERT_EQ(2u, r.streams.size());
        EXPECT_EQ(6u, r.streams[0].chunks.size());
        EXPECT_EQ(12u, r.streams[1].chunks.size());
    }
}

// Holds the first write made after it is armed until released, so a sample stays in Process.
struct WriteGate {
    std::atomic<bool> armed{false};
    Latch entered, released;
    void operator()()
    {
        if (armed.exchange(false)) {
            entered.Open();
            released.Wait();
        }
    }
};

// Two inputs, each fed by a thread of its own, into a sink whose writes pass the gate.
struct TwoFedInputs {
    PushFilter video{{VideoType(MEDIASUBTYPE_RGB24, 400000, 64)}}, audio{{AudioType()}};
    AviMux mux;
    MemorySink sink;
    WriteGate gate;

    TwoFedInputs()
    {
        audio.buffers_ = 16;
        formats::AviMuxOptions unbuffered;
        unbuffered.bufferSize = 1;
        mux.SetWriterOptions(unbuffered);
        sink.onWrite_ = [this] { gate(); };
        EXPECT_EQ(S_OK, video.Output().Connect(*mux.GetPin(1), nullptr));
        EXPECT_EQ(S_OK, audio.Output().Connect(*mux.GetPin(2), nullptr));
        EXPECT_EQ(S_OK, mux.GetPin(0)->Connect(*sink.GetPin(0), nullptr));
        Start({&video, &audio, &mux, &sink});
    }
    ~TwoFedInputs() { Halt({&video, &audio, &mux, &sink}); }
};

// The mux stopped while a sample of one input is being written (its streaming thread caught in
// the writer): the stop waits for that write, then drops the writer. Under ThreadSanitizer a stop
// that does not wait shows as a race; here it would free the writer under the write.
TEST(AviMuxThreads, AStopWhileASampleIsInProcessWaitsForItsWrite)
{
    TwoFedInputs g;
    ASSERT_EQ(S_OK, g.audio.Push(0)); // queued: the video has said nothing yet
    g.gate.armed = true;
    std::thread videoThread([&] { g.video.Push(0); }); // writes the header: caught in the gate
    g.gate.entered.Wait();
    g.mux.BeginStop();
    std::atomic<bool> stopped{false};
    std::thread stopper([&] {
        g.mux.Stop();
        stopped = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(stopped.load()); // still writing
    g.gate.released.Open();
    stopper.join();
    videoThread.join();
    EXPECT_TRUE(stopped.load());
    EXPECT_FALSE(static_cast<InputPin*>(g.sink.GetPin(0))->IsEndOfStream()); // unfinished
}

// The last end of stream arrives while the other input's thread is writing a sample the first end
// released: the file is finished once, after that write, with every chunk.
TEST(AviMuxThreads, TheLastEndWhileASampleIsInProcessFinishesTheFileAfterIt)
{
    for (int round = 0; round < 3; ++round) {
        std::optional<MemoryFile> file;
        {
            TwoFedInputs g;
            auto* audioInput = static_cast<InputPin*>(g.mux.GetPin(2));
            for (int i = 0; i < 6; ++i)
                ASSERT_EQ(S_OK, g.audio.Push(i));
            for (int i = 0; i < 3; ++i)
                ASSERT_EQ(S_OK, g.video.Push(i)); // sound 3 to 5 wait for the video's end
            g.gate.armed = true;
            std::thread videoThread([&] { g.video.Output().DeliverEndOfStream(); });
            g.gate.entered.Wait(); // sound 3 in Process on the video's thread
            std::thread audioThread([&] { g.audio.Output().DeliverEndOfStream(); });
            ASSERT_TRUE(Eventually([&] { return audioInput->IsEndOfStream(); }));
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            EXPECT_FALSE(static_cast<InputPin*>(g.sink.GetPin(0))->IsEndOfStream());
            g.gate.released.Open();
            videoThread.join();
            audioThread.join();
            EXPECT_TRUE(static_cast<InputPin*>(g.sink.GetPin(0))->IsEndOfStream());
            file = g.sink.File();
        }
        const formats::AviDemuxResult r = formats::ParseAvi(*file);
        ASSERT_TRUE(r.valid);
        ASSERT_EQ(2u, r.streams.size());
        EXPECT_EQ(3u, r.streams[0].chunks.size());
        EXPECT_EQ(6u, r.streams[1].chunks.size());
    }
}

// A DV file cut inside its last frame, through each graph that writes the frames on: the cut
// frame is dropped and counted, and the file written decodes whole.
TEST(CutDvFrames, AreDroppedOnEveryPathAndCounted)
{
    testkit::DvClipSpec spec;
    spec.frames = 6;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    const struct {
        const char* what;
        bool type1;
        bool (Graph::*build)(const std::string&, const std::string&);
        std::function<int64_t(Graph&)> dropped;
    } paths[] = {
        {"type 2 remuxed", false, &Graph::BuildRemux, [](Graph& g) { return g.mux->DroppedFrames(); }},
        {"type 1 remuxed", true, &Graph::BuildRemux, [](Graph& g) { return g.mux->DroppedFrames(); }},
        {"type 2 to type 1", false, &Graph::BuildType1, [](Graph& g) { return g.dvMuxer->DroppedFrames(); }},
        {"type 1 to type 2", true, &Graph::BuildType2, [](Graph& g) { return g.dvSplitter->DroppedFrames(); }},
    };
    const bool haveFfprobe = testkit::HaveProgram("ffprobe");
    for (const auto& p : paths) {
        SCOPED_TRACE(p.what);
        testkit::TempDir dir;
        const std::string whole = dir.file("whole.avi"), in = dir.file("cut.avi"), out = dir.file("out.avi");
        ASSERT_TRUE(p.type1 ? testkit::WriteDvType1(whole, clip) : testkit::WriteDvType2(whole, clip));
        const MemoryFile f = Load(whole);
        const int64_t last = formats::ParseAvi(f).streams[0].chunks.back().offset;
        testkit::WriteFileBytes(in, f.bytes.substr(0, static_cast<size_t>(last) + 50000));
        Graph g;
        ASSERT_TRUE((g.*p.build)(in, out));
        ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
        EXPECT_EQ(1, p.dropped(g));
        const formats::AviDemuxResult r = formats::ParseAvi(Load(out));
        ASSERT_TRUE(r.valid);
        EXPECT_EQ(clip.frames.size() - 1, r.streams[0].chunks.size());
        for (const auto& c : r.streams[0].chunks)
            EXPECT_EQ(clip.FrameSize(), c.size);
        if (!haveFfprobe)
            continue;
        std::string probe;
        testkit::RunCommand("ffprobe -v error -count_frames -select_streams v -show_entries stream=nb_read_frames "
                            "-of csv=p=0 " +
                                out,
                            &probe);
        EXPECT_EQ(std::to_string(clip.frames.size() - 1) + "\n", probe);
    }
}

// A file cut in its last frame before it is read has every chunk its index promises; one cut
// after it was read does not: the stream still ends cleanly, and the splitter says so. Both with
// the OpenDML index and with idx1 alone, whose chunks are read by their own headers.
TEST(CutDvFrames, AFileCutAfterItWasReadIsToldFromOneCutBefore)
{
    testkit::DvClipSpec spec;
    spec.frames = 70; // idx1 is then read by a sample of its entries
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    testkit::TempDir dir;
    const std::string whole = dir.file("whole.avi"), in = dir.file("in.avi"), out = dir.file("out.avi");
    ASSERT_TRUE(testkit::WriteDvType2(whole, clip));
    const MemoryFile openDml = Load(whole);
    MemoryFile idx1 = openDml;
    damaged::HideOpenDmlIndexes(idx1.bytes);
    ASSERT_TRUE(formats::ParseAvi(idx1).checkChunkHeaders);
    for (const MemoryFile* f : {&openDml, static_cast<const MemoryFile*>(&idx1)}) {
        const std::vector<formats::AviChunkRef> chunks = formats::ParseAvi(*f).streams[0].chunks;
        const size_t size = f->bytes.size(), inLast = static_cast<size_t>(chunks.back().offset) + 50000;
        // Cut where a chunk's header starts: no chunk is read in part, the rest not at all.
        const size_t atHeader = static_cast<size_t>(chunks[chunks.size() / 2].offset) - 8;
        const struct {
            const char* what;
            size_t before, after; // bytes of the file when it is read and when it runs
            bool whole;
        } cases[] = {{"untouched", size, size, true},
                     {"cut before", inLast, inLast, true},
                     {"cut after", size, size / 2, false},
                     {"cut after, at a header", size, atHeader, false}};
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (f == &idx1 ? ", idx1" : ", OpenDML"));
            testkit::WriteFileBytes(in, f->bytes.substr(0, c.before));
            Graph g;
            ASSERT_TRUE(g.BuildRemux(in, out));
            std::filesystem::resize_file(in, c.after);
            ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
            EXPECT_EQ(c.whole, g.splitter->ReadAllPromised());
        }
    }
}

} // namespace
