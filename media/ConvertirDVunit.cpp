// The conversion module: its components and own filters, the common frame of a build, the reset
// between builds and the run protocol. The builders are in ConvertirDVunitReencode.cpp and
// ConvertirDVunitCopy.cpp.
#include "media/ConvertirDVunit.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "platform/filters/AviMux.h"
#include "platform/filters/AviSplitter.h"
#include "platform/filters/FileSource.h"
#include "platform/filters/FileWriter.h"
#include "platform/rtl/Strings.h"

namespace media {

using namespace ds;

std::string FailureText(HRESULT code, const std::string& output, bool sound)
{
    const std::string name = output.empty() ? std::string("the output") : "\"" + output + "\"";
    if (code == kNothingReadable)
        return std::string("The source holds no readable ") + (sound ? "sound" : "frame") +
               (output.empty() ? std::string(".") : ": " + name + " was not written.");
    if (code == HRESULT_FROM_WIN32(ERROR_DISK_FULL))
        return "The disk is full: " + name + " was not written.";
    if (code == E_ACCESSDENIED)
        return "The folder refuses writing: " + name + " was not written.";
    if (code == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND))
        return "The folder was not found: " + name + " was not written.";
    if (code == HRESULT_FROM_WIN32(ERROR_FILE_EXISTS))
        return name + " already exists and was not replaced.";
    if (const int err = ErrnoOf(code))
        return std::string(std::strerror(err)) + ": " + name + " was not written.";
    if (code == STG_E_WRITEFAULT)
        return "Writing the file failed: " + name + " was not written.";
    if (code == kOutputNotKept)
        return "The output could not be finished: " + name + " was not written.";
    if (code == kSourceChanged)
        return "The file changed while it was converted: " + name + " was not written.";
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(code));
    return "The conversion failed (error " + std::string(hex) + "): " + name + " was not written.";
}

TCdm& Cdm()
{
    static TCdm module;
    return module;
}

Pin* LastPin(FilterComponent& component)
{
    const std::vector<Pin*> pins = component.Pins();
    return pins.empty() ? nullptr : pins.back();
}

TCdm::TCdm()
{
    SelectDeviceByName("File Source (Async.)", source);
    SelectDeviceByName(FileWriter::kFriendlyName, destination);
    SelectDeviceByName("AVI Splitter", avisplitter);
    SelectDeviceByName("DV Muxer", dvmuxer);
    SelectDeviceByName("AVI Mux", avimux);
    SelectDeviceByName("DV Splitter", dvsplitter);
    SelectDeviceByName("ACM Wrapper", acm1);
    SelectDeviceByName("DV Video Decoder", DVdecoder);
    SelectCategoryDevice(CLSID_VideoCompressorCategory, "DV Video Encoder", DVenc);
    SelectDeviceByName("Null Renderer", nullrender);
    SelectDeviceByName("ACM Wrapper", acm2);
    SelectDeviceByName("Infinite Pin Tee Filter", infinite);

    CdmSceneDetect = std::make_shared<Tdv_sceneDetect>();
    CdmSuperposer = std::make_shared<Tdv_Superposer>(CdmSceneDetect.get());
    // The overlay draws on the decoder's pictures, which the encoder hands back to the decoder's
    // pool as it codes them: one picture copy less per frame.
    CdmSuperposer->SetDrawInPlace(true);
    CdmDVHeader = std::make_shared<Tdv_DVheader>(CdmSceneDetect.get());
    CdmDeinter = std::make_shared<Tdv_deinter>();
    CdmWaveDest = std::make_shared<Tdv_WaveDest>();
}

TCdm::~TCdm()
{
    fg.Stop();
    fg.ClearGraph();
    fg.Deactivate();
    for (FilterComponent* c : {&source, &destination, &avisplitter, &dvmuxer, &avimux, &dvsplitter, &acm1, &DVdecoder,
                               &DVenc, &nullrender, &acm2, &infinite})
        c->SetFilterGraph(nullptr);
}

void TCdm::ResetGraph()
{
    for (FilterComponent* c : {&dvsplitter, &avisplitter, &dvmuxer, &avimux, &acm1, &acm2, &DVdecoder, &DVenc})
        c->SetFilterGraph(nullptr);
    if (FilterGraph* g = fg.Graph())
        for (BaseFilter* f :
             {static_cast<BaseFilter*>(CdmDeinter.get()), static_cast<BaseFilter*>(CdmSuperposer.get()),
              static_cast<BaseFilter*>(CdmDVHeader.get()), static_cast<BaseFilter*>(CdmSceneDetect.get()),
              static_cast<BaseFilter*>(CdmWaveDest.get())})
            g->RemoveFilter(f);
    for (FilterComponent* c : {&infinite, &nullrender, &destination})
        c->SetFilterGraph(nullptr);
    CdmSceneDetect->SetOnScene(nullptr);
    CdmSceneDetect->SetOnEnd(nullptr);
    sceneOutput_.clear();
    sceneDiscard_ = nullptr;
    CdmSuperposer->SetOnText(nullptr);
    // A date shift leaves copying off and an offset: the next build starts from the defaults,
    // and the actions that want others set them after their build.
    CdmDVHeader->SetCopyHeaders(true);
    CdmDVHeader->SetOffset(0);
}

