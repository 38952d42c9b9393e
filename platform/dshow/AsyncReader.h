#pragma once
// Random access to a source's bytes (IAsyncReader), offered by the output pin of a pull source
// ("File Source (Async.)") to the splitter connected to it: find it with
// QueryPin<AsyncReader>(inputPin->ConnectedTo()) in the splitter's CompleteConnect.
#include <cstdint>

#include "platform/dshow/Result.h"

namespace ds {

class AsyncReader {
public:
    virtual ~AsyncReader() = default;
    // Total length and the length available now (equal for a file).
    virtual HRESULT Length(int64_t& total, int64_t& available) = 0;
    // Reads exactly `size` bytes at `position`: S_OK; S_FALSE when the end came first (`*read` says
    // how many); a failure code on a read error. Safe to call from several threads at once.
    virtual HRESULT SyncRead(int64_t position, uint32_t size, uint8_t* buffer, uint32_t* read) = 0;
};

} // namespace ds
