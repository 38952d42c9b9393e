#include "media/dv_wavedest.h"

#include <cstring>

#include "platform/dshow/ByteStream.h"
#include "platform/rtl/ByteOrder.h"

namespace media {

using namespace ds;

namespace {

uint32_t HeaderSizeFor(size_t formatSize)
{
    return static_cast<uint32_t>(28 + formatSize + (formatSize & 1));
}

void PutFourCC(uint8_t* p, const char* fourcc)
{
    std::memcpy(p, fourcc, 4);
}

} // namespace

Tdv_WaveDest::Tdv_WaveDest() : TBCTransformFilter(kFilterName)
{
}

std::vector<uint8_t> Tdv_WaveDest::MakeHeader(const std::vector<uint8_t>& format, uint32_t dataBytes)
{
    const uint32_t headerSize = HeaderSizeFor(format.size());
    const size_t f = format.size();
    std::vector<uint8_t> h(headerSize, 0); // the pad after an odd format block stays 0
    PutFourCC(&h[0], "RIFF");
    rtl::PutLE32(&h[4], headerSize - 8 + dataBytes + (dataBytes & 1));
    PutFourCC(&h[8], "WAVE");
    PutFourCC(&h[12], "fmt ");
    rtl::PutLE32(&h[16], static_cast<uint32_t>(f));
    std::copy(format.begin(), format.end(), h.begin() + 20);
    PutFourCC(&h[headerSize - 8], "data");
    rtl::PutLE32(&h[headerSize - 4], dataBytes);
    return h;
}

HRESULT Tdv_WaveDest::CheckInputType(const MediaType& mt)
{
    if (mt.formattype != FORMAT_WaveFormatEx || mt.cbFormat() < 16)
        return S_FALSE;
    // A cbSize that claims bytes past the block would make the file lie about its format.
    if (mt.cbFormat() >= 18 && 18 + size_t{rtl::GetLE16(mt.pbFormat() + 16)} > mt.cbFormat())
        return S_FALSE;
    return mt.cbFormat() <= kMaxFileSize / 2 ? S_OK : S_FALSE;
}

HRESULT Tdv_WaveDest::CheckTransform(const MediaType& in, const MediaType& out)
{
    HRESULT hr = CheckInputType(in);
    if (hr != S_OK)
        return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
    return out.majortype == MEDIATYPE_Stream && out.subtype == MEDIASUBTYPE_WAVE ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT Tdv_WaveDest::GetMediaType(int position, MediaType& mt)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    mt = MediaType(MEDIATYPE_Stream, MEDIASUBTYPE_WAVE);
    return S_OK;
}

HRESULT Tdv_WaveDest::DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request)
{
    if (!Input()->IsConnected())
        return E_UNEXPECTED;
    AllocatorProperties in;
    if (const AllocatorPtr& upstream = Input()->Allocator())
        upstream->GetProperties(in);
    request.cBuffers = 1;
    request.cbBuffer = std::max<int32_t>({request.cbBuffer, in.cbBuffer, 1});
    request.cbAlign = 1;
    AllocatorProperties actual;
    HRESULT hr = allocator.SetProperties(request, actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer >= request.cbBuffer ? S_OK : E_FAIL;
}

HRESULT Tdv_WaveDest::StartStreaming()
{
    headerSize_ = HeaderSizeFor(Input()->CurrentMediaType().cbFormat());
    dataBytes_ = initialDataBytes_;
    return S_OK;
}

HRESULT Tdv_WaveDest::Transform(MediaSample& in, MediaSample& out)
{
    const int32_t len = in.GetActualDataLength();
    if (len < 0 || len > out.GetSize())
        return E_FAIL;
    std::memcpy(out.GetPointer(), in.GetPointer(), static_cast<size_t>(len));
    out.SetActualDataLength(len);
    out.SetMediaType(nullptr); // the output stays a byte stream whatever the sound's format did
    const uint64_t end = dataBytes_ + static_cast<uint64_t>(len);
    if (headerSize_ + end + (end & 1) > kMaxFileSize)
        return kWaveFileTooLarge;
    const REFERENCE_TIME start = static_cast<REFERENCE_TIME>(headerSize_ + dataBytes_);
    out.SetTime(start, start + len);
    dataBytes_ = end;
    return S_OK;
}

HRESULT Tdv_WaveDest::Receive(const SamplePtr& sample)
{
    const uint64_t before = dataBytes_;
    HRESULT hr = TBCTransformFilter::Receive(sample);
    if (hr != S_OK)
        dataBytes_ = before;
    return hr;
}

HRESULT Tdv_WaveDest::StopStreaming()
{
    Pin* down = Output()->ConnectedTo();
    if (down == nullptr)
        return E_FAIL;
    auto* stream = QueryPin<ByteStream>(down);
    if (stream == nullptr)
        return E_NOINTERFACE;
    const uint32_t data = static_cast<uint32_t>(dataBytes_); // bounded by Transform
    HRESULT hr = S_OK;
    if (data & 1) {
        const uint8_t pad = 0;
        hr = stream->Seek(int64_t{headerSize_} + data, SeekOrigin::Set, nullptr);
        if (SUCCEEDED(hr))
            hr = stream->Write(&pad, 1, nullptr);
    }
    if (SUCCEEDED(hr))
        hr = stream->Seek(0, SeekOrigin::Set, nullptr);
    if (SUCCEEDED(hr)) {
        const std::vector<uint8_t> header = MakeHeader(Input()->CurrentMediaType().format, data);
        hr = stream->Write(header.data(), static_cast<uint32_t>(header.size()), nullptr);
    }
    return hr;
}

} // namespace media
