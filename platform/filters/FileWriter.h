#pragma once
// "File writer": the renderer that stores a stream in a file. Pins: [In].
//
// Each sample is written at the byte offset given by its start time (a sample without a time
// follows the previous one). The input pin also offers a ByteStream (seek, write, read) for the
// headers a muxer writes last. The file is opened at Run, never before, under a temporary name in
// the destination folder; at Stop it becomes the real name when the run completed (end of stream
// reached, no write failed), and is removed otherwise, so an old file of that name is untouched
// by a failed or aborted run. Byte-stream calls made while paused wait for Run; a flush releases
// them (they fail) and, at its end, empties the temporary file: the stream starts again.
// Without AM_FILE_OVERWRITE an existing destination is never replaced: the run fails.
// Failures keep their cause: an existing destination, a missing folder, a folder that refuses
// writing and a full disk each have their own code, any other its system error number
// (ds::FileErrorCode), so the user can be told which.
#include <memory>
#include <string>

#include "platform/dshow/BaseRenderer.h"
#include "platform/dshow/ByteStream.h"
#include "platform/rtl/AtomicFile.h"

namespace ds {

constexpr uint32_t AM_FILE_OVERWRITE = 1;

class FileWriter;

class FileWriterInputPin : public RendererInputPin, public ByteStream {
public:
    explicit FileWriterInputPin(FileWriter& writer);
    HRESULT Seek(int64_t offset, SeekOrigin origin, int64_t* newPosition) override;
    HRESULT Write(const void* data, uint32_t size, uint32_t* written) override;
    HRESULT Read(void* data, uint32_t size, uint32_t* read) override;

private:
    FileWriter& writer_;
};

// The file-sink interface (IFileSinkFilter2).
class FileSink {
public:
    virtual ~FileSink() = default;
    virtual HRESULT SetFileName(const std::string& name, const MediaType* mt) = 0;
    virtual HRESULT GetCurFile(std::string& name) const = 0;
    virtual HRESULT SetMode(uint32_t flags) = 0;
    virtual HRESULT GetMode(uint32_t& flags) const = 0;
};

class FileWriter : public BaseRenderer, public FileSink {
public:
    static constexpr const char* kFriendlyName = "File writer";
    FileWriter();
    ~FileWriter() override;

    HRESULT SetFileName(const std::string& name, const MediaType* mt) override;
    HRESULT GetCurFile(std::string& name) const override;
    HRESULT SetMode(uint32_t flags) override;
    HRESULT GetMode(uint32_t& flags) const override;

    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT DoRenderSample(MediaSample& sample) override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT OnStartStreaming() override;
    HRESULT OnStopStreaming() override;
    void OnEndOfStream() override;
    void OnEndFlush() override;
    bool ReportsPosition() const override { return false; }
    bool WaitsForClock() const override { return false; } // its sample times are byte offsets

    // Byte-stream service (through the input pin).
    HRESULT StreamSeek(int64_t offset, SeekOrigin origin, int64_t* newPosition);
    HRESULT StreamWrite(const void* data, uint32_t size, uint32_t* written);
    HRESULT StreamRead(void* data, uint32_t size, uint32_t* read);

    // The run under way keeps no file, however it ends (a cancelled conversion): its temporary
    // file is removed at the stop. A new run starts without it.
    void AbandonRun();

    // The temporary file of the current run ("" when none), for tests.
    std::string TemporaryName() const;

private:
    HRESULT OpenFile();                                               // renderLock_ held
    HRESULT WriteAt(const void* data, uint32_t size, int64_t offset); // renderLock_ held
    HRESULT WaitForFile(std::unique_lock<std::mutex>& guard);
    void Fail(HRESULT hr); // renderLock_ held

    // Guarded by renderLock_ (the base renderer's lock).
    std::string fileName_;
    uint32_t mode_ = 0;
    rtl::AtomicFile file_; // open from Run to the stop
    static constexpr int64_t kWriteBackChunk = 8 << 20;
    int64_t unflushed_ = 0; // bytes written since the last write-back was started (renderLock_)
    int64_t position_ = 0;  // byte-stream position and the offset of an untimed sample
    bool completed_ = false;
    bool abandoned_ = false;
    HRESULT failure_ = S_OK;
};

} // namespace ds
