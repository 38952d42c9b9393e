#include "media/dv_DVHeader.h"

#include <cstring>
#include <limits>

#include "formats/dvcodes.h"

namespace media {

using namespace ds;

namespace {

constexpr size_t kSystemByte = 3; // header block: 0xBF 625/50, 0x3F 525/60

const uint8_t* FindVauxSourcePack(const uint8_t* run)
{
    for (int k = formats::kSubcodePackCount; k < formats::kSequencePackCount; ++k)
        if (run[formats::DvPackOffset(k)] == formats::kVauxSourcePackId)
            return run + formats::DvPackOffset(k);
    return nullptr;
}

bool SameStandard(const uint8_t* frame, int sequences, const SavedHeaders& saved)
{
    if (saved.Sequences != sequences || frame[kSystemByte] != saved.Runs[0][kSystemByte])
        return false;
    const uint8_t* mine = FindVauxSourcePack(frame);
    const uint8_t* theirs = FindVauxSourcePack(saved.Runs[0].data());
    if (mine == nullptr || theirs == nullptr)
        return mine == theirs;
    return std::memcmp(mine, theirs, formats::kPackSize) == 0;
}

// The saved sequence for new sequence i: the same place in the same half of the frame.
int SavedSequenceFor(int i, int sequences, int savedSequences)
{
    const int half = sequences / 2, savedHalf = savedSequences / 2;
    const bool second = i >= half;
    const int place = std::min(second ? i - half : i, savedHalf - 1);
    return (second ? savedHalf : 0) + place;
}

} // namespace

void RestoreHeaders(uint8_t* frame, int sequences, const SavedHeaders& saved)
{
    if (saved.Sequences < 2 || saved.Sequences > kMaxDifSequences)
        return;
    if (SameStandard(frame, sequences, saved)) {
        for (int i = 0; i < sequences; ++i)
            std::memcpy(frame + i * formats::kDifSequenceSize, saved.Runs[static_cast<size_t>(i)].data(),
                        kSavedRunSize);
        return;
    }
    for (int i = 0; i < sequences; ++i) {
        uint8_t* seq = frame + i * formats::kDifSequenceSize;
        const uint8_t* run = saved.Runs[static_cast<size_t>(SavedSequenceFor(i, sequences, saved.Sequences))].data();
        for (int k = 0; k < formats::kSequencePackCount; ++k) {
            const size_t at = formats::DvPackOffset(k);
            const bool vaux = k >= formats::kSubcodePackCount;
            // The new frame's VAUX source pack says its own standard; keep it, and its place.
            if (vaux && (seq[at] == formats::kVauxSourcePackId || run[at] == formats::kVauxSourcePackId))
                continue;
            std::memcpy(seq + at, run + at, formats::kPackSize);
        }
    }
}

int ShiftRecDates(uint8_t* frame, size_t size, int sequences, double days)
{
    int changed = 0;
    for (int i = 0; i < sequences; ++i) {
        formats::ForEachRecDatePair(frame, size, i, [&](uint8_t* datePack, uint8_t* timePack) {
            const formats::RecDateTime dt = formats::DecodeRecDatePacks(datePack, timePack);
            rtl::TDateTime date = 0;
            if (!rtl::TryEncodeDateTime(dt.Year, dt.Month, dt.Day, dt.Hour, dt.Minute, dt.Second, 0, date))
                return;
            int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
            try {
                rtl::DecodeDateTime(date + days, y, mo, d, h, mi, s, ms);
            } catch (const rtl::EConvertError&) {
                return; // shifted out of the calendar: the pair keeps its date
            }
            formats::RecDateTime shifted;
            shifted.Year = y;
            shifted.Month = static_cast<uint8_t>(mo);
            shifted.Day = static_cast<uint8_t>(d);
            shifted.Hour = static_cast<uint8_t>(h);
            shifted.Minute = static_cast<uint8_t>(mi);
            shifted.Second = static_cast<uint8_t>(s);
            formats::EncodeRecDatePacks(datePack, timePack, shifted);
            ++changed;
        });
    }
    return changed;
}

Tdv_DVheader::Tdv_DVheader(Tdv_sceneDetect* detector) : TBCTransInPlaceFilter(kFilterName), detector_(detector)
{
}

void Tdv_DVheader::SetCopyHeaders(bool on)
{
    copyHeaders_.store(on);
}

void Tdv_DVheader::SetOffset(double days)
{
    offset_.store(days);
}

HRESULT Tdv_DVheader::CheckInputType(const MediaType& mt)
{
    if (mt.majortype == MEDIATYPE_Interleaved)
        return S_OK;
    if (mt.majortype == MEDIATYPE_Video && mt.subtype == MEDIASUBTYPE_dvsd)
        return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT Tdv_DVheader::Transform(MediaSample& sample)
{
    const size_t size = static_cast<size_t>(sample.GetActualDataLength());
    int sequences = 0;
    if (size == formats::kNtscFrameSize)
        sequences = 10;
    else if (size == formats::kPalFrameSize)
        sequences = 12;
    else
        return S_FALSE;
    uint8_t* frame = sample.GetPointer();
    if (copyHeaders_.load()) {
        // A sample without a time is the newest frame's.
        const REFERENCE_TIME start = sample.HasTime() ? sample.StartTime() : std::numeric_limits<REFERENCE_TIME>::max();
        formats::DVFrameInfo record;
        SavedHeaders saved;
        if (detector_ != nullptr && detector_->FindFrame(start, record, &saved))
            RestoreHeaders(frame, sequences, saved);
        else
            ++unmatched_;
    }
    const double offset = offset_.load();
    if (offset != 0.0)
        ShiftRecDates(frame, size, sequences, offset);
    return S_OK;
}

} // namespace media
