#include "platform/dshow/MediaSample.h"

#include <algorithm>
#include <cstddef>
#include <new>

namespace ds {

// A pooled sample and the storage its SamplePtr's control block is made in, so that lending a
// sample allocates nothing.
struct MemAllocator::Slot {
    static constexpr size_t kBlockSize = 128; // libstdc++ needs about 48 bytes
    explicit Slot(int32_t size) : sample(size) {}
    MediaSample sample;
    alignas(std::max_align_t) unsigned char block[kBlockSize];
};

// The control block's allocator: it hands out the slot's storage and, when the last reference to
// the sample is gone and the block is freed, gives the slot back to the pool.
template <class T> struct MemAllocator::SlotAllocator {
    using value_type = T;
    std::shared_ptr<MemAllocator> owner; // keeps the pool alive while the sample is out
    Slot* slot;

    SlotAllocator(std::shared_ptr<MemAllocator> o, Slot* s) : owner(std::move(o)), slot(s) {}
    template <class U> SlotAllocator(const SlotAllocator<U>& o) : owner(o.owner), slot(o.slot) {}

    T* allocate(size_t n)
    {
        if (n * sizeof(T) <= Slot::kBlockSize && alignof(T) <= alignof(std::max_align_t))
            return reinterpret_cast<T*>(slot->block);
        return static_cast<T*>(::operator new(n * sizeof(T)));
    }
    void deallocate(T* p, size_t) noexcept
    {
        if (reinterpret_cast<unsigned char*>(p) != slot->block)
            ::operator delete(p);
        owner->Return(slot);
    }
    template <class U> bool operator==(const SlotAllocator<U>& o) const { return slot == o.slot; }
};

MediaSample::MediaSample(int32_t size)
{
    if (size > 0)
        buffer_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
    size_ = buffer_ ? size : 0;
    actual_ = size_;
}

HRESULT MediaSample::SetActualDataLength(int32_t length)
{
    if (length < 0 || length > GetSize())
        return E_INVALIDARG;
    actual_ = length;
    return S_OK;
}

HRESULT MediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) const
{
    if (!hasStart_)
        return VFW_E_SAMPLE_TIME_NOT_SET;
    if (start)
        *start = start_;
    if (!hasStop_) {
        if (stop)
            *stop = start_ + 1;
        return VFW_S_NO_STOP_TIME;
    }
    if (stop)
        *stop = stop_;
    return S_OK;
}

HRESULT MediaSample::SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop)
{
    hasStart_ = start != nullptr;
    hasStop_ = start != nullptr && stop != nullptr;
    start_ = start ? *start : 0;
    stop_ = hasStop_ ? *stop : 0;
    return S_OK;
}

HRESULT MediaSample::GetMediaTime(int64_t* start, int64_t* end) const
{
    if (!hasMediaTime_)
        return VFW_E_TIME_NOT_SET;
    if (start)
        *start = mediaStart_;
    if (end)
        *end = mediaStop_;
    return S_OK;
}

HRESULT MediaSample::SetMediaTime(const int64_t* start, const int64_t* end)
{
    hasMediaTime_ = start != nullptr && end != nullptr;
    mediaStart_ = hasMediaTime_ ? *start : 0;
    mediaStop_ = hasMediaTime_ ? *end : 0;
    return S_OK;
}

void MediaSample::SetMediaType(const MediaType* mt)
{
    mediaType_ = mt ? std::make_unique<MediaType>(*mt) : nullptr;
}

void MediaSample::CopyPropertiesFrom(const MediaSample& o)
{
    hasStart_ = o.hasStart_;
    hasStop_ = o.hasStop_;
    start_ = o.start_;
    stop_ = o.stop_;
    hasMediaTime_ = o.hasMediaTime_;
    mediaStart_ = o.mediaStart_;
    mediaStop_ = o.mediaStop_;
    sync_ = o.sync_;
    preroll_ = o.preroll_;
    discontinuity_ = o.discontinuity_;
    SetMediaType(o.mediaType_.get());
}

