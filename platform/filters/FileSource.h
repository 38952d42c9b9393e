#pragma once
// "File Source (Async.)": offers a file's bytes for random access (AsyncReader) on its one
// output pin, to a splitter that pulls what it needs. Pins: [Output].
// Load opens the file at once (a missing or unreadable file fails there); the file stays open
// while the filter is in a graph and closes when the filter leaves it.
#include <mutex>
#include <string>

#include "platform/dshow/AsyncReader.h"
#include "platform/dshow/BaseFilter.h"

namespace ds {

class FilterRegistry;

// The file-source interface (IFileSourceFilter).
class FileSourceFilter {
public:
    virtual ~FileSourceFilter() = default;
    virtual HRESULT Load(const std::string& fileName, const MediaType* mt) = 0;
    virtual HRESULT GetCurFile(std::string& fileName, MediaType* mt) const = 0;
};

class FileSource;

class FileSourceOutputPin : public OutputPin, public AsyncReader {
public:
    explicit FileSourceOutputPin(FileSource& source);
    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT GetMediaType(int position, MediaType& mt) override;
    HRESULT DecideAllocator(InputPin& input) override; // the reader lends no samples
    HRESULT Length(int64_t& total, int64_t& available) override;
    HRESULT SyncRead(int64_t position, uint32_t size, uint8_t* buffer, uint32_t* read) override;

private:
    FileSource& source_;
};

class FileSource : public BaseFilter, public FileSourceFilter {
public:
    static constexpr const char* kFriendlyName = "File Source (Async.)";
    FileSource();
    ~FileSource() override;

    int GetPinCount() override { return 1; }
    Pin* GetPin(int index) override;
    HRESULT Load(const std::string& fileName, const MediaType* mt) override;
    HRESULT GetCurFile(std::string& fileName, MediaType* mt) const override;
    HRESULT JoinFilterGraph(FilterGraph* graph, const std::string& name) override;
    bool IsOpen() const;

    // Called by the pin: any thread.
    HRESULT Length(int64_t& total) const;
    HRESULT ReadAt(int64_t position, uint32_t size, uint8_t* buffer, uint32_t* read) const;
    MediaType StreamType() const;

private:
    void Close();

    FileSourceOutputPin output_;
    mutable std::mutex lock_; // guards the fields below; reads use pread and need it only to see fd_
    std::string fileName_;
    int fd_ = -1;
    int64_t size_ = 0;
};

void RegisterFileSourceFilter(FilterRegistry& registry);

} // namespace ds
