#pragma once
// Builds raw 25 Mbit/s DV frames in code: every DIF block carries its proper ID (section type,
// sequence, block number), and the header, subcode, VAUX and AAUX packs say what the test asks.
// Picture and sound payloads are left silent/blank.
//   auto frame = DvFrameBuilder(Standard::Pal).recDate(2006, 12, 31, 23, 59, 58)
//                    .timecode(1, 2, 3, 4).wide(true).audio(48000, 16).build();
#include <cstddef>
#include <cstdint>
#include <vector>

namespace testkit {

enum class Standard { Pal, Ntsc };

class DvFrameBuilder {
public:
    explicit DvFrameBuilder(Standard standard);

    static size_t FrameSize(Standard standard); // 144000 PAL, 120000 NTSC

    // Recording date and time packs (0x62, 0x63), in the subcode and the VAUX of every sequence.
    DvFrameBuilder& recDate(int year, int month, int day, int hour, int minute, int second);
    DvFrameBuilder& noRecDate();
    // Write the VAUX date packs through formats::EncodeRecDateTime instead of as bytes.
    DvFrameBuilder& recDateThroughEncoder(bool on = true);
    // Time code pack 0x13 in the subcode blocks.
    DvFrameBuilder& timecode(int hours, int minutes, int seconds, int frames);
    DvFrameBuilder& noTimecode();
    // 16:9 (display mode 2) or 4:3 (0) in the VAUX source-control pack.
    DvFrameBuilder& wide(bool on);
    DvFrameBuilder& displayMode(uint8_t mode); // raw 3-bit display select
    DvFrameBuilder& ap3(uint8_t bits);         // 3-bit application id in the header block
    DvFrameBuilder& noSourceControl();
    // AAUX source pack: 48000/44100/32000 Hz, 16/12 bits; other values give reserved codes.
    DvFrameBuilder& audio(int rate, int bits);
    DvFrameBuilder& noAudio();
    // Sets the flag and reserved bits that real cameras set beside the BCD digits (drop-frame,
    // colour-frame, bi-phase, day of week, time zone, emphasis...). Off: those bits are 0.
    DvFrameBuilder& cameraFlags(bool on = true);

    std::vector<uint8_t> build() const;

private:
    void writeSequence(uint8_t* seq, int n) const;
    void writeSubcode(uint8_t* block, int blockIndex, int n) const;
    void writeVaux(uint8_t* block, int blockIndex) const;
    void writeAudioPack(uint8_t* pack, int audioBlock, int n) const;
    void writeRecDatePack(uint8_t* pack, bool digits = true) const;
    void writeRecTimePack(uint8_t* pack, bool digits = true) const;

    Standard standard_;
    bool hasDate_ = true;
    bool dateThroughEncoder_ = false;
    int year_ = 2006, month_ = 12, day_ = 31, hour_ = 23, minute_ = 59, second_ = 58;
    bool hasTimecode_ = true;
    int tcHours_ = 1, tcMinutes_ = 2, tcSeconds_ = 3, tcFrames_ = 4;
    bool hasSourceControl_ = true;
    uint8_t display_ = 0;
    uint8_t ap3_ = 0;
    bool hasAudio_ = true;
    uint8_t smp_ = 0, quantization_ = 0;
    bool cameraFlags_ = false;
};

} // namespace testkit
