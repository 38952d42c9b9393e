// The list thread, the folder scanner and the main thread analyse the same files and others at
// once, while the list drops the objects it held: every object equals the one a single thread
// makes. Run this under ThreadSanitizer too (-DMORVEL_TSAN=ON).
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <sstream>

#include "actions/ThreadedDirScan_unit.h"
#include "actions/aviFichier.h"
#include "actions/list_unit.h"
#include "tests/actions/AnalysisFiles.h"

using namespace actions;

namespace {

// Every field of the analysis as one text.
std::string Fields(const TAfficherFichier& f)
{
    std::ostringstream s;
    s << f.FullName << '|' << f.NameKey << '|' << f.Exists << '|' << f.Size() << '|' << f.LastWriteTime << '|'
      << f.Attributes << '|' << f.SizeKey << '|' << f.DateKey << '|' << f.RecDateKey << '|' << f.Datecode << '|'
      << f.RecDate << '|' << f.Timecode << '|' << f.Codec << '|' << f.DVType << '|' << f.Type2Iavs << '|' << f.Image
      << '|' << f.Width << '|' << f.Height << '|' << f.Duree << '|' << f.Fps << '|' << f.Audio1 << '|' << f.AudioDuree
      << '|' << f.DVVAuxSrc << '|' << f.VideoBitRate << '|' << f.Audio2 << '|' << int(f.Standard) << '|' << f.ScnExists
      << '|' << f.SrtExists << '|' << f.Valid << '|' << f.WideScreen << '|' << f.AudioRate << '|' << f.AudioBits << '|'
      << f.Channels << '|' << f.RecDateKey2 << '|' << f.VideoDuration << '|' << f.AudioDuration;
    return s.str();
}

} // namespace

TEST(AnalysisThreads, ListScanAndMainThreadAnalyseAtOnceAndAgreeWithOneThread)
{
    actionstest::AnalysisFiles files;
    testkit::WriteFileBytes(files.dir.file("notes.txt"), "not a video");
    std::map<std::string, std::string> reference;
    for (const auto& entry : std::filesystem::directory_iterator(files.dir.path()))
        reference[entry.path().string()] = Fields(TAfficherFichier(entry.path().string()));

    std::mutex lock; // guards held, mismatches, made
    std::map<std::string, std::shared_ptr<const TAfficherFichier>> held;
    std::vector<std::string> mismatches;
    size_t made = 0;
    auto check = [&](const std::shared_ptr<const TAfficherFichier>& f) {
        const std::string fields = Fields(*f);
        std::lock_guard<std::mutex> guard(lock);
        ++made;
        if (reference[f->FullName] != fields)
            mismatches.push_back(fields);
        held[f->FullName] = f; // the entry's old object goes, maybe while a worker still reads it
    };
    constexpr int kRounds = 12;
    {
        TlistThread list(check, [] {});
        ThreadedDirscan scan;
        scan.OnFileFound = [&](ThreadedDirscan&, const std::string& path) {
            check(std::make_shared<const TAfficherFichier>(path));
        };
        for (int round = 0; round < kRounds; ++round) {
            for (const auto& [path, fields] : reference)
                list.Queue(path);
            scan.Queue(files.dir.path().string());
        }
        // The main thread meanwhile analyses, and drops what it held.
        for (int round = 0; round < kRounds; ++round)
            for (const auto& [path, fields] : reference) {
                auto f = std::make_shared<const TAfficherFichier>(path);
                check(f);
                std::lock_guard<std::mutex> guard(lock);
                if (round % 2)
                    held.erase(path);
            }
        ASSERT_TRUE(list.WaitIdle(60000));
        ASSERT_TRUE(scan.WaitIdle(60000));
    }
    EXPECT_EQ(made, 3 * kRounds * reference.size());
    EXPECT_TRUE(mismatches.empty()) << mismatches.size() << " objects differ, e.g. " << mismatches.front();
}
