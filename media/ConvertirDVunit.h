#pragma once
// TCdm (one instance, Cdm()): the conversion module. It owns the one graph in which every
// file-writing action runs, one builder per conversion and the run protocol.
//
// A builder starts on a fresh graph, puts the system filters in through its components (by
// friendly name) and the module's own filters under their names, connects pin by pin and
// returns whether the graph is ready; it never throws. Pins are taken by index and the lists
// made again after each connection that makes a filter add pins. Every output goes through
// `destination`, the File writer, which writes under a temporary name and keeps the file only
// when the run completed.
//
// RunBuiltGraph runs the graph just built unclocked, reports progress every 500 ms, waits on the
// graph's own event sink for completion, an error abort or cancellation, and stops the graph,
// which finishes the index, headers and scene files before the writer keeps or drops its file.
// The outcome is known (RunOutcome) before the stop, so end callbacks can commit or discard.
// A run completes only when its source is still the file the build read (same size, time of
// change and file) and the AVI Splitter read every chunk its index promised: another program
// that cuts or rewrites the source meanwhile fails the run with kSourceChanged.
// A run that reached its end without a frame (a WAV extraction: without sound) for its writer
// fails with kNothingReadable: the source holds nothing readable, and no file is kept; a scan
// says that the file holds nothing that could be processed.
//
// Threads: builders and RunBuiltGraph run on one thread at a time (the command thread); the
// scene detector's callbacks on the graph's streaming threads, its end callback on that thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "media/dv_DVHeader.h"
#include "media/dv_deinter.h"
#include "media/dv_scenedetect.h"
#include "media/dv_superposer.h"
#include "media/dv_wavedest.h"
#include "platform/dshow/GraphComponents.h"

namespace media {

// A run that completed without a single frame (for a WAV file, no sound) reaching its writer:
// the source holds nothing readable, and no file is kept. ERROR_NO_DATA as an HRESULT.
constexpr ds::HRESULT kNothingReadable = ds::HRESULT_FROM_WIN32(232);
// A run that completed and whose writer, all the same, kept no file. ERROR_WRITE_FAULT.
constexpr ds::HRESULT kOutputNotKept = ds::HRESULT_FROM_WIN32(29);
// A run whose source changed under it (cut, grown, rewritten, replaced) or did not yield every
// chunk its index promised: what was read is not the file. ERROR_FILE_INVALID.
constexpr ds::HRESULT kSourceChanged = ds::HRESULT_FROM_WIN32(1006);

// What the user is told when a run fails, from the code the graph or the writer gave: the cause,
// and that `output` (a full name; "" when it has none) was not written. `sound`: the output
// takes sound, not frames.
std::string FailureText(ds::HRESULT code, const std::string& output, bool sound = false);

struct ConversionOutcome {
    enum Kind { Completed, Failed, Cancelled, NotRun };
    Kind kind = NotRun;
    ds::HRESULT code = ds::S_OK; // Failed: the graph's or the writer's failure
    std::string text;            // Failed: what went wrong, for the user
};

class TCdm {
public:
    using CancelTest = std::function<bool()>;
    using ProgressProc = std::function<void(int percent)>;

    static constexpr int kProgressIntervalMs = 500;

    TCdm();  // DataModuleCreate: the components bound, the five own filters made
    ~TCdm(); // DataModuleDestroy: the graph stopped, cleared and dropped
    TCdm(const TCdm&) = delete;
    TCdm& operator=(const TCdm&) = delete;

    // Empties the graph of what the last build left (the source keeps it), forgets the detector's
    // and overlay's callbacks and puts the DV-header filter back to copy on, offset 0.
    void ResetGraph();

    // Re-encoding (PAL <-> NTSC; the standard change takes 2 for NTSC, else PAL). Burn-in keeps
    // the source's standard whatever `standard` says.
    bool BuildStandardGraphType2(const std::string& source, const std::string& output, uint8_t standard);
    bool BuildStandardGraphType1(const std::string& source, const std::string& output, uint8_t standard);
    bool BuildDatecodeGraphType2(const std::string& source, const std::string& output, uint8_t standard);
    bool BuildDatecodeGraphType1(const std::string& source, const std::string& output, uint8_t standard);
    // Stream copies.
    bool BuildType2Graph(const std::string& source, const std::string& output);
    bool BuildType1Graph(const std::string& source, const std::string& output);
    bool BuildType2FixGraph(const std::string& source, const std::string& output);
    bool BuildTimeShiftGraph(const std::string& source, const std::string& output);
    // Any AVI to DV type 2: 1 PAL, else NTSC; sound at settings::FrequenceDV's rate.
    bool BuildDVConvertGraph(const std::string& source, const std::string& output, uint8_t standard);
    // The first sound stream to a WAV file.
    bool BuildAudioExtractGraph(const std::string& source, const std::string& output);
    // The DV stream through the scene detector; the caller's callbacks write the files.
    bool BuildSceneGraph(const std::string& source);
    bool BuildSrtSceneGraph(const std::string& source);

