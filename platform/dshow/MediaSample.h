#pragma once
// A media sample and the allocator that lends them.
//
// An output pin takes a sample from its allocator (GetDeliveryBuffer), fills it and delivers it;
// the sample goes back to the allocator's pool when the last SamplePtr to it is dropped, so a
// filter that queues samples holds pool buffers and naturally slows a producer that runs ahead.
// GetBuffer blocks while every buffer is out, and fails at once after Decommit (graph stop).
// A sample is made the first time the pool has none free, with room for its SamplePtr's control
// block, and both come back to the pool together: lending one again allocates nothing, and a graph
// that pauses on its first samples (the probe) makes one buffer, not the whole count.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/dshow/MediaType.h"
#include "platform/dshow/Result.h"

namespace ds {

class MediaSample {
public:
    // A buffer of `size` bytes; when that much memory cannot be had the sample has size 0.
    explicit MediaSample(int32_t size = 0);

    uint8_t* GetPointer() { return buffer_.get(); }
    const uint8_t* GetPointer() const { return buffer_.get(); }
    int32_t GetSize() const { return size_; }
    int32_t GetActualDataLength() const { return actual_; }
    HRESULT SetActualDataLength(int32_t length); // E_INVALIDARG past the buffer's size

    // Start/stop times: S_OK with both, VFW_S_NO_STOP_TIME with only the start, else VFW_E_SAMPLE_TIME_NOT_SET.
    HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) const;
    HRESULT SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop); // null start clears both
    void SetTime(REFERENCE_TIME start, REFERENCE_TIME stop) { SetTime(&start, &stop); }
    bool HasTime() const { return hasStart_; }
    REFERENCE_TIME StartTime() const { return start_; }
    REFERENCE_TIME StopTime() const { return stop_; }

    HRESULT GetMediaTime(int64_t* start, int64_t* end) const; // VFW_E_MEDIA_TIME_NOT_SET as E_FAIL-like when unset
    HRESULT SetMediaTime(const int64_t* start, const int64_t* end);
    bool HasMediaTime() const { return hasMediaTime_; }

    bool IsSyncPoint() const { return sync_; }
    void SetSyncPoint(bool v) { sync_ = v; }
    bool IsPreroll() const { return preroll_; }
    void SetPreroll(bool v) { preroll_ = v; }
    bool IsDiscontinuity() const { return discontinuity_; }
    void SetDiscontinuity(bool v) { discontinuity_ = v; }

    // A type change travelling with the sample (null when none).
    const MediaType* GetMediaType() const { return mediaType_.get(); }
    void SetMediaType(const MediaType* mt);

    // Copies times, media times, flags and type (not the data) from another sample.
    void CopyPropertiesFrom(const MediaSample& other);
    // Clears times, flags and type; the allocator does this before lending a sample again.
    void ResetProperties();

private:
    std::unique_ptr<uint8_t[]> buffer_; // not zeroed: a producer fills what it delivers
    int32_t size_ = 0;
    int32_t actual_ = 0;
    bool hasStart_ = false, hasStop_ = false;
    REFERENCE_TIME start_ = 0, stop_ = 0;
    bool hasMediaTime_ = false;
    int64_t mediaStart_ = 0, mediaStop_ = 0;
    bool sync_ = false, preroll_ = false, discontinuity_ = false;
    std::unique_ptr<MediaType> mediaType_;
};

using SamplePtr = std::shared_ptr<MediaSample>;

struct AllocatorProperties {
    int32_t cBuffers = 0;
    int32_t cbBuffer = 0;
    int32_t cbAlign = 1;
    int32_t cbPrefix = 0;
};

class MemAllocator : public std::enable_shared_from_this<MemAllocator> {
public:
    MemAllocator();
    MemAllocator(const MemAllocator&) = delete;
    MemAllocator& operator=(const MemAllocator&) = delete;
    ~MemAllocator();

    // Asks for a count and size; `actual` says what was granted (at least one buffer of at least one
    // byte). VFW_E_ALREADY_COMMITTED-like failure (E_UNEXPECTED) while buffers are out.
    HRESULT SetProperties(const AllocatorProperties& request, AllocatorProperties& actual);
    HRESULT GetProperties(AllocatorProperties& props) const;
    // The body of a pin's DecideBufferSize: raises `request` to at least `count` buffers of `size`
    // bytes and asks for it.
    HRESULT Require(AllocatorProperties& request, int32_t count, int32_t size);

    HRESULT Commit();   // makes the first buffer (E_OUTOFMEMORY when it cannot be had)
    HRESULT Decommit(); // wakes and fails every waiting GetBuffer; buffers out stay valid until dropped

    // Lends a sample with cleared properties and the full buffer size as its actual length.
    // Blocks while every buffer is out unless `wait` is false (then S_FALSE and a null sample);
    // E_OUTOFMEMORY when a buffer not made yet cannot be had.
    HRESULT GetBuffer(SamplePtr& out, bool wait = true);

    int32_t FreeCount() const; // buffers not lent, made or not
    int32_t MadeCount() const; // buffers made and kept, lent or not; for tests
    bool IsCommitted() const;

private:
    struct Slot;
    template <class T> struct SlotAllocator;
    void Return(Slot* slot);
    bool MakeSlot(); // one more free buffer of the current size; under the lock

    mutable std::mutex lock_; // guards everything below
    std::condition_variable freed_;
    AllocatorProperties props_;
    bool committed_ = false;
    int32_t outstanding_ = 0;
    std::vector<std::unique_ptr<Slot>> free_; // a lent slot is owned by its SamplePtr until it returns
};

using AllocatorPtr = std::shared_ptr<MemAllocator>;

} // namespace ds