void MediaSample::ResetProperties()
{
    hasStart_ = hasStop_ = hasMediaTime_ = false;
    start_ = stop_ = mediaStart_ = mediaStop_ = 0;
    sync_ = preroll_ = discontinuity_ = false;
    mediaType_.reset();
    actual_ = GetSize();
}

MemAllocator::MemAllocator() = default;
MemAllocator::~MemAllocator() = default;

HRESULT MemAllocator::Require(AllocatorProperties& request, int32_t count, int32_t size)
{
    request.cBuffers = std::max(request.cBuffers, count);
    request.cbBuffer = std::max(request.cbBuffer, size);
    AllocatorProperties actual;
    return SetProperties(request, actual);
}

HRESULT MemAllocator::SetProperties(const AllocatorProperties& request, AllocatorProperties& actual)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (committed_ && outstanding_ > 0)
        return E_UNEXPECTED;
    props_.cBuffers = request.cBuffers > 0 ? request.cBuffers : 1;
    props_.cbBuffer = request.cbBuffer > 0 ? request.cbBuffer : 1;
    props_.cbAlign = request.cbAlign > 0 ? request.cbAlign : 1;
    props_.cbPrefix = request.cbPrefix > 0 ? request.cbPrefix : 0;
    actual = props_;
    free_.clear();
    return S_OK;
}

HRESULT MemAllocator::GetProperties(AllocatorProperties& props) const
{
    std::lock_guard<std::mutex> guard(lock_);
    props = props_;
    return S_OK;
}

bool MemAllocator::MakeSlot()
{
    auto slot = std::make_unique<Slot>(props_.cbBuffer);
    if (slot->sample.GetSize() != props_.cbBuffer) // an absurd size from a damaged file
        return false;
    free_.reserve(static_cast<size_t>(props_.cBuffers));
    free_.push_back(std::move(slot));
    return true;
}

HRESULT MemAllocator::Commit()
{
    std::lock_guard<std::mutex> guard(lock_);
    if (props_.cbBuffer <= 0)
        return VFW_E_SIZENOTSET;
    // Buffers are kept across commits; a sample still out after a decommit is counted in
    // `outstanding_` and comes back to the pool when dropped. The first is made here, so a size
    // that cannot be had fails the commit, the others when the pool first runs out.
    if (free_.empty() && outstanding_ == 0 && !MakeSlot()) {
        committed_ = false;
        return E_OUTOFMEMORY;
    }
    committed_ = true;
    return S_OK;
}

HRESULT MemAllocator::Decommit()
{
    std::lock_guard<std::mutex> guard(lock_);
    committed_ = false;
    freed_.notify_all();
    return S_OK;
}

HRESULT MemAllocator::GetBuffer(SamplePtr& out, bool wait)
{
    out.reset();
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        if (!committed_)
            return VFW_E_NOT_COMMITTED;
        if (free_.empty() && outstanding_ < props_.cBuffers && !MakeSlot())
            return E_OUTOFMEMORY;
        if (!free_.empty())
            break;
        if (!wait)
            return S_FALSE;
        freed_.wait(guard);
    }
    Slot* slot = free_.back().release();
    free_.pop_back();
    ++outstanding_;
    guard.unlock();
    slot->sample.ResetProperties();
    // The slot goes back when the control block made in it is freed; the deleter has nothing to do.
    out = SamplePtr(
        &slot->sample, [](MediaSample*) {}, SlotAllocator<MediaSample>(shared_from_this(), slot));
    return S_OK;
}

void MemAllocator::Return(Slot* slot)
{
    std::lock_guard<std::mutex> guard(lock_);
    --outstanding_;
    if (slot->sample.GetSize() != props_.cbBuffer ||
        static_cast<int32_t>(free_.size()) + outstanding_ >= props_.cBuffers) {
        delete slot; // the properties changed while it was out
    } else {
        free_.emplace_back(slot); // room reserved when it was made
    }
    freed_.notify_one();
}

int32_t MemAllocator::FreeCount() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return std::max(props_.cBuffers - outstanding_, static_cast<int32_t>(free_.size()));
}

int32_t MemAllocator::MadeCount() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<int32_t>(free_.size()) + outstanding_;
}

bool MemAllocator::IsCommitted() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return committed_;
}

} // namespace ds
