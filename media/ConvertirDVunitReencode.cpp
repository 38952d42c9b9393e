// The builders that decode and encode again: the change of TV standard and the date burn-in
// (types 1 and 2), and the recompression of any AVI to DV type 2.
#include "media/ConvertirDVunit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "platform/dshow/StreamConfig.h"
#include "platform/filters/DvVideoDecoder.h"
#include "platform/filters/DvVideoEncoder.h"
#include "settings/Preferences.h"

namespace media {

using namespace ds;

namespace {

bool IsOutput(Pin* pin)
{
    return pin && pin->Direction() == PinDirection::Output;
}

// The first planar YUV type an output offers, as a partial type (its size left open), if any.
std::optional<MediaType> PlanarOffer(Pin* out)
{
    for (const MediaType& mt : out->EnumMediaTypes())
        if (auto layout = LayoutOf(mt); layout && layout->planar)
            return MediaType(mt.majortype, mt.subtype);
    return std::nullopt;
}

// The muxer input just before its output: the DV Muxer's free audio input.
Pin* BeforeLast(FilterComponent& component)
{
    const std::vector<Pin*> pins = component.Pins();
    return pins.size() >= 2 ? pins[pins.size() - 2] : nullptr;
}

} // namespace

bool TCdm::SetEncoder(bool pal, bool synchronous)
{
    auto* encoder = dynamic_cast<DvVideoEncoder*>(DVenc.Filter().get());
    if (!encoder)
        return false;
    encoder->SetSynchronous(synchronous);
    return SUCCEEDED(encoder->put_IFormatResolution(pal ? DVENCODERVIDEOFORMAT_PAL : DVENCODERVIDEOFORMAT_NTSC,
                                                    DVENCODERFORMAT_DVSD, DVENCODERRESOLUTION_720x480, false, nullptr));
}

void TCdm::QueueChain(BaseFilter& picture, double decoderShare)
{
    auto* decoder = dynamic_cast<DvVideoDecoder*>(DVdecoder.Filter().get());
    if (decoder)
        decoder->SetParallelFrames(queuedChain_);
    // Decoding and encoding run at once, so their threads share the cores: as many in all as
    // either codec would have alone. More would only preempt each other, and hold up the frame
    // the others wait for in order (a burn-in took a sixth longer with a whole set each).
    auto* encoder = dynamic_cast<DvVideoEncoder*>(DVenc.Filter().get());
    if (queuedChain_ && decoder && encoder) {
        const int threads = av::DefaultThreadCount();
        const int decoding =
            std::clamp(static_cast<int>(std::lround(threads * decoderShare)), 1, std::max(threads - 1, 1));
        decoder->SetThreadCount(decoding);
        encoder->SetThreadCount(std::max(threads - decoding, 1));
    }
    const int depth = queuedChain_ ? kChainQueueDepth : 0;
    for (Pin* pin : {DVdecoder.GetPin(1), picture.GetPin(1)})
        if (auto* out = dynamic_cast<OutputPin*>(pin))
            out->SetOutputQueue(depth);
}

// The standard change: the detector on the first splitter output that carries DV (for a type-1
// source the DV Splitter behind it, whose first output the decoder takes is the picture), then
// decoder, deinterlacer, encoder and DV-header filter into the DV Muxer with the sound.
bool TCdm::BuildStandard(const std::string& src, const std::string& output, uint8_t standard, bool type2)
{
    try {
        if (!BeginBuild(src, &output))
            return false;
        DVenc.SetFilterGraph(&fg);
        // The DV-header filter finds each frame's source blocks by its start time, whatever
        // the encoder and the queues do to the order of arrival.
        if (!SetEncoder(standard != 2, !queuedChain_))
            return false;
        for (FilterComponent* c : {&DVdecoder, &avisplitter, &dvmuxer, &acm1, &acm2, &dvsplitter, &avimux})
            c->SetFilterGraph(&fg);
        if (!AddOwn(CdmDeinter, "dv_Deinter") || !AddOwn(CdmSceneDetect, "dv_SceneDetect") ||
            !AddOwn(CdmDVHeader, "dv_DVHeader"))
            return false;
        // The encoder's side also scales and converts the pictures: a quarter of the work decodes.
        QueueChain(*CdmDeinter, 0.25);
        if (FAILED(Connect(source.GetPin(0), avisplitter.GetPin(0))) || avisplitter.Pins().size() < 2)
            return false;
        if (FirstSplitterOutputTo(CdmSceneDetect->GetPin(0)) < 0)
            return false;
        Pin* picture = CdmSceneDetect->GetPin(1);
        if (!type2) {
            if (FAILED(Connect(picture, dvsplitter.GetPin(0))) || dvsplitter.Pins().size() < 2)
                return false;
            picture = nullptr;
            for (Pin* pin : dvsplitter.Pins())
                if (IsOutput(pin) && SUCCEEDED(Connect(pin, DVdecoder.GetPin(0))))
                    break;
            if (!DVdecoder.GetPin(0)->IsConnected())
                return false;
        } else if (FAILED(Connect(picture, DVdecoder.GetPin(0)))) {
            return false;
        }
        // A picture path cut anywhere would leave a graph whose muxer waits for frames that
        // never come: the build fails instead.
        if (FAILED(Connect(DVdecoder.GetPin(1), CdmDeinter->GetPin(0))) ||
            FAILED(Connect(CdmDeinter->GetPin(1), DVenc.GetPin(0))) ||
            FAILED(Connect(DVenc.GetPin(1), CdmDVHeader->GetPin(0))) ||
            FAILED(Connect(CdmDVHeader->GetPin(1), dvmuxer.GetPin(0))))
            return false;

        // Sound: each converter into the muxer's free audio input, from the first output that
        // connects (for type 2 every splitter output from 0, for type 1 the DV Splitter's).
        auto audioIn = [this] { return BeforeLast(dvmuxer); };
        FilterComponent& soundSource = type2 ? avisplitter : dvsplitter;
        SoundPath(soundSource, 0, acm1, audioIn);
        SoundPath(soundSource, 0, acm2, audioIn);

        if (type2) {
            // Muxed into DV and split again: the new frames and the sound as separate streams.
            if (FAILED(Connect(LastPin(dvmuxer), dvsplitter.GetPin(0))) ||
                FAILED(Connect(dvsplitter.GetPin(1), LastPin(avimux))))
                return false;
            for (int k = 2; k < static_cast<int>(dvsplitter.Pins().size()); ++k)
                Connect(dvsplitter.GetPin(k), LastPin(avimux));
        } else if (FAILED(Connect(LastPin(dvmuxer), avimux.GetPin(1)))) {
            return false;
        }
        return EndMuxBuild();
    } catch (...) {
        return false;
    }
}

bool TCdm::BuildDatecode(const std::string& src, const std::string& output, bool type2)
{
    try {
        if (!BeginBuild(src, &output))
            return false;
        DVenc.SetFilterGraph(&fg);
        for (FilterComponent* c : {&DVdecoder, &avisplitter, &dvmuxer, &acm1, &acm2, &avimux})
            c->SetFilterGraph(&fg);
        if (!type2)
            dvsplitter.SetFilterGraph(&fg);
        if (!AddOwn(CdmSuperposer, "dv_Superposer") || !AddOwn(CdmSceneDetect, "dv_SceneDetect") ||
            !AddOwn(CdmDVHeader, "dv_DVHeader"))
            return false;
        QueueChain(*CdmSuperposer, 3.0 / 8); // decoding DV takes about 3/8 of a burn-in's work
        if (FAILED(Connect(source.GetPin(0), avisplitter.GetPin(0))) || avisplitter.Pins().size() < 2)
            return false;
        if (FirstSplitterOutputTo(CdmSceneDetect->GetPin(0)) < 0)
            return false;
        if (type2) {
            if (FAILED(Connect(CdmSceneDetect->GetPin(1), DVdecoder.GetPin(0))))
                return false;
        } else {
            if (FAILED(Connect(CdmSceneDetect->GetPin(1), dvsplitter.GetPin(0))) || dvsplitter.Pins().size() < 2)
                return false;
            for (Pin* pin : dvsplitter.Pins())
                if (IsOutput(pin) && SUCCEEDED(Connect(pin, DVdecoder.GetPin(0))))
                    break;
            if (!DVdecoder.GetPin(0)->IsConnected())
                return false;
        }
        // The picture in the decoder's own planes when the overlay takes them: then it reaches the
        // encoder without a colour conversion, untouched outside the text.
        Pin* decoder = DVdecoder.GetPin(1);
        Pin* overlayIn = CdmSuperposer->GetPin(0);
        const std::optional<MediaType> planar = PlanarOffer(decoder);
        const bool yuv = planar && SUCCEEDED(Connect(decoder, overlayIn, &*planar));
        if (!yuv && FAILED(Connect(decoder, overlayIn)))
            return false;
        // The burn-in keeps the source's standard, whatever the caller believed: the decoder's
        // picture height says it (576 lines PAL, 480 NTSC).
        MediaType decoded;
        decoder->ConnectionMediaType(decoded);
        const auto vih = decoded.GetVideoInfo();
        if (!vih || !SetEncoder(std::abs(vih->bmiHeader.biHeight) != 480, !queuedChain_))
            return false;
        if (FAILED(Connect(CdmSuperposer->GetPin(1), DVenc.GetPin(0)))) {
            // An encoder that refuses those planes gets the RGB picture, as any other would.
            if (!yuv)
                return false;
            fg.Graph()->Disconnect(overlayIn);
            if (FAILED(Connect(decoder, overlayIn)) || FAILED(Connect(CdmSuperposer->GetPin(1), DVenc.GetPin(0))))
                return false;
        }
        // A picture path cut anywhere would leave a graph whose muxer waits for frames that
        // never come: the build fails instead.
        if (FAILED(Connect(DVenc.GetPin(1), CdmDVHeader->GetPin(0))))
            return false;

        if (type2) {
            if (FAILED(Connect(CdmDVHeader->GetPin(1), avimux.GetPin(1))))
                return false;
            auto freeInput = [this] { return LastPin(avimux); };
            SoundPath(avisplitter, 0, acm1, freeInput);
            SoundPath(avisplitter, 0, acm2, freeInput);
        } else {
            if (FAILED(Connect(CdmDVHeader->GetPin(1), dvmuxer.GetPin(0))))
                return false;
            auto audioIn = [this] { return BeforeLast(dvmuxer); };
            SoundPath(dvsplitter, 0, acm1, audioIn);
            SoundPath(dvsplitter, 0, acm2, audioIn);
            if (FAILED(Connect(LastPin(dvmuxer), avimux.GetPin(1))))
                return false;
        }
        return EndMuxBuild();
    } catch (...) {
        return false;
    }
}

bool TCdm::BuildStandardGraphType2(const std::string& src, const std::string& output, uint8_t standard)
{
    return BuildStandard(src, output, standard, true);
}

bool TCdm::BuildStandardGraphType1(const std::string& src, const std::string& output, uint8_t standard)
{
    return BuildStandard(src, output, standard, false);
}

bool TCdm::BuildDatecodeGraphType2(const std::string& src, const std::string& output, uint8_t /*standard*/)
{
    return BuildDatecode(src, output, true);
}

bool TCdm::BuildDatecodeGraphType1(const std::string& src, const std::string& output, uint8_t /*standard*/)
{
    return BuildDatecode(src, output, false);
}

bool TCdm::BuildDVConvertGraph(const std::string& src, const std::string& output, uint8_t standard)
{
    try {
        if (!BeginBuild(src, &output))
            return false;
        for (FilterComponent* c : {&avisplitter, &dvsplitter, &avimux, &DVenc, &dvmuxer})
            c->SetFilterGraph(&fg);
        if (!SetEncoder(standard == 1, false))
            return false;
        FilterGraph* graph = fg.Graph();
        Connect(avimux.GetPin(0), destination.GetPin(0));
        if (FAILED(Connect(source.GetPin(0), avisplitter.GetPin(0))))
            return false;

        // Video through whatever decoders the registry offers into the encoder.
        bool video = false;
        for (Pin* pin : avisplitter.Pins())
            if (IsOutput(pin) && SUCCEEDED(graph->RenderStream(nullptr, nullptr, pin, nullptr, DVenc.Filter().get()))) {
                video = SUCCEEDED(Connect(DVenc.GetPin(1), dvmuxer.GetPin(0)));
                break;
            }
        if (!video)
            return false;

        // The sound format is fixed before anything downstream of the converters connects, so
        // the DV frames and the AVI sound stream are made at one rate.
        const uint32_t rates[] = {32000, 44100, 48000};
        const uint32_t rate = settings::FrequenceDV <= 2 ? rates[settings::FrequenceDV] : 48000;
        const MediaType pcm = MediaType::Audio(WaveFormatEx::Pcm(rate, 2, 16));
        bool sound = false;
        for (Pin* pin : avisplitter.Pins())
            if (IsOutput(pin) &&
                SUCCEEDED(graph->RenderStream(nullptr, &MEDIATYPE_Audio, pin, nullptr, dvmuxer.Filter().get()))) {
                sound = true;
                break;
            }
        if (sound) {
            // acm1 goes last on the path found, set to the chosen format.
            Pin* muxIn = dvmuxer.GetPin(1);
            Pin* upstream = muxIn ? muxIn->ConnectedTo() : nullptr;
            if (upstream) {
                graph->Disconnect(upstream);
                acm1.SetFilterGraph(&fg);
                if (auto* config = QueryPin<StreamConfig>(acm1.GetPin(1)))
                    config->SetFormat(pcm);
                if (FAILED(Connect(upstream, acm1.GetPin(0))) || FAILED(Connect(acm1.GetPin(1), muxIn)))
                    Connect(upstream, muxIn); // the sound as the path gave it, rather than none
            }
            acm2.SetFilterGraph(&fg);
            if (auto* config = QueryPin<StreamConfig>(acm2.GetPin(1)))
                config->SetFormat(pcm);
            for (Pin* pin : avisplitter.Pins())
                if (IsOutput(pin) && !pin->IsConnected() &&
                    SUCCEEDED(graph->RenderStream(nullptr, nullptr, pin, acm2.Filter().get(), dvmuxer.Filter().get())))
                    break;
        }

        Connect(LastPin(dvmuxer), dvsplitter.GetPin(0));
        for (int k = 1; k < static_cast<int>(dvsplitter.Pins().size()); ++k)
            Connect(dvsplitter.GetPin(k), LastPin(avimux));
        CdmSeeking = QueryFilter<MediaSeeking>(avimux.Filter().get());
        return CdmSeeking != nullptr;
    } catch (...) {
        return false;
    }
}

} // namespace media
