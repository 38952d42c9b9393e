#pragma once
// The audio renderer's ring: a bounded byte queue of PCM with the stream time of its bytes.
// A mark says at which time the byte written next starts (each sample's start time); a byte's
// time runs on from the mark before it at the stream's byte rate. Byte offsets count from the
// last Reset or Clear. Not thread-safe: the renderer's lock guards it.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "platform/dshow/Result.h"

namespace ds {

class AudioRing {
public:
    void Reset(size_t capacity, uint32_t bytesPerSecond, uint32_t blockAlign);
    void Clear(); // empty, offsets from zero again

    size_t Capacity() const { return data_.size(); }
    size_t Size() const { return size_; }
    size_t Free() const { return data_.size() - size_; }
    int64_t ReadTotal() const { return readTotal_; }
    int64_t WriteTotal() const { return readTotal_ + static_cast<int64_t>(size_); }

    void Mark(REFERENCE_TIME time);                 // the next byte written starts at `time`
    size_t Write(const uint8_t* data, size_t size); // what fits
    size_t Read(uint8_t* dest, size_t max);         // oldest first; null `dest` discards
    // Stream time of byte `offset` (0 before any mark).
    REFERENCE_TIME TimeAt(int64_t offset) const;
    // Queued bytes, in whole blocks, whose time is before `time`.
    size_t BytesBefore(REFERENCE_TIME time) const;
    // Marks no byte at or after `offset` needs any more.
    void DropMarksBefore(int64_t offset);

private:
    struct Mark_ {
        int64_t offset;
        REFERENCE_TIME time;
    };
    std::vector<uint8_t> data_;
    size_t head_ = 0; // index of the oldest byte
    size_t size_ = 0;
    int64_t readTotal_ = 0;
    uint32_t bytesPerSecond_ = 1;
    uint32_t blockAlign_ = 1;
    std::deque<Mark_> marks_;
};

} // namespace ds
