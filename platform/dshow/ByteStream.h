#pragma once
// The byte-stream service of the File writer's input pin (the COM IStream's Seek and Write):
// a filter upstream of the writer finds it with QueryPin<ByteStream>(outputPin->ConnectedTo())
// and writes headers and indexes at chosen offsets, typically when streaming stops.
#include <cstdint>

#include "platform/dshow/Result.h"

namespace ds {

enum class SeekOrigin { Set, Current, End };

class ByteStream {
public:
    virtual ~ByteStream() = default;
    virtual HRESULT Seek(int64_t offset, SeekOrigin origin, int64_t* newPosition) = 0;
    // Writes at the current position and moves it on; `written` may be null.
    virtual HRESULT Write(const void* data, uint32_t size, uint32_t* written) = 0;
    // Reads back what was written (a muxer patching sizes may need it); `read` may be null.
    virtual HRESULT Read(void* data, uint32_t size, uint32_t* read) = 0;
};

} // namespace ds
