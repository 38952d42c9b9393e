#include "media/buildlist.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "media/dv_scenedetect.h"
#include "platform/filters/AviSplitter.h"
#include "platform/filters/FileSource.h"
#include "platform/rtl/ByteOrder.h"

namespace media {

using namespace ds;

namespace {

constexpr int kPauseWaitMs = 1000; // the longest wait for a stream's first samples

// The first bytes of a format block, when it has that many.
template <size_t N> bool CopyBlock(const MediaType& mt, std::array<uint8_t, N>& to)
{
    if (mt.format.size() < N)
        return false;
    std::copy_n(mt.format.begin(), N, to.begin());
    return true;
}

bool SameTimecode(const formats::DVTimeCode& a, const formats::DVTimeCode& b)
{
    return a.Hours == b.Hours && a.Minutes == b.Minutes && a.Seconds == b.Seconds && a.Frames == b.Frames;
}

} // namespace

VideoInfoHeader ProbeResult::VideoFormat() const
{
    VideoInfoHeader v;
    VideoInfoHeader::Parse(ListVideoFormat.data(), ListVideoFormat.size(), v);
    return v;
}

WaveFormatEx ProbeResult::AudioFormat() const
{
    WaveFormatEx a;
    std::array<uint8_t, 18> block = ListAudioFormat;
    block[16] = block[17] = 0; // the 18 bytes kept: any extra bytes announced by cbSize are not
    WaveFormatEx::Parse(block.data(), block.size(), a);
    return a;
}

DvInfo ProbeResult::DVInfo() const
{
    DvInfo d;
    DvInfo::Parse(ListDVInfo.data(), ListDVInfo.size(), d);
    return d;
}

bool operator==(const ProbeResult& a, const ProbeResult& b)
{
    return a.ok == b.ok && a.ListVideoFormat == b.ListVideoFormat && a.ListAudioFormat == b.ListAudioFormat &&
           a.ListDVInfo == b.ListDVInfo && a.ListVideoKnown == b.ListVideoKnown &&
           a.ListAudioKnown == b.ListAudioKnown && a.ListDVInfoKnown == b.ListDVInfoKnown &&
           a.ListStreamCount == b.ListStreamCount && a.ListVideoDuration == b.ListVideoDuration &&
           a.ListAudioDuration == b.ListAudioDuration && a.ListWideScreen == b.ListWideScreen &&
           a.ListRecDate == b.ListRecDate && SameTimecode(a.ListTimecode, b.ListTimecode) &&
           a.ListDateValid == b.ListDateValid && a.ListTimecodeValid == b.ListTimecodeValid;
}

TdmList::TdmList() : ListSceneDetect(std::make_shared<Tdv_sceneDetect>())
{
    // Added to the graph in this order at every probe: splitters, renderer, then the source.
    avisplitter.SetFilterGraph(&listfg);
    dvsplitter.SetFilterGraph(&listfg);
    nullrender.SetFilterGraph(&listfg);
}

TdmList::~TdmList()
{
    std::lock_guard<std::mutex> guard(probeLock_);
    listfg.Stop();
    listfg.ClearGraph();
    listfg.Deactivate();
}

ProbeResult TdmList::ProbeFile(const std::string& fileName, ProbeOptions options)
{
    std::lock_guard<std::mutex> guard(probeLock_);
    ProbeResult r = Probe(fileName, options);
    CleanUp();
    return r;
}

bool TdmList::LoadSource(const std::string& fileName)
{
    source.SetFilterGraph(&listfg);
    auto* loader = QueryFilter<FileSourceFilter>(source.Filter().get());
    return loader && SUCCEEDED(loader->Load(fileName, nullptr));
}

void TdmList::PauseOnce()
{
    // The wait's result is not looked at: after a time-out the probe takes what the graph reached.
    listfg.Pause();
    listfg.State(kPauseWaitMs);
}

void TdmList::CopyFirstFrame(ProbeResult& r)
{
    // Only a frame this pause brought counts: the detector's record outlives its runs.
    if (ListSceneDetect->FramesProcessed() == 0)
        return;
    const formats::DVFrameInfo first = ListSceneDetect->CurrentInfo();
    r.ListDateValid = first.DateValid;
    r.ListTimecodeValid = first.TimecodeValid;
    r.ListRecDate = first.RecDate;
    r.ListTimecode = first.Timecode;
    r.ListWideScreen = first.WideScreen;
}

ProbeResult TdmList::Probe(const std::string& fileName, const ProbeOptions& options)
{
    ProbeResult r;
    try {
        // The registry is filled at start-up, possibly after this module was made.
        const std::pair<FilterComponent*, const char*> bindings[] = {{&avisplitter, AviSplitter::kFriendlyName},
                                                                     {&dvsplitter, "DV Splitter"},
                                                                     {&nullrender, "Null Renderer"},
                                                                     {&source, FileSource::kFriendlyName}};
        for (const auto& [component, name] : bindings)
            if (!component->Entry() && !SelectDeviceByName(name, *component))
                return r;

        // A new, empty graph for every probe.
        listfg.Deactivate();
        listfg.Activate();
        FilterGraph* g = listfg.Graph();
        auto* splitter = QueryFilter<AviSplitter>(avisplitter.Filter().get());
        if (!splitter || !dvsplitter.Filter() || !nullrender.Filter())
            return r;
        splitter->SetHandlerOverride(options.forceDv ? rtl::FourCC("dvsd") : 0);
        if (!LoadSource(fileName))
            return r;
        g->AddFilter(ListSceneDetect, "SceneDetect");

        g->ConnectDirect(source.GetPin(0), avisplitter.GetPin(0));
        r.ListStreamCount = static_cast<int32_t>(avisplitter.Pins().size()) - 1;

        Pin* detectorIn = ListSceneDetect->GetPin(0);
        Pin* detectorOut = ListSceneDetect->GetPin(1);
        Pin* rendererIn = nullrender.GetPin(0);
        for (int i = 0; i < r.ListStreamCount; ++i) {
            Pin* out = avisplitter.Pins()[static_cast<size_t>(i)];
            const bool detected = SUCCEEDED(g->ConnectDirect(out, detectorIn));
            if (detected)
                g->ConnectDirect(detectorOut, rendererIn);
            else
                g->ConnectDirect(out, rendererIn);
            PauseOnce();
            MediaType mt;
            out->ConnectionMediaType(mt);
            if (detected)
                CopyFirstFrame(r);
            listfg.Stop();
            int64_t d = 0;
            g->GetDuration(d);
            g->Disconnect(rendererIn);
            g->Disconnect(detectorOut);
            g->Disconnect(detectorIn);
            g->Disconnect(out);

            if (mt.majortype == MEDIATYPE_Video) {
                if (!r.ListVideoKnown && CopyBlock(mt, r.ListVideoFormat)) {
                    r.ListVideoKnown = 1;
                    r.ListVideoDuration = d;
                }
            } else if (mt.majortype == MEDIATYPE_Audio) {
                if (!r.ListAudioKnown && CopyBlock(mt, r.ListAudioFormat)) {
                    r.ListAudioKnown = 1;
                    r.ListAudioDuration = d;
                }
            } else if (mt.majortype == MEDIATYPE_Interleaved && !r.ListDVInfoKnown) {
                if (CopyBlock(mt, r.ListDVInfo)) {
                    r.ListDVInfoKnown = 1;
                    r.ListVideoDuration = r.ListAudioDuration = d;
                }
                // Whatever the block says, the DV Splitter's outputs tell the picture and sound.
                if (FAILED(g->ConnectDirect(out, dvsplitter.GetPin(0))))
                    return r;
                const std::vector<Pin*> dvPins = dvsplitter.Pins();
                for (size_t k = 1; k < dvPins.size(); ++k) {
                    if (FAILED(g->ConnectDirect(dvPins[k], rendererIn)))
                        continue;
                    PauseOnce();
                    MediaType split;
                    dvPins[k]->ConnectionMediaType(split);
                    listfg.Stop();
                    if (split.majortype == MEDIATYPE_Video && !r.ListVideoKnown &&
                        CopyBlock(split, r.ListVideoFormat)) {
                        r.ListVideoKnown = 1;
                        r.ListVideoDuration = d;
                    } else if (split.majortype == MEDIATYPE_Audio && !r.ListAudioKnown &&
                               CopyBlock(split, r.ListAudioFormat)) {
                        r.ListAudioKnown = 1;
                        r.ListAudioDuration = d;
                    }
                    g->Disconnect(dvPins[k]);
                    g->Disconnect(rendererIn);
                }
            }
        }
        r.ok = true;
    } catch (const std::exception&) {
        r.ok = false; // what was found before stays
    }
    return r;
}

void TdmList::CleanUp()
{
    listfg.Stop();
    listfg.ClearGraph();            // the scene detector leaves with every connection
    source.SetFilterGraph(nullptr); // closes the file
    listfg.Deactivate();
}

TdmList& dmList()
{
    static TdmList module;
    return module;
}

} // namespace media
