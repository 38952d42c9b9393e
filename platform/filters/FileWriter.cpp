#include "platform/filters/FileWriter.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ds {

FileWriterInputPin::FileWriterInputPin(FileWriter& writer) : RendererInputPin(writer, "in"), writer_(writer)
{
}

HRESULT FileWriterInputPin::Seek(int64_t offset, SeekOrigin origin, int64_t* newPosition)
{
    return writer_.StreamSeek(offset, origin, newPosition);
}

HRESULT FileWriterInputPin::Write(const void* data, uint32_t size, uint32_t* written)
{
    return writer_.StreamWrite(data, size, written);
}

HRESULT FileWriterInputPin::Read(void* data, uint32_t size, uint32_t* read)
{
    return writer_.StreamRead(data, size, read);
}

FileWriter::FileWriter() : BaseRenderer(kFriendlyName)
{
    SetInputPin(std::make_unique<FileWriterInputPin>(*this));
}

FileWriter::~FileWriter()
{
    std::lock_guard<std::mutex> guard(renderLock_);
    file_.Discard();
}

HRESULT FileWriter::SetFileName(const std::string& name, const MediaType*)
{
    if (name.empty())
        return E_INVALIDARG;
    std::lock_guard<std::mutex> guard(renderLock_);
    if (file_.IsOpen())
        return VFW_E_WRONG_STATE;
    fileName_ = name;
    return S_OK;
}

HRESULT FileWriter::GetCurFile(std::string& name) const
{
    std::lock_guard<std::mutex> guard(renderLock_);
    name = fileName_;
    return fileName_.empty() ? E_FAIL : S_OK;
}

HRESULT FileWriter::SetMode(uint32_t flags)
{
    if (flags & ~AM_FILE_OVERWRITE)
        return E_INVALIDARG;
    std::lock_guard<std::mutex> guard(renderLock_);
    mode_ = flags;
    return S_OK;
}

HRESULT FileWriter::GetMode(uint32_t& flags) const
{
    std::lock_guard<std::mutex> guard(renderLock_);
    flags = mode_;
    return S_OK;
}

HRESULT FileWriter::CheckMediaType(const MediaType&)
{
    return S_OK;
}

std::string FileWriter::TemporaryName() const
{
    std::lock_guard<std::mutex> guard(renderLock_);
    return file_.IsOpen() ? file_.TempName() : std::string();
}

void FileWriter::Fail(HRESULT hr)
{
    if (SUCCEEDED(failure_))
        failure_ = hr;
}

// A run starts at the pause from stopped: an empty stream may end before the file is opened.
HRESULT FileWriter::OnStartStreaming()
{
    std::lock_guard<std::mutex> guard(renderLock_);
    completed_ = false;
    abandoned_ = false;
    return S_OK;
}

void FileWriter::AbandonRun()
{
    std::lock_guard<std::mutex> guard(renderLock_);
    abandoned_ = true;
}

HRESULT FileWriter::OpenFile()
{
    failure_ = S_OK;
    position_ = 0;
    unflushed_ = 0;
    if (fileName_.empty())
        return E_FAIL;
    struct stat st;
    if (!(mode_ & AM_FILE_OVERWRITE) && ::stat(fileName_.c_str(), &st) == 0)
        return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
    const int err = file_.Create(fileName_);
    return err == 0 ? S_OK : FileErrorCode(err);
}

HRESULT FileWriter::Run(REFERENCE_TIME start)
{
    HRESULT hr = S_OK;
    {
        std::lock_guard<std::mutex> guard(renderLock_);
        if (!file_.IsOpen()) {
            hr = OpenFile();
            if (FAILED(hr))
                Fail(hr);
        }
    }
    if (FAILED(hr))
        NotifyEvent(EC_ERRORABORT, hr);
    HRESULT runHr = BaseRenderer::Run(start);
    return FAILED(hr) ? hr : runHr;
}

