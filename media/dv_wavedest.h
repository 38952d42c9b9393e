#pragma once
// Tdv_WaveDest ("WavDest filter"): turns a sound stream into the bytes of a WAV file for the
// File writer downstream. Pins [In, Out]: In takes any sound with a WAVEFORMATEX block, Out
// gives Stream/WAVE. The sound passes on timed by file offset (the writer stores each sample at
// its start time), after a gap the size of the header, which StopStreaming writes through the
// writer's byte stream once the sizes are known:
//
//   "RIFF" <file size - 8> "WAVE" "fmt " F <format block> [pad] "data" D <sound> [pad]
//
// with a zero pad byte after an odd format block and after odd sound data, counted in the RIFF
// size and not in F or D. Sizes stay within 32 bits: the sample that would pass the limit fails
// with kWaveFileTooLarge, so the action can say why. A header that cannot be written fails the
// stop, which the graph's Stop passes on (and the File writer drops a file whose write failed).
//
// Threads: Transform and Receive on the streaming thread, Start/StopStreaming on the thread that
// changes the graph's state, under the receive lock.
#include <cstdint>
#include <vector>

#include "platform/dshow/TransformFilter.h"

namespace media {

// ERROR_FILE_TOO_LARGE as an HRESULT.
constexpr ds::HRESULT kWaveFileTooLarge = ds::HRESULT_FROM_WIN32(ds::ERROR_FILE_TOO_LARGE);

class Tdv_WaveDest : public ds::TBCTransformFilter {
public:
    static constexpr const char* kFilterName = "WavDest filter";
    static constexpr uint64_t kMaxFileSize = 0xFFFFFFFFu;

    Tdv_WaveDest();

    // The sound bytes passed on in this run, and the size of the header before them.
    uint64_t DataBytes() const { return dataBytes_; }
    uint32_t HeaderSize() const { return headerSize_; }
    // Test hook: the count each run starts from, to reach the 32-bit limit without gigabytes.
    void SetInitialDataBytes(uint64_t bytes) { initialDataBytes_ = bytes; }

    ds::HRESULT CheckInputType(const ds::MediaType& mt) override;
    ds::HRESULT CheckTransform(const ds::MediaType& in, const ds::MediaType& out) override;
    ds::HRESULT GetMediaType(int position, ds::MediaType& mt) override;
    ds::HRESULT DecideBufferSize(ds::MemAllocator& allocator, ds::AllocatorProperties& request) override;
    ds::HRESULT StartStreaming() override;
    ds::HRESULT StopStreaming() override;
    ds::HRESULT Transform(ds::MediaSample& in, ds::MediaSample& out) override;
    // A delivery that fails does not count its bytes.
    ds::HRESULT Receive(const ds::SamplePtr& sample) override;

    // The header for a format block and a data size.
    static std::vector<uint8_t> MakeHeader(const std::vector<uint8_t>& format, uint32_t dataBytes);

private:
    // Streaming thread while running; read at the stop under the receive lock.
    uint64_t dataBytes_ = 0;
    uint32_t headerSize_ = 0;
    uint64_t initialDataBytes_ = 0;
};

} // namespace media
