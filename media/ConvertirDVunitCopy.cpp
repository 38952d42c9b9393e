// The builders that decode nothing: type 1 <-> type 2, the repair of type-2 files, the date
// shift, the sound extraction to WAV and the scene scans.
#include "media/ConvertirDVunit.h"

namespace media {

using namespace ds;

namespace {

bool IsOutput(Pin* pin)
{
    return pin && pin->Direction() == PinDirection::Output;
}

} // namespace

bool TCdm::BuildType2Graph(const std::string& src, const std::string& output)
{
    try {
        if (fg.Active())
            fg.Deactivate();
        if (!BeginBuild(src, &output))
            return false;
        avisplitter.SetFilterGraph(&fg);
        dvsplitter.SetFilterGraph(&fg);
        avimux.SetFilterGraph(&fg);
        if (FAILED(Connect(source.GetPin(0), avisplitter.GetPin(0))))
            return false;
        // The interleaved stream is the splitter's first output; anything else is not type 1.
        if (FAILED(Connect(avisplitter.GetPin(0), dvsplitter.GetPin(0))))
            return false;
        for (int k = 1; k < static_cast<int>(dvsplitter.Pins().size()); ++k)
            Connect(dvsplitter.GetPin(k), LastPin(avimux));
        return EndMuxBuild();
    } catch (...) {
        return false;
    }
}

bool TCdm::BuildType1Graph(const std::string& src, const std::string& output)
{
    try {
        if (!BeginBuild(src, &output))
            return false;
        avisplitter.SetFilterGraph(&fg);
        dvmuxer.SetFilterGraph(&fg);
        dvsplitter.SetFilterGraph(&fg);
        avimux.SetFilterGraph(&fg);
        if (FAILED(Connect(source.GetPin(0), avisplitter.GetPin(0))) || avisplitter.Pins().size() < 2)
            return false;
        // Video: dvsd straight into the muxer, or the picture of an interleaved stream.
        bool video = false;
        for (Pin* pin : avisplitter.Pins()) {
            if (!IsOutput(pin))
                continue;
            if (SUCCEEDED(Connect(pin, dvmuxer.GetPin(0)))) {
                video = true;
            } else if (SUCCEEDED(Connect(pin, dvsplitter.GetPin(0)))) {
                Connect(dvsplitter.GetPin(1), dvmuxer.GetPin(0));
                video = true;
            }
            if (video)
                break;
        }
        if (!video)
            return false;
        // Two sound streams, each into the muxer's free audio input (the pin before its output).
        for (int stream = 0; stream < 2; ++stream)
            for (Pin* pin : avisplitter.Pins()) {
                const std::vector<Pin*> mux = dvmuxer.Pins();
                if (IsOutput(pin) && mux.size() >= 2 && SUCCEEDED(Connect(pin, mux[mux.size() - 2])))
                    break;
            }
        Connect(LastPin(dvmuxer), avimux.GetPin(1));
        return EndMuxBuild();
    } catch (...) {
        return false;
    }
}

bool TCdm::BuildType2FixGraph(const std::string& src, const std::string& output)
{
    try {
        if (!BeginBuild(src, &output))
            return false;
        avisplitter.SetFilterGraph(&fg);
        dvsplitter.SetFilterGraph(&fg);
        avimux.SetFilterGraph(&fg);
        if (FAILED(Connect(source.GetPin(0), avisplitter.GetPin(0))))
            return false;
        // The first two streams, offered as video, then sound; an interleaved one gives its video.
        MediaType partial;
        bool video = false;
        for (int k = 1; k <= 2 && k < static_cast<int>(avisplitter.Pins().size()); ++k) {
            Pin* out = avisplitter.GetPin(k - 1);
            partial.majortype = MEDIATYPE_Video;
            if (SUCCEEDED(Connect(out, LastPin(avimux), &partial))) {
                video = true;
                continue;
            }
            partial.majortype = MEDIATYPE_Audio;
            if (SUCCEEDED(Connect(out, LastPin(avimux), &partial)))
                continue;
            partial.majortype = MEDIATYPE_Interleaved;
            if (SUCCEEDED(Connect(out, dvsplitter.GetPin(0), &partial)) &&
                SUCCEEDED(Connect(dvsplitter.GetPin(1), LastPin(avimux))))
                video = true;
        }
        // A repaired DV file without its video would be no DV file at all.
        if (!video)
            return false;
        return EndMuxBuild();
    } catch (...) {
        return false;
    }
}

bool TCdm::BuildTimeShiftGraph(const std::string& src, const std::string& output)
{
    try {
        if (!BeginBuild(src, &output))
            return false;
        avisplitter.SetFilterGraph(&fg);
        avimux.SetFilterGraph(&fg);
        acm1.SetFilterGraph(&fg);
        acm2.SetFilterGraph(&fg);
        if (!AddOwn(CdmDVHeader, "dv_DVHeader"))
            return false;
        if (FAILED(Connect(source.GetPin(0), avisplitter.GetPin(0))) || avisplitter.Pins().size() < 2)
            return false;
        if (FirstSplitterOutputTo(CdmDVHeader->GetPin(0)) < 0)
            return false;
        Connect(CdmDVHeader->GetPin(1), avimux.GetPin(1));
        // Every splitter output may carry sound, the first one too (a type-2 file may put its
        // sound first); connected outputs simply refuse. Each goes to the mux's free input.
        auto freeInput = [this] { return LastPin(avimux); };
        SoundPath(avisplitter, 0, acm1, freeInput);
        SoundPath(avisplitter, 0, acm2, freeInput);
        return EndMuxBuild();
    } catch (...) {
        return false;
    }
}

bool TCdm::BuildAudioExtractGraph(const std::string& src, const std::string& output)
{
    try {
        if (!BeginBuild(src, &output))
            return false;
        yield_ = Yield::Sound;
        avisplitter.SetFilterGraph(&fg);
        if (!AddOwn(CdmWaveDest, "dv_WaveDest"))
            return false;
        nullrender.SetFilterGraph(&fg);
        dvsplitter.SetFilterGraph(&fg);
        infinite.SetFilterGraph(&fg);
        FilterGraph* graph = fg.Graph();
        if (FAILED(graph->ConnectDirect(source.GetPin(0), avisplitter.GetPin(0))))
            return false;

        // Each output's type is read from a trial connection to the Null Renderer.
        Pin* videoPin = nullptr;
        Pin* soundPin = nullptr;
        bool interleaved = false;
        auto probe = [&](Pin* out) -> Guid {
            MediaType mt;
            if (FAILED(graph->ConnectDirect(out, nullrender.GetPin(0))))
                return GUID_NULL;
            out->ConnectionMediaType(mt);
            graph->Disconnect(out);
            return mt.majortype;
        };
        auto take = [&](Pin* out, const Guid& major) {
            if (major == MEDIATYPE_Video && !videoPin)
                videoPin = out;
            else if (major == MEDIATYPE_Audio && !soundPin)
                soundPin = out;
            else
                return false;
            return true;
        };
        const std::vector<Pin*> outputs = avisplitter.Pins();
        for (Pin* out : outputs) {
            if (!IsOutput(out))
                continue;
            const Guid major = probe(out);
            if (take(out, major) || major != MEDIATYPE_Interleaved || interleaved)
                continue;
            interleaved = true;
            if (FAILED(graph->ConnectDirect(out, dvsplitter.GetPin(0))))
                continue;
            for (Pin* dvOut : dvsplitter.Pins())
                if (IsOutput(dvOut))
                    take(dvOut, probe(dvOut));
        }
        if (!soundPin)
            return false;
        if (videoPin) {
            Connect(videoPin, nullrender.GetPin(0));
            Connect(soundPin, CdmWaveDest->GetPin(0));
        } else {
            // Sound alone: the tee's second output feeds the renderer that ends the graph.
            Connect(soundPin, infinite.GetPin(0));
            Connect(infinite.GetPin(1), CdmWaveDest->GetPin(0));
            Connect(LastPin(infinite), nullrender.GetPin(0));
        }
        Connect(CdmWaveDest->GetPin(1), destination.GetPin(0));
        CdmSeeking = graph;
        return true;
    } catch (...) {
        return false;
    }
}

bool TCdm::BuildScene(const std::string& src)
{
    try {
        if (!BeginBuild(src, nullptr))
            return false;
        if (!AddOwn(CdmSceneDetect, "scenedetect"))
            return false;
        avisplitter.SetFilterGraph(&fg);
        nullrender.SetFilterGraph(&fg);
        if (FAILED(Connect(source.GetPin(0), avisplitter.GetPin(0))))
            return false;
        if (FirstSplitterOutputTo(CdmSceneDetect->GetPin(0)) < 0)
            return false;
        Connect(CdmSceneDetect->GetPin(1), nullrender.GetPin(0));
        CdmSeeking = fg.Graph();
        return true;
    } catch (...) {
        return false;
    }
}

bool TCdm::BuildSceneGraph(const std::string& src)
{
    return BuildScene(src);
}

bool TCdm::BuildSrtSceneGraph(const std::string& src)
{
    return BuildScene(src);
}

} // namespace media