bool TCdm::BeginBuild(const std::string& src, const std::string* output)
{
    if (output)
        CdmDestination = *output;
    yield_ = output ? Yield::Frames : Yield::Scan;
    CdmSeeking = nullptr;
    CdmDuration = 0;
    runOutcome_ = ConversionOutcome::NotRun;
    sourceMark_ = {};
    fg.Activate();
    source.SetFilterGraph(&fg);
    HRESULT loaded = E_FAIL;
    if (auto* loader = QueryFilter<FileSourceFilter>(source.Filter().get()))
        loaded = loader->Load(src, nullptr);
    ResetGraph();
    // A source that cannot be opened makes no graph at all: no empty output is ever written.
    if (FAILED(loaded))
        return false;
    sourceName_ = src;
    sourceMark_ = MarkOf(src);
    if (output) {
        destination.SetFilterGraph(&fg);
        auto* sink = QueryFilter<FileSink>(destination.Filter().get());
        if (!sink || FAILED(sink->SetFileName(*output, nullptr)) || FAILED(sink->SetMode(AM_FILE_OVERWRITE)))
            return false;
    }
    return true;
}

bool TCdm::AddOwn(const std::shared_ptr<BaseFilter>& filter, const char* name)
{
    return SUCCEEDED(fg.Graph()->AddFilter(filter, name));
}

bool TCdm::EndMuxBuild()
{
    Connect(avimux.GetPin(0), destination.GetPin(0));
    CdmSeeking = QueryFilter<MediaSeeking>(avimux.Filter().get());
    return CdmSeeking != nullptr;
}

HRESULT TCdm::Connect(Pin* out, Pin* in, const MediaType* mt)
{
    if (!out || !in || !fg.Graph())
        return E_POINTER;
    return fg.Graph()->Connect(out, in, mt);
}

int TCdm::FirstSplitterOutputTo(Pin* in)
{
    const std::vector<Pin*> pins = avisplitter.Pins();
    for (size_t i = 0; i < pins.size(); ++i)
        if (pins[i]->Direction() == PinDirection::Output && SUCCEEDED(fg.Graph()->ConnectDirect(pins[i], in)))
            return static_cast<int>(i);
    return -1;
}

bool TCdm::SoundPath(FilterComponent& splitter, int from, FilterComponent& acm, const std::function<Pin*()>& muxIn)
{
    Pin* acmIn = acm.GetPin(0);
    if (!acmIn)
        return false;
    const std::vector<Pin*> pins = splitter.Pins();
    for (size_t i = static_cast<size_t>(from); i < pins.size(); ++i) {
        if (pins[i]->Direction() != PinDirection::Output || FAILED(Connect(pins[i], acmIn)))
            continue;
        if (SUCCEEDED(Connect(acm.GetPin(1), muxIn())))
            return true;
        fg.Graph()->Disconnect(acmIn); // the muxer refused this sound: free the converter for the next
    }
    return false;
}

TCdm::SourceMark TCdm::MarkOf(const std::string& path)
{
    SourceMark mark;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return mark;
    mark.noted = true;
    mark.device = st.st_dev;
    mark.inode = st.st_ino;
    mark.size = st.st_size;
    mark.modified = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    return mark;
}

bool TCdm::SourceChanged() const
{
    if (const auto* splitter = dynamic_cast<const AviSplitter*>(avisplitter.Filter().get()))
        if (!splitter->ReadAllPromised())
            return true;
    return sourceMark_.noted && !(MarkOf(sourceName_) == sourceMark_);
}

bool TCdm::DeliveredAny() const
{
    switch (yield_) {
    case Yield::Sound: return CdmWaveDest->DataBytes() > 0;
    case Yield::Scan: return CdmSceneDetect->FramesProcessed() > 0;
    case Yield::Frames: break;
    }
    const auto* mux = dynamic_cast<const AviMux*>(avimux.Filter().get());
    return !mux || mux->FramesWritten() > 0;
}