HRESULT FileWriter::WriteAt(const void* data, uint32_t size, int64_t offset)
{
    if (!file_.IsOpen())
        return FAILED(failure_) ? failure_ : E_UNEXPECTED;
    if (offset < 0) {
        Fail(E_INVALIDARG); // the sample is lost: the file must not be kept
        return E_INVALIDARG;
    }
    if (const int err = file_.WriteAt(offset, data, size)) {
        const HRESULT hr = FileErrorCode(err);
        Fail(hr);
        return hr;
    }
    // The file is made durable at Stop; starting the write-back as the data comes keeps that
    // final fsync short instead of leaving the whole file to it.
    unflushed_ += size;
    if (unflushed_ >= kWriteBackChunk) {
        ::sync_file_range(file_.Handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
        unflushed_ = 0;
    }
    return S_OK;
}

HRESULT FileWriter::DoRenderSample(MediaSample& sample)
{
    HRESULT hr;
    {
        std::lock_guard<std::mutex> guard(renderLock_);
        int64_t offset = sample.HasTime() ? sample.StartTime() : position_;
        uint32_t length = static_cast<uint32_t>(sample.GetActualDataLength());
        hr = WriteAt(sample.GetPointer(), length, offset);
        if (SUCCEEDED(hr))
            position_ = offset + length;
    }
    if (FAILED(hr))
        NotifyEvent(EC_ERRORABORT, hr);
    return hr;
}

void FileWriter::OnEndOfStream()
{
    std::lock_guard<std::mutex> guard(renderLock_);
    completed_ = true;
}

// The stream starts again from its first byte (a seek of the graph): what the last pass wrote
// is dropped, so a shorter pass leaves no tail of the longer one. Only the temporary file is cut.
void FileWriter::OnEndFlush()
{
    completed_ = false;
    position_ = 0;
    unflushed_ = 0;
    if (!file_.IsOpen())
        return;
    failure_ = S_OK;
    if (::ftruncate(file_.Handle(), 0) != 0)
        Fail(FileErrorCode(errno));
}

HRESULT FileWriter::WaitForFile(std::unique_lock<std::mutex>& guard)
{
    if (file_.IsOpen())
        return S_OK;
    if (!WaitUntilRunning(guard))
        return E_UNEXPECTED;
    return file_.IsOpen() ? S_OK : (FAILED(failure_) ? failure_ : E_UNEXPECTED);
}

HRESULT FileWriter::StreamSeek(int64_t offset, SeekOrigin origin, int64_t* newPosition)
{
    std::unique_lock<std::mutex> guard(renderLock_);
    if (HRESULT hr = WaitForFile(guard); FAILED(hr))
        return hr;
    int64_t base = 0;
    if (origin == SeekOrigin::Current)
        base = position_;
    if (origin == SeekOrigin::End) {
        struct stat st;
        if (::fstat(file_.Handle(), &st) != 0)
            return STG_E_WRITEFAULT;
        base = st.st_size;
    }
    if (base + offset < 0)
        return E_INVALIDARG;
    position_ = base + offset;
    if (newPosition)
        *newPosition = position_;
    return S_OK;
}

HRESULT FileWriter::StreamWrite(const void* data, uint32_t size, uint32_t* written)
{
    std::unique_lock<std::mutex> guard(renderLock_);
    if (written)
        *written = 0;
    if (HRESULT hr = WaitForFile(guard); FAILED(hr))
        return hr;
    HRESULT hr = WriteAt(data, size, position_);
    if (FAILED(hr)) {
        // Reported here, first, so the graph's abort carries the cause and not the muxer's
        // general write fault.
        guard.unlock();
        NotifyEvent(EC_ERRORABORT, hr);
        return hr;
    }
    position_ += size;
    if (written)
        *written = size;
    return S_OK;
}

HRESULT FileWriter::StreamRead(void* data, uint32_t size, uint32_t* read)
{
    std::unique_lock<std::mutex> guard(renderLock_);
    if (read)
        *read = 0;
    if (HRESULT hr = WaitForFile(guard); FAILED(hr))
        return hr;
    uint32_t done = 0;
    auto* p = static_cast<uint8_t*>(data);
    while (done < size) {
        ssize_t n = ::pread(file_.Handle(), p + done, size - done, static_cast<off_t>(position_ + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<uint32_t>(n);
    }
    position_ += done;
    if (read)
        *read = done;
    return done == size ? S_OK : S_FALSE;
}

// Runs last in a graph stop, after every filter upstream has written what it writes at its stop.
HRESULT FileWriter::OnStopStreaming()
{
    HRESULT hr = S_OK;
    {
        std::lock_guard<std::mutex> guard(renderLock_);
        if (!file_.IsOpen())
            return S_OK;
        if (!completed_ || FAILED(failure_) || abandoned_) {
            file_.Discard();
            return failure_;
        }
        // Without overwrite, a file that appeared meanwhile under the name is not replaced either.
        const int err = file_.Commit((mode_ & AM_FILE_OVERWRITE) ? rtl::Replace::Allowed : rtl::Replace::Never);
        hr = err == 0 ? S_OK : FileErrorCode(err);
    }
    // Whoever waits for the run's end learns that the file was not kept after all.
    if (FAILED(hr))
        NotifyEvent(EC_ERRORABORT, hr);
    return hr;
}

} // namespace ds
