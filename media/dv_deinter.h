#pragma once
// Tdv_deinter: the in-place filter that removes combing from decoded pictures between the DV
// decoder and the DV encoder of a change of standard. Pins [In, Out]; takes 24-bit RGB video
// with a VideoInfo block (Rgb24Picture) and runs DeinterlaceBitmap on each picture's rows, from
// the top in either row order. No settings; everything runs on the streaming thread.
#include <vector>

#include "media/Rgb24Picture.h"
#include "platform/dshow/TransInPlaceFilter.h"

namespace media {

class Tdv_deinter : public ds::TBCTransInPlaceFilter {
public:
    static constexpr const char* kFilterName = "Ivor Varnet dv_deinter";

    Tdv_deinter();

    ds::HRESULT CheckInputType(const ds::MediaType& mt) override;
    ds::HRESULT StartStreaming() override;
    // A sample shorter than the picture fails (E_FAIL) and is left as it came.
    ds::HRESULT Transform(ds::MediaSample& sample) override;

private:
    Rgb24Picture picture_;         // of the input connection, taken at the start of streaming
    std::vector<uint8_t> scratch_; // one row of marks, kept from run to run
};

} // namespace media
