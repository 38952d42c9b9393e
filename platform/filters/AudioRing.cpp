#include "platform/filters/AudioRing.h"

#include <algorithm>
#include <cstring>

namespace ds {

namespace {

// Rounded-down a * b / c for non-negative values, without overflow in the ranges of media times.
int64_t MulDiv(int64_t a, int64_t b, int64_t c)
{
    return static_cast<int64_t>(static_cast<__int128>(a) * b / c);
}

} // namespace

void AudioRing::Reset(size_t capacity, uint32_t bytesPerSecond, uint32_t blockAlign)
{
    blockAlign_ = std::max<uint32_t>(blockAlign, 1);
    bytesPerSecond_ = std::max<uint32_t>(bytesPerSecond, 1);
    capacity = std::max<size_t>(capacity / blockAlign_ * blockAlign_, blockAlign_);
    data_.assign(capacity, 0);
    Clear();
}

void AudioRing::Clear()
{
    head_ = 0;
    size_ = 0;
    readTotal_ = 0;
    marks_.clear();
}

void AudioRing::Mark(REFERENCE_TIME time)
{
    const int64_t at = WriteTotal();
    if (!marks_.empty() && marks_.back().offset == at)
        marks_.back().time = time;
    else
        marks_.push_back(Mark_{at, time});
}

size_t AudioRing::Write(const uint8_t* data, size_t size)
{
    const size_t n = std::min(size, Free());
    size_t tail = (head_ + size_) % data_.size();
    const size_t first = std::min(n, data_.size() - tail);
    std::memcpy(data_.data() + tail, data, first);
    std::memcpy(data_.data(), data + first, n - first);
    size_ += n;
    return n;
}

size_t AudioRing::Read(uint8_t* dest, size_t max)
{
    const size_t n = std::min(max, size_);
    if (dest) {
        const size_t first = std::min(n, data_.size() - head_);
        std::memcpy(dest, data_.data() + head_, first);
        std::memcpy(dest + first, data_.data(), n - first);
    }
    head_ = (head_ + n) % data_.size();
    size_ -= n;
    readTotal_ += static_cast<int64_t>(n);
    return n;
}

REFERENCE_TIME AudioRing::TimeAt(int64_t offset) const
{
    // The last mark at or before the offset.
    auto it =
        std::upper_bound(marks_.begin(), marks_.end(), offset, [](int64_t o, const Mark_& m) { return o < m.offset; });
    const Mark_ base = it == marks_.begin() ? Mark_{0, 0} : *(it - 1);
    return base.time + MulDiv(offset - base.offset, 10000000, bytesPerSecond_);
}

size_t AudioRing::BytesBefore(REFERENCE_TIME time) const
{
    // Walk the runs between marks from the read position: a run's bytes are due while their time is.
    int64_t at = readTotal_;
    const int64_t end = WriteTotal();
    while (at < end) {
        auto it =
            std::upper_bound(marks_.begin(), marks_.end(), at, [](int64_t o, const Mark_& m) { return o < m.offset; });
        const int64_t runEnd = it == marks_.end() ? end : std::min(end, it->offset);
        const Mark_ base = it == marks_.begin() ? Mark_{0, 0} : *(it - 1);
        if (time <= base.time)
            break;
        const int64_t dueEnd = base.offset + MulDiv(time - base.time, bytesPerSecond_, 10000000);
        if (dueEnd < runEnd) {
            at = std::max(at, dueEnd);
            break;
        }
        at = runEnd;
    }
    const int64_t due = at - readTotal_;
    return static_cast<size_t>(due - due % blockAlign_);
}

void AudioRing::DropMarksBefore(int64_t offset)
{
    while (marks_.size() > 1 && marks_[1].offset <= offset)
        marks_.pop_front();
}

} // namespace ds
