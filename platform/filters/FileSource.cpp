#include "platform/filters/FileSource.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/dshow/FilterRegistry.h"

namespace ds {

FileSourceOutputPin::FileSourceOutputPin(FileSource& source) : OutputPin(source, "Output"), source_(source)
{
}

HRESULT FileSourceOutputPin::CheckMediaType(const MediaType& mt)
{
    return mt.majortype == MEDIATYPE_Stream && source_.IsOpen() ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT FileSourceOutputPin::GetMediaType(int position, MediaType& mt)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0 || !source_.IsOpen())
        return VFW_S_NO_MORE_ITEMS;
    mt = source_.StreamType();
    return S_OK;
}

HRESULT FileSourceOutputPin::DecideAllocator(InputPin&)
{
    return S_OK;
}

HRESULT FileSourceOutputPin::Length(int64_t& total, int64_t& available)
{
    HRESULT hr = source_.Length(total);
    available = total;
    return hr;
}

HRESULT FileSourceOutputPin::SyncRead(int64_t position, uint32_t size, uint8_t* buffer, uint32_t* read)
{
    return source_.ReadAt(position, size, buffer, read);
}

FileSource::FileSource() : BaseFilter(kFriendlyName), output_(*this)
{
}

FileSource::~FileSource()
{
    output_.Disconnect();
    Close();
}

Pin* FileSource::GetPin(int index)
{
    return index == 0 ? &output_ : nullptr;
}

HRESULT FileSource::Load(const std::string& fileName, const MediaType*)
{
    if (State() != FilterState::Stopped)
        return VFW_E_NOT_STOPPED;
    if (output_.IsConnected())
        return VFW_E_ALREADY_CONNECTED;
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? static_cast<HRESULT>(0x80070002u) : E_FAIL; // file not found / other
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return E_FAIL;
    }
    std::lock_guard<std::mutex> guard(lock_);
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
    size_ = st.st_size;
    fileName_ = fileName;
    return S_OK;
}

HRESULT FileSource::GetCurFile(std::string& fileName, MediaType* mt) const
{
    std::lock_guard<std::mutex> guard(lock_);
    fileName = fileName_;
    if (mt)
        *mt = MediaType(MEDIATYPE_Stream, MEDIASUBTYPE_Avi, FORMAT_None);
    return fileName_.empty() ? E_FAIL : S_OK;
}

HRESULT FileSource::JoinFilterGraph(FilterGraph* graph, const std::string& name)
{
    // Leaving the graph lets go of the file.
    if (!graph)
        Close();
    return BaseFilter::JoinFilterGraph(graph, name);
}

bool FileSource::IsOpen() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return fd_ >= 0;
}

void FileSource::Close()
{
    std::lock_guard<std::mutex> guard(lock_);
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = 0;
}

HRESULT FileSource::Length(int64_t& total) const
{
    std::lock_guard<std::mutex> guard(lock_);
    total = size_;
    return fd_ >= 0 ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT FileSource::ReadAt(int64_t position, uint32_t size, uint8_t* buffer, uint32_t* read) const
{
    int fd;
    {
        std::lock_guard<std::mutex> guard(lock_);
        fd = fd_;
    }
    if (read)
        *read = 0;
    if (fd < 0)
        return VFW_E_NOT_CONNECTED;
    if (position < 0)
        return E_INVALIDARG;
    uint32_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, buffer + done, size - done, position + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return E_FAIL;
        if (n == 0)
            break;
        done += static_cast<uint32_t>(n);
    }
    if (read)
        *read = done;
    return done == size ? S_OK : S_FALSE;
}

MediaType FileSource::StreamType() const
{
    return MediaType(MEDIATYPE_Stream, MEDIASUBTYPE_Avi, FORMAT_None);
}

void RegisterFileSourceFilter(FilterRegistry& registry)
{
    registry.Register(FilterEntry{FileSource::kFriendlyName, CLSID_LegacyAmFilterCategory,
                                  Guid{0xE436EBB5, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}},
                                  MERIT_DO_NOT_USE, [] { return std::make_shared<FileSource>(); }, nullptr});
}

} // namespace ds
