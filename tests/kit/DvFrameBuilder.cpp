#include "tests/kit/DvFrameBuilder.h"

#include <cstring>

#include "formats/dvcodes.h"

namespace testkit {

namespace {

constexpr size_t kBlockSize = 80;
constexpr int kBlocksPerSequence = 150;
constexpr int kAudioBlocks = 9;

// Section types of the DIF block IDs (bits 5-7 of the first ID byte).
enum Section : uint8_t { Header = 0, Subcode = 1, Vaux = 2, Audio = 3, Video = 4 };

void WriteBlockId(uint8_t* block, Section section, int sequence, int number)
{
    block[0] = static_cast<uint8_t>((section << 5) | 0x1F);  // reserved bit and arbitrary bits set
    block[1] = static_cast<uint8_t>((sequence << 4) | 0x07); // FSC 0, reserved bits set
    block[2] = static_cast<uint8_t>(number);
}

uint8_t Bcd(int value)
{
    return static_cast<uint8_t>(((value / 10) % 10) << 4 | (value % 10));
}

void WritePack(uint8_t* pack, uint8_t id, uint8_t pc1, uint8_t pc2, uint8_t pc3, uint8_t pc4)
{
    pack[0] = id;
    pack[1] = pc1;
    pack[2] = pc2;
    pack[3] = pc3;
    pack[4] = pc4;
}

void WriteNoInfoPack(uint8_t* pack)
{
    std::memset(pack, 0xFF, 5);
}

uint8_t RateCode(int rate)
{
    switch (rate) {
    case 48000: return 0;
    case 44100: return 1;
    case 32000: return 2;
    default: return 7;
    }
}

uint8_t BitsCode(int bits)
{
    switch (bits) {
    case 16: return 0;
    case 12: return 1;
    case 20: return 2;
    default: return 7;
    }
}

int SequenceCount(Standard standard)
{
    return static_cast<int>(DvFrameBuilder::FrameSize(standard) / formats::kDifSequenceSize);
}

} // namespace

DvFrameBuilder::DvFrameBuilder(Standard standard) : standard_(standard)
{
}

size_t DvFrameBuilder::FrameSize(Standard standard)
{
    return standard == Standard::Pal ? formats::kPalFrameSize : formats::kNtscFrameSize;
}

DvFrameBuilder& DvFrameBuilder::recDate(int year, int month, int day, int hour, int minute, int second)
{
    hasDate_ = true;
    year_ = year;
    month_ = month;
    day_ = day;
    hour_ = hour;
    minute_ = minute;
    second_ = second;
    return *this;
}

DvFrameBuilder& DvFrameBuilder::noRecDate()
{
    hasDate_ = false;
    return *this;
}

DvFrameBuilder& DvFrameBuilder::recDateThroughEncoder(bool on)
{
    dateThroughEncoder_ = on;
    return *this;
}

DvFrameBuilder& DvFrameBuilder::timecode(int hours, int minutes, int seconds, int frames)
{
    hasTimecode_ = true;
    tcHours_ = hours;
    tcMinutes_ = minutes;
    tcSeconds_ = seconds;
    tcFrames_ = frames;
    return *this;
}

DvFrameBuilder& DvFrameBuilder::noTimecode()
{
    hasTimecode_ = false;
    return *this;
}

DvFrameBuilder& DvFrameBuilder::wide(bool on)
{
    display_ = on ? 2 : 0;
    return *this;
}

DvFrameBuilder& DvFrameBuilder::displayMode(uint8_t mode)
{
    display_ = mode & 7;
    return *this;
}

DvFrameBuilder& DvFrameBuilder::ap3(uint8_t bits)
{
    ap3_ = bits & 7;
    return *this;
}

DvFrameBuilder& DvFrameBuilder::noSourceControl()
{
    hasSourceControl_ = false;
    return *this;
}

DvFrameBuilder& DvFrameBuilder::audio(int rate, int bits)
{
    hasAudio_ = true;
    smp_ = RateCode(rate);
    quantization_ = BitsCode(bits);
    return *this;
}

DvFrameBuilder& DvFrameBuilder::noAudio()
{
    hasAudio_ = false;
    return *this;
}

DvFrameBuilder& DvFrameBuilder::cameraFlags(bool on)
{
    cameraFlags_ = on;
    return *this;
}

std::vector<uint8_t> DvFrameBuilder::build() const
{
    std::vector<uint8_t> frame(FrameSize(standard_), 0);
    for (int n = 0; n < SequenceCount(standard_); ++n)
        writeSequence(frame.data() + n * formats::kDifSequenceSize, n);
    if (hasDate_ && dateThroughEncoder_) {
        formats::RecDateTime dt;
        dt.Year = year_;
        dt.Month = static_cast<uint8_t>(month_);
        dt.Day = static_cast<uint8_t>(day_);
        dt.Hour = static_cast<uint8_t>(hour_);
        dt.Minute = static_cast<uint8_t>(minute_);
        dt.Second = static_cast<uint8_t>(second_);
        for (int n = 0; n < SequenceCount(standard_); ++n)
            formats::EncodeRecDateTime(frame.data(), frame.size(), dt, n);
    }
    return frame;
}

void DvFrameBuilder::writeSequence(uint8_t* seq, int n) const
{
    // Block order of a sequence: header, 2 subcode, 3 VAUX, then 9 x (1 audio + 15 video).
    uint8_t* header = seq;
    std::memset(header, 0xFF, kBlockSize);
    WriteBlockId(header, Header, n, 0);
    header[3] = standard_ == Standard::Pal ? 0xBF : 0x3F; // DSF bit, reserved bits set
    header[4] = 0xF8;                                     // APT 0
    header[5] = 0x78;                                     // AP1 0, TF1 valid
    header[6] = 0x78;                                     // AP2 0, TF2 valid
    header[7] = static_cast<uint8_t>(0x78 | ap3_);        // AP3, TF3 valid

    for (int i = 0; i < 2; ++i)
        writeSubcode(seq + (1 + i) * kBlockSize, i, n);
    for (int i = 0; i < 3; ++i) {
        uint8_t* block = seq + (3 + i) * kBlockSize;
        WriteBlockId(block, Vaux, n, i);
        writeVaux(block, i);
    }
    int audio = 0;
    int video = 0;
    for (int b = 6; b < kBlocksPerSequence; ++b) {
        uint8_t* block = seq + b * kBlockSize;
        if ((b - 6) % 16 == 0) {
            WriteBlockId(block, Audio, n, audio);
            writeAudioPack(block + 3, audio, n);
            ++audio;
        } else {
            WriteBlockId(block, Video, n, video++);
        }
    }
    static_assert(kAudioBlocks == (kBlocksPerSequence - 6 + 15) / 16);
}

void DvFrameBuilder::writeSubcode(uint8_t* block, int blockIndex, int n) const
{
    std::memset(block, 0xFF, kBlockSize);
    WriteBlockId(block, Subcode, n, blockIndex);
    const bool firstHalf = n < SequenceCount(standard_) / 2;
    for (int j = 0; j < 6; ++j) {
        uint8_t* ssyb = block + 3 + 8 * j;
        ssyb[0] = static_cast<uint8_t>((firstHalf ? 0x80 : 0x00) | 0x0F);
        ssyb[1] = static_cast<uint8_t>(0xF0 | (blockIndex * 6 + j));
        ssyb[2] = 0xFF;
        uint8_t* pack = ssyb + 3;
        // Sync blocks 0-3 carry the time code (3 is the one read), 4 and 5 the recording date.
        if (j <= 3) {
            if (hasTimecode_) {
                const uint8_t f = cameraFlags_ ? 0xC0 : 0x00;  // colour frame, drop frame
                const uint8_t b7 = cameraFlags_ ? 0x80 : 0x00; // bi-phase mark, binary group flags
                const uint8_t b67 = cameraFlags_ ? 0xC0 : 0x00;
                WritePack(pack, 0x13, f | Bcd(tcFrames_), b7 | Bcd(tcSeconds_), b7 | Bcd(tcMinutes_),
                          b67 | Bcd(tcHours_));
            } else {
                WriteNoInfoPack(pack);
            }
        } else if (!hasDate_) {
            WriteNoInfoPack(pack);
        } else if (j == 4) {
            writeRecDatePack(pack);
        } else {
            writeRecTimePack(pack);
        }
    }
}

void DvFrameBuilder::writeVaux(uint8_t* block, int blockIndex) const
{
    // 15 packs per block; the main packs stand at positions 0-3 and 9-12 of each block,
    // so block 2's packs 9-12 are the source, source-control, date and time packs.
    for (int p = 0; p < 15; ++p)
        WriteNoInfoPack(block + 3 + p * 5);
    const bool pal = standard_ == Standard::Pal;
    for (int first : {0, 9}) {
        uint8_t* pack = block + 3 + first * 5;
        WritePack(pack, 0x60, 0xFF, 0xFF, pal ? 0xE0 : 0xC0, 0xFF);
        if (hasSourceControl_) {
            const uint8_t flags = cameraFlags_ ? 0xC8 : 0x00;
            WritePack(pack + 5, 0x61, cameraFlags_ ? 0x3F : 0x00, static_cast<uint8_t>(flags | display_),
                      cameraFlags_ ? 0xFC : 0x00, cameraFlags_ ? 0xFF : 0x00);
        }
        if (hasDate_) {
            // The packs the decoders read are left for the encoder to fill when asked.
            const bool digits = !(dateThroughEncoder_ && blockIndex == 2 && first == 9);
            writeRecDatePack(pack + 10, digits);
            writeRecTimePack(pack + 15, digits);
        }
    }
}

void DvFrameBuilder::writeAudioPack(uint8_t* pack, int audioBlock, int n) const
{
    // Even sequences carry the AAUX main packs in audio blocks 3-6, odd ones in blocks 0-3.
    const int index = audioBlock - (n % 2 == 0 ? 3 : 0);
    const bool pal = standard_ == Standard::Pal;
    if (!hasAudio_ || index < 0 || index > 3) {
        WriteNoInfoPack(pack);
        return;
    }
    switch (index) {
    case 0: {
        const uint8_t afSize = pal ? 24 : 20;             // samples per frame above the minimum, at 48 kHz
        const uint8_t flags = cameraFlags_ ? 0xC0 : 0x00; // emphasis off, time constant
        WritePack(pack, 0x50, static_cast<uint8_t>(0xC0 | afSize), 0x00, pal ? 0xE0 : 0xC0,
                  static_cast<uint8_t>(flags | smp_ << 3 | quantization_));
        break;
    }
    case 1: WritePack(pack, 0x51, 0x3F, 0xCF, 0xA0, 0xFF); break;
    case 2:
        if (hasDate_)
            writeRecDatePack(pack);
        else
            WriteNoInfoPack(pack);
        break;
    default:
        if (hasDate_)
            writeRecTimePack(pack);
        else
            WriteNoInfoPack(pack);
        break;
    }
}

void DvFrameBuilder::writeRecDatePack(uint8_t* pack, bool digits) const
{
    const bool zero = !digits;
    const uint8_t day = zero ? 0 : Bcd(day_);
    const uint8_t month = zero ? 0 : Bcd(month_);
    const uint8_t year = zero ? 0 : Bcd(year_ % 100);
    if (cameraFlags_) // time zone byte, reserved day bits, day of week
        WritePack(pack, 0x62, 0xFF, 0xC0 | day, 0xE0 | month, year);
    else
        WritePack(pack, 0x62, 0x00, day, month, year);
}

void DvFrameBuilder::writeRecTimePack(uint8_t* pack, bool digits) const
{
    const bool zero = !digits;
    const uint8_t s = zero ? 0 : Bcd(second_);
    const uint8_t m = zero ? 0 : Bcd(minute_);
    const uint8_t h = zero ? 0 : Bcd(hour_);
    if (cameraFlags_) // frames byte unused, reserved bits set
        WritePack(pack, 0x63, 0xFF, 0x80 | s, 0x80 | m, 0xC0 | h);
    else
        WritePack(pack, 0x63, 0x00, s, m, h);
}

} // namespace testkit
