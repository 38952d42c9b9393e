// Writes the fuzzers' seed corpora into the folder given, one subfolder per kind of input:
//   avi/       small AVI files of every shape the test kit builds, and a few damaged ones
//   dvavi/     DV AVI files of type 1 and 2 with whole frames and their sound, as the AVI writer
//              core lays them out (OpenDML indexes, idx1, AVIX segments)
//   dvframe/   whole DV frames of both systems with their packs
//   dvaudio/   a system byte and the audio DIF blocks of frames of every sound format
//   hive/      registry hives as the program writes them, hand-edited and damaged
//   scn/       scene lists as the scene writer writes them
//   playlist/  play lists as the window writes them, and odd ones
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "formats/AviMuxWriter.h"
#include "formats/DvAudio.h"
#include "formats/scenes.h"
#include "fuzz/DvAudioBlocks.h"
#include "tests/kit/DvFrameBuilder.h"
#include "tests/kit/RiffBuilder.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"

namespace {

namespace fs = std::filesystem;
using testkit::Standard;

class Corpus {
public:
    Corpus(const fs::path& root, const std::string& kind) : folder_(root / kind) { fs::create_directories(folder_); }
    // The next seed's file.
    std::string Next() { return (folder_ / ("seed-" + std::to_string(count_++))).string(); }
    void Add(const std::string& bytes) { testkit::WriteFileBytes(Next(), bytes); }
    void Add(const std::vector<uint8_t>& bytes) { Add(std::string(bytes.begin(), bytes.end())); }

private:
    fs::path folder_;
    int count_ = 0;
};

void AviSeeds(Corpus corpus)
{
    using testkit::AviSpec;
    std::vector<AviSpec> specs = {
        {.frames = 2},
        {.dvType = 1, .frames = 2},
        {.audioFirst = true, .pcm16 = true, .frames = 2},
        {.secondVideo = true, .idx1 = false, .frames = 1},
        {.indxType = 0, .odml = true, .avixSegments = 2, .frames = 2},
        {.dvType = 1, .indxType = 1, .idx1 = false, .frames = 2},
        {.indxType = 2, .frames = 1, .handler = "CDVC"},
    };
    std::vector<std::string> seeds;
    for (const AviSpec& s : specs)
        seeds.push_back(testkit::MakeAvi(s).build());
    seeds.push_back(seeds[0].substr(0, seeds[0].size() / 2));
    seeds.push_back(seeds[1] + "garbage!!");
    seeds.push_back(testkit::RiffBuilder().riff("AVI ").chunkSized("LIST", 0x7FFFFFFF, "hdrlavih").build());
    seeds.push_back(testkit::RiffBuilder().riff("WAVE").chunk("fmt ", testkit::WaveFormat()).build());
    for (const std::string& s : seeds)
        corpus.Add(s);
}

// A camera's frame carrying `samples` of a tone per channel in `format`.
std::vector<uint8_t> SoundFrame(Standard standard, const formats::DvAudioFormat& format, int frameIndex)
{
    const bool pal = standard == Standard::Pal;
    std::vector<uint8_t> frame = testkit::DvFrameBuilder(standard).audio(format.sampleRate, format.bits).build();
    const int samples = format.locked ? formats::DvLockedSampleCount(pal, format.sampleRate, frameIndex)
                                      : formats::DvMinSamples(pal, format.sampleRate) + 3 * frameIndex;
    std::vector<int16_t> pcm[2];
    for (int pair = 0; pair < 2; ++pair)
        for (int n = 0; n < samples; ++n)
            for (int channel = 0; channel < 2; ++channel)
                pcm[pair].push_back(static_cast<int16_t>(9000 * std::sin((n + 50 * channel + 700 * pair) * 0.05)));
    if (!formats::EncodeDvAudio(frame, format, samples, pcm[0].data(), format.pairs == 2 ? pcm[1].data() : nullptr))
        throw std::runtime_error("cannot encode a seed's sound");
    return frame;
}

const formats::DvAudioFormat kFormats[] = {
    {48000, 16, 1, true}, {48000, 16, 1, false}, {44100, 16, 1, false},
    {32000, 16, 1, true}, {32000, 12, 1, false}, {32000, 12, 2, true},
};

void DvAudioSeeds(Corpus corpus)
{
    for (Standard standard : {Standard::Pal, Standard::Ntsc}) {
        auto blocks = [&](const std::vector<uint8_t>& frame) {
            std::string seed(1, standard == Standard::Pal ? '\0' : '\1');
            fuzzkit::ForEachDvAudioBlock(frame.size(), [&](size_t at) {
                seed.append(reinterpret_cast<const char*>(&frame[at]), formats::kDifBlockSize);
            });
            return seed;
        };
        for (const formats::DvAudioFormat& format : kFormats)
            corpus.Add(blocks(SoundFrame(standard, format, 1)));
        corpus.Add(blocks(testkit::DvFrameBuilder(standard).noAudio().build()));
    }
}

void DvFrameSeeds(Corpus corpus)
{
    using testkit::DvFrameBuilder;
    corpus.Add(DvFrameBuilder(Standard::Pal).recDate(2006, 12, 31, 23, 59, 58).timecode(1, 2, 3, 4).build());
    corpus.Add(DvFrameBuilder(Standard::Ntsc).recDate(1999, 1, 2, 3, 4, 5).wide(true).cameraFlags().build());
    corpus.Add(DvFrameBuilder(Standard::Pal).noRecDate().noTimecode().noSourceControl().noAudio().build());
    corpus.Add(DvFrameBuilder(Standard::Pal).recDateThroughEncoder().displayMode(7).ap3(1).audio(32000, 12).build());
    const std::vector<uint8_t> ntsc = DvFrameBuilder(Standard::Ntsc).audio(44100, 16).build();
    corpus.Add(std::vector<uint8_t>(ntsc.begin(), ntsc.begin() + formats::kDifSequenceSize)); // one sequence
    corpus.Add(std::vector<uint8_t>(ntsc.begin(), ntsc.begin() + 500));                       // cut short
}

// A clip of `frames` camera frames; each pair's sound is decoded from the frame, as a type-2
// file carries it (12-bit sound does not decode to the samples encoded).
testkit::DvClip SoundClip(Standard standard, const formats::DvAudioFormat& format, int frames)
{
    testkit::DvClip clip;
    clip.pal = standard == Standard::Pal;
    clip.audio = format;
    for (int f = 0; f < frames; ++f) {
        const std::vector<uint8_t>& frame = clip.frames.emplace_back(SoundFrame(standard, format, f));
        formats::DvAudioInfo info;
        formats::ReadDvAudioInfo(frame, info);
        clip.samples.push_back(info.samples);
        for (int pair = 0; pair < format.pairs; ++pair)
            formats::DecodeDvAudio(frame, info, pair,
                                   clip.pcm[pair].emplace_back(2 * static_cast<size_t>(info.samples)).data());
    }
    return clip;
}

void DvAviSeeds(Corpus corpus)
{
    // Type 1 (one interleaved stream), or type 2 (video and the sound of each pair as 16-bit PCM).
    auto write = [&](bool type1, Standard standard, const formats::DvAudioFormat& format, int frames,
                     formats::AviMuxOptions options) {
        const std::string path = corpus.Next();
        const testkit::DvClip clip = SoundClip(standard, format, frames);
        if (!(type1 ? testkit::WriteDvType1(path, clip, options) : testkit::WriteDvType2(path, clip, options)))
            throw std::runtime_error("cannot write " + path);
        return path;
    };
    const formats::AviMuxOptions small{.superIndexEntries = 4};
    write(true, Standard::Pal, kFormats[0], 2, small);
    write(true, Standard::Ntsc, kFormats[5], 2, small);
    write(false, Standard::Pal, kFormats[1], 2, small);
    write(false, Standard::Ntsc, kFormats[5], 2, small);
    // A segment per frame: OpenDML super indexes of several entries and AVIX segments.
    write(true, Standard::Pal, kFormats[2], 3, {.segmentLimit = 150000, .superIndexEntries = 4});
    const std::string cut = write(true, Standard::Ntsc, kFormats[3], 2, small);
    fs::resize_file(cut, fs::file_size(cut) - 70000); // a capture cut short
    for (const std::string& s :
         {testkit::MakeAvi({.dvType = 1, .frames = 2}).build(), testkit::MakeAvi({.frames = 2}).build()})
        corpus.Add(s);
}

void HiveSeeds(Corpus corpus)
{
    corpus.Add("; Morvel registry: HKEY_CURRENT_USER\n"
               "\n[Software]\n"
               "\n[Software\\Ivor Varnet]\n"
               "\n[Software\\Ivor Varnet\\Morvel]\n"
               "\"Top\"=dword:00000064\n"
               "\"Name\"=\"Arial\"\n"
               "\"D\xC3\xA9"
               "calage Horaire\"=hex:00,00,00,00,00,00,f0,3f\n"
               "\"Path\"=expand:\"$HOME/bin\"\n"
               "@=\"the key's default value\"\n"
               "\"Escapes\"=\"a\\\\b\\\"c\\n\\r\\t\\x01\"\n"
               "\n[Software\\Ivor Varnet\\Morvel\\Empty]\n");
    corpus.Add("\xEF\xBB\xBF# edited by hand\r\n[Software\\Morvel]\r\n  \"volume\" = dword: 2710 \r\n"
               "\"Bytes\"=hex: 01, 02 ,ff\r\n\"b\"=hex:\r\n");
    corpus.Add("[Good]\n\"a\"=dword:1\n\"b\"=dword:zz\n");
    corpus.Add("[Good\n");
    corpus.Add("[a\\\\b]\n");
    corpus.Add("\"x\"=\"no end\n");
}

void ScnSeeds(Corpus corpus)
{
    testkit::TempDir dir;
    auto write = [&](const std::string& video, const std::vector<uint32_t>& starts, uint32_t frames) {
        formats::ScnFileWriter w;
        if (!w.OpenScnFile(dir.file(video)))
            throw std::runtime_error("cannot write a scene list");
        for (size_t k = 0; k < starts.size(); ++k) {
            formats::DVFrameInfo start, end;
            start.Frame = starts[k];
            end.Frame = k + 1 < starts.size() ? starts[k + 1] : frames;
            start.DateValid = end.DateValid = 1;
            start.RecDate = 38000.5 + k;
            w.WriteScnScene(start, end);
        }
        if (!w.CloseScnFile())
            throw std::runtime_error("cannot close a scene list");
        corpus.Add(testkit::ReadFileBytes(formats::ScnFileName(dir.file(video))));
    };
    write("one.avi", {0}, 1000);
    write("three.avi", {0, 250, 600}, 1000);
    write("\xE7\x89\x87\xE6\xAE\xB5 2006-12-31.avi", {0, 25, 50, 75, 100}, 125);
}

void PlaylistSeeds(Corpus corpus)
{
    const std::string rule = "# -------------------------------------------------------------\r\n";
    corpus.Add(rule + "#\r\n# \xE6\x92\xAD\xE6\x94\xBE\xE5\x88\x97\xE8\xA1\xA8 Morvel 0.1 zh\r\n#\r\n" + rule +
               "\r\n     /home/me/tapes/a.avi\r\n     /home/me/tapes/b b.avi\r\n\r\n" + rule +
               "# 2 files sorteds by datecode\r\n# \xE5\xAE\x8C\xE6\x88\x90 2006-12-31 23:59:58\r\n");
    corpus.Add("\xEF\xBB\xBF/a.avi\n\t/b.avi \t\n#/c.avi\n/d.avi");
    corpus.Add(std::string("/a.avi\r\n\x7F"
                           "ELF\0\x01\r\n/b.avi\r\n",
                           22));
    corpus.Add(std::string(5000, ' ') + "/x.avi\r\n" + std::string(9000, 'y') + "\n/z.avi\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    try {
        const fs::path root = argv[1];
        AviSeeds(Corpus(root, "avi"));
        DvAviSeeds(Corpus(root, "dvavi"));
        DvFrameSeeds(Corpus(root, "dvframe"));
        DvAudioSeeds(Corpus(root, "dvaudio"));
        HiveSeeds(Corpus(root, "hive"));
        ScnSeeds(Corpus(root, "scn"));
        PlaylistSeeds(Corpus(root, "playlist"));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fuzz_seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