    // The re-encoding builders let the decoder decode frames side by side and deliver, like the
    // overlay or deinterlacer, through a queue of its own, so that decoding, drawing and encoding
    // run at once (the default); off, each frame goes through every stage on the splitter's
    // thread before the next one starts.
    // The output is the same either way. Read by the next build.
    void SetQueuedChain(bool on) { queuedChain_ = on; }
    static constexpr int kChainQueueDepth = 4;

    // Runs the graph just built to its end. NotRun when nothing was built or its duration is 0.
    ConversionOutcome RunBuiltGraph(const CancelTest& cancelled, const ProgressProc& progress);
    // The outcome of the run under way or last run, set before its graph is stopped.
    ConversionOutcome::Kind RunOutcome() const { return runOutcome_.load(); }
    // The detector's end callback for a scan that writes `output`: `commit` puts it in place when
    // the run completed and returns 0, or the system's error number of its failure, which fails
    // the run with the conversions' text for it; `discard` drops it when the run did not complete
    // or never ran (a cancelled, failed or empty scan leaves the old file alone).
    void SetSceneEnd(std::string output, std::function<int()> commit, std::function<void()> discard);

    // Components (system filters, fresh instances in each graph).
    ds::GraphComponent fg;
    ds::FilterComponent source, destination, avisplitter, dvmuxer, avimux, dvsplitter, acm1, DVdecoder, DVenc,
        nullrender, acm2, infinite;

    // The own filters, one each for the module's lifetime.
    std::shared_ptr<Tdv_sceneDetect> CdmSceneDetect;
    std::shared_ptr<Tdv_Superposer> CdmSuperposer;
    std::shared_ptr<Tdv_DVheader> CdmDVHeader;
    std::shared_ptr<Tdv_deinter> CdmDeinter;
    std::shared_ptr<Tdv_WaveDest> CdmWaveDest;

    ds::MediaSeeking* CdmSeeking = nullptr; // of the graph just built (AVI Mux, or the graph)
    int64_t CdmDuration = 0;                // 100 ns, the 100 % mark of the progress
    std::string CdmDestination;             // output of the last graph built

    ds::FilterGraph* Graph() const { return fg.Graph(); }

private:
    // The common frame: destination noted, a new graph, the source loaded, the graph reset and,
    // when `output` is given, the writer joined and set to overwrite. False when loading threw.
    bool BeginBuild(const std::string& src, const std::string* output);
    bool AddOwn(const std::shared_ptr<ds::BaseFilter>& filter, const char* name);
    // The common end of the AVI builders: the mux into the file writer; the mux answers the
    // position. False when it cannot.
    bool EndMuxBuild();
    ds::HRESULT Connect(ds::Pin* out, ds::Pin* in, const ds::MediaType* mt = nullptr);
    // The standard, dvsd, full frame; `synchronous`: each frame out before the next picture goes in.
    bool SetEncoder(bool pal, bool synchronous);
    // The decoder in parallel and delivering, like `picture` (the overlay or the deinterlacer),
    // through a queue, the codecs' threads split by `decoderShare`, the decoder's part of their
    // work; or none of that.
    void QueueChain(ds::BaseFilter& picture, double decoderShare);
    // The first output of the AVI Splitter that connects straight to `in`; -1 when none.
    int FirstSplitterOutputTo(ds::Pin* in);
    // Sound paths into a muxer: the first free splitter output through `acm` into `muxIn()`.
    bool SoundPath(ds::FilterComponent& splitter, int from, ds::FilterComponent& acm,
                   const std::function<ds::Pin*()>& muxIn);
    bool BuildStandard(const std::string& src, const std::string& output, uint8_t standard, bool type2);
    bool BuildDatecode(const std::string& src, const std::string& output, bool type2);
    bool BuildScene(const std::string& src);

    // What the graph just built hands its writer: frames to the AVI Mux, sound to the WAV
    // writer, frames to the scene detector of a scan. A run that delivered none fails.
    enum class Yield { Frames, Sound, Scan };
    bool DeliveredAny() const;

    // The source as the build found it; a run whose source no longer matches it fails.
    struct SourceMark {
        bool noted = false;
        uint64_t device = 0, inode = 0;
        int64_t size = 0, modified = 0; // modified: nanoseconds since the epoch
        bool operator==(const SourceMark&) const = default;
    };
    static SourceMark MarkOf(const std::string& path);
    bool SourceChanged() const;

    std::string sourceName_;
    SourceMark sourceMark_;
    std::atomic<ConversionOutcome::Kind> runOutcome_{ConversionOutcome::NotRun};
    Yield yield_ = Yield::Frames;        // set by each build
    std::string sceneOutput_;            // the scan's file, named by its failure text
    std::function<void()> sceneDiscard_; // for a scan that never runs
    bool queuedChain_ = true;
};

// The program's one conversion module, made on first use (after the system filters are registered).
TCdm& Cdm();

// The last pin of a filter (a muxer's free input, the DV Muxer's output); null when it has none.
ds::Pin* LastPin(ds::FilterComponent& component);

} // namespace media