void TCdm::SetSceneEnd(std::string output, std::function<int()> commit, std::function<void()> discard)
{
    sceneOutput_ = std::move(output);
    sceneDiscard_ = discard;
    CdmSceneDetect->SetOnEnd([this, commit = std::move(commit), discard = std::move(discard)] {
        if (runOutcome_.load() == ConversionOutcome::Completed) {
            if (const int err = commit ? commit() : 0)
                CdmSceneDetect->NotifyEvent(EC_ERRORABORT, FileErrorCode(err));
        } else if (discard) {
            discard();
        }
    });
}

ConversionOutcome TCdm::RunBuiltGraph(const CancelTest& cancelled, const ProgressProc& progress)
{
    using Clock = std::chrono::steady_clock;
    ConversionOutcome outcome;
    runOutcome_ = ConversionOutcome::NotRun;
    FilterGraph* graph = fg.Graph();
    int64_t duration = 0;
    if (!graph || !CdmSeeking || FAILED(graph->GetDuration(duration)) || duration <= 0) {
        // Nothing to run: a scan's file opened for it is dropped now, not at the next build.
        if (sceneDiscard_)
            std::exchange(sceneDiscard_, nullptr)();
        return outcome;
    }
    CdmDuration = duration;

    graph->SetSyncSource(nullptr);
    const HRESULT started = graph->Run();
    if (FAILED(started)) {
        outcome.kind = ConversionOutcome::Failed;
        outcome.code = started;
    }
    Clock::time_point nextReport = Clock::now();
    while (outcome.kind == ConversionOutcome::NotRun) {
        if (Clock::now() >= nextReport) {
            int64_t position = 0;
            if (progress && SUCCEEDED(CdmSeeking->GetCurrentPosition(position)))
                progress(static_cast<int>(position * 100 / CdmDuration));
            nextReport += std::chrono::milliseconds(kProgressIntervalMs);
        }
        if (cancelled && cancelled()) {
            outcome.kind = ConversionOutcome::Cancelled;
            break;
        }
        // Short waits, so a cancellation is seen at once and the progress keeps its pace.
        int64_t param = 0;
        const int32_t code = graph->WaitForCompletion(50, &param);
        if (code == EC_COMPLETE) {
            outcome.kind = ConversionOutcome::Completed;
        } else if (code == EC_ERRORABORT) {
            outcome.kind = ConversionOutcome::Failed;
            outcome.code = static_cast<HRESULT>(param);
        }
    }
    // A run that reached its end with nothing for its writer is no conversion, and one that read
    // a file changed under it is none of the file the user has: nothing is kept.
    if (outcome.kind == ConversionOutcome::Completed && !DeliveredAny()) {
        outcome.kind = ConversionOutcome::Failed;
        outcome.code = kNothingReadable;
    }
    if (outcome.kind == ConversionOutcome::Completed && SourceChanged()) {
        outcome.kind = ConversionOutcome::Failed;
        outcome.code = kSourceChanged;
    }
    // Known before the stop: the end callbacks that run inside it commit or discard by it, and
    // the writer keeps nothing of a run that did not complete, even one that reached its end
    // while the cancellation was on its way.
    runOutcome_ = outcome.kind;
    if (outcome.kind != ConversionOutcome::Completed)
        if (auto* writer = dynamic_cast<FileWriter*>(destination.Filter().get()))
            writer->AbandonRun();
    fg.Stop();

    // The writer keeps the file only when its stop finished it: an index or header that could
    // not be written in the stop still fails the run.
    if (outcome.kind == ConversionOutcome::Completed) {
        GraphEvent late;
        while (graph->Events().GetEvent(late, 0))
            if (late.code == EC_ERRORABORT) {
                outcome.kind = ConversionOutcome::Failed;
                outcome.code = static_cast<HRESULT>(late.param1);
            }
        std::error_code ec;
        if (outcome.kind == ConversionOutcome::Completed && !CdmDestination.empty() && destination.Filter() &&
            !std::filesystem::exists(CdmDestination, ec)) {
            outcome.kind = ConversionOutcome::Failed;
            outcome.code = kOutputNotKept;
        }
        runOutcome_ = outcome.kind;
    }
    if (outcome.kind == ConversionOutcome::Failed) {
        if (outcome.code == S_OK)
            outcome.code = E_FAIL;
        // A scene file is made of frames: a scan that met none had nothing to work on.
        outcome.text = yield_ == Yield::Scan && outcome.code == kNothingReadable
                           ? rtl::LoadStr(rtl::sid::sRunNothingToRun)
                           : FailureText(outcome.code, destination.Filter() ? CdmDestination : sceneOutput_,
                                         yield_ == Yield::Sound);
    }
    if (outcome.kind == ConversionOutcome::Completed && progress)
        progress(100);
    return outcome;
}

} // namespace media
