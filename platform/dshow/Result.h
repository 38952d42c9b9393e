#pragma once
// Result codes of the filter-graph layer, with the values and names the media framework uses,
// so filters read like their designs: `return VFW_E_TYPE_NOT_ACCEPTED;`, `if (FAILED(hr)) ...`.
#include <cerrno>
#include <cstdint>

namespace ds {

using HRESULT = int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT STG_E_WRITEFAULT = static_cast<HRESULT>(0x8003001Du);

// A system error code as a failure code, as the Windows macro makes it.
constexpr uint32_t ERROR_PATH_NOT_FOUND = 3;
constexpr uint32_t ERROR_ACCESS_DENIED = 5;
constexpr uint32_t ERROR_FILE_EXISTS = 80;
constexpr uint32_t ERROR_DISK_FULL = 112;
constexpr uint32_t ERROR_FILE_TOO_LARGE = 223;
constexpr HRESULT HRESULT_FROM_WIN32(uint32_t error)
{
    return error == 0 ? 0 : static_cast<HRESULT>((error & 0xFFFFu) | 0x80070000u);
}
static_assert(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED) == E_ACCESSDENIED);

// A system error number (errno) as a failure code of its own (a customer code), so that the
// reason reaches the user's message; ErrnoOf gives the number back, 0 for any other code.
constexpr uint32_t kErrnoFacilityBits = 0xA0EE0000u;
constexpr HRESULT HRESULT_FROM_ERRNO(int error)
{
    return error == 0 ? 0 : static_cast<HRESULT>((static_cast<uint32_t>(error) & 0xFFFFu) | kErrnoFacilityBits);
}
constexpr int ErrnoOf(HRESULT hr)
{
    return (static_cast<uint32_t>(hr) & 0xFFFF0000u) == kErrnoFacilityBits ? static_cast<int>(hr & 0xFFFF) : 0;
}

// The failure code of a file that could not be made or written: the causes a user can act on
// keep the codes the media framework gives them; any other keeps its system error number.
constexpr HRESULT FileErrorCode(int error)
{
    switch (error) {
    case 0: return S_OK;
    case EEXIST: return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
    case ENOENT:
    case ENOTDIR: return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case EACCES:
    case EPERM:
    case EROFS: return E_ACCESSDENIED;
    case ENOSPC:
    case EDQUOT: return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    default: return HRESULT_FROM_ERRNO(error);
    }
}

constexpr HRESULT VFW_S_NO_MORE_ITEMS = 0x00040103;
constexpr HRESULT VFW_S_PARTIAL_RENDER = 0x00040242;
constexpr HRESULT VFW_S_STATE_INTERMEDIATE = 0x00040237;
constexpr HRESULT VFW_S_NO_STOP_TIME = 0x00040270;
constexpr HRESULT VFW_S_DUPLICATE_NAME_ADJUSTED = 0x0004022D;
constexpr HRESULT VFW_E_INVALIDMEDIATYPE = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT VFW_E_NEED_OWNER = static_cast<HRESULT>(0x80040202u);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = static_cast<HRESULT>(0x80040204u);
constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = static_cast<HRESULT>(0x80040207u);
constexpr HRESULT VFW_E_INVALID_DIRECTION = static_cast<HRESULT>(0x80040208u);
constexpr HRESULT VFW_E_NOT_CONNECTED = static_cast<HRESULT>(0x80040209u);
constexpr HRESULT VFW_E_NO_ALLOCATOR = static_cast<HRESULT>(0x8004020Au);
constexpr HRESULT VFW_E_NOT_COMMITTED = static_cast<HRESULT>(0x80040211u);
constexpr HRESULT VFW_E_SIZENOTSET = static_cast<HRESULT>(0x80040212u);
constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216u);
constexpr HRESULT VFW_E_CANNOT_CONNECT = static_cast<HRESULT>(0x80040217u);
constexpr HRESULT VFW_E_CANNOT_RENDER = static_cast<HRESULT>(0x80040218u);
constexpr HRESULT VFW_E_NOT_STOPPED = static_cast<HRESULT>(0x80040224u);
constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227u);
constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = static_cast<HRESULT>(0x8004022Au);
constexpr HRESULT VFW_E_SAMPLE_REJECTED = static_cast<HRESULT>(0x8004022Bu);
constexpr HRESULT VFW_E_SAMPLE_TIME_NOT_SET = static_cast<HRESULT>(0x80040249u);
constexpr HRESULT VFW_E_NO_CLOCK = static_cast<HRESULT>(0x80040213u);
constexpr HRESULT VFW_E_TIME_NOT_SET = static_cast<HRESULT>(0x80040248u);
constexpr HRESULT VFW_E_NOT_IN_GRAPH = static_cast<HRESULT>(0x8004025Fu);
constexpr HRESULT VFW_E_DUPLICATE_NAME = static_cast<HRESULT>(0x8004025Au);
constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = static_cast<HRESULT>(0x80040265u);

constexpr bool SUCCEEDED(HRESULT hr)
{
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr)
{
    return hr < 0;
}

// 100-nanosecond units, as media times are counted.
using REFERENCE_TIME = int64_t;
constexpr REFERENCE_TIME UNITS = 10000000;

} // namespace ds
