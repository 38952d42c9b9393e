// The registry on hive files: typed values, keys, the text file, atomic saves and damaged files.
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/registry/Registry.h"
#include "platform/rtl/AtomicFile.h"
#include "tests/kit/FileFault.h"
#include "tests/kit/TempDir.h"

namespace {

using namespace reg;
namespace fs = std::filesystem;

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("MORVEL_REGISTRY_DIR", dir.path().c_str(), 1);
        ReloadHives();
    }
    void TearDown() override { ReloadHives(); }
    std::string hkcu() const { return dir.file("HKCU.reg"); }
    static size_t FilesIn(const fs::path& folder)
    {
        return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    testkit::TempDir dir;
};

TEST_F(RegistryTest, TheFolderComesFromTheEnvironmentInItsOrder)
{
    EXPECT_EQ(RegistryFolder(), dir.path().string());
    unsetenv("MORVEL_REGISTRY_DIR");
    setenv("HOME", dir.file("home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", dir.file("config/").c_str(), 1);
    EXPECT_EQ(RegistryFolder(), dir.file("config/morvel"));
    setenv("XDG_CONFIG_HOME", "relative", 1); // ignored, as the base directory rules say
    EXPECT_EQ(RegistryFolder(), dir.file("home/.config/morvel"));
}

TEST_F(RegistryTest, TypedValuesSurviveASaveAndAFreshStart)
{
    {
        TRegistry r;
        ASSERT_TRUE(r.OpenKey("\\Software\\Ivor Varnet\\Morvel", true));
        r.WriteInteger("Top", -12);
        r.WriteInteger("Max", 0x7FFFFFFF);
        r.WriteFloat("Décalage Horaire", -1.25e-3);
        r.WriteString("Dossier", "/home/ünïcødé/\"quoted\" \\ back\nline\ttab\x01");
        r.WriteString("Empty", "");
        r.WriteBinaryData("Blob", std::string("\0\xff\x10", 3));
        r.WriteExpandString("Expand", "$HOME/x");
        ASSERT_TRUE(r.Flush());
    }
    ReloadHives();
    TRegistry r;
    ASSERT_TRUE(r.OpenKey("\\Software\\Ivor Varnet\\Morvel", false));
    EXPECT_EQ(r.ReadInteger("Top"), -12);
    EXPECT_EQ(r.ReadInteger("Max"), 0x7FFFFFFF);
    EXPECT_EQ(r.ReadFloat("Décalage Horaire"), -1.25e-3);
    EXPECT_EQ(r.ReadString("Dossier"), "/home/ünïcødé/\"quoted\" \\ back\nline\ttab\x01");
    EXPECT_EQ(r.ReadString("Empty"), "");
    EXPECT_EQ(r.GetDataType("Empty"), DataType::String);
    EXPECT_EQ(r.ReadBinaryData("Blob"), std::string("\0\xff\x10", 3));
    EXPECT_EQ(r.ReadString("Expand"), "$HOME/x");
    EXPECT_EQ(r.GetDataType("Expand"), DataType::ExpandString);
    EXPECT_EQ(r.GetValueNames(),
              (std::vector<std::string>{"Top", "Max", "Décalage Horaire", "Dossier", "Empty", "Blob", "Expand"}));
}

TEST_F(RegistryTest, ReadsOfTheWrongTypeRaise)
{
    TRegistry r;
    ASSERT_TRUE(r.OpenKey("\\K", true));
    r.WriteString("s", "12");
    r.WriteInteger("i", 1);
    r.WriteBinaryData("four", std::string(4, '\0'));
    EXPECT_THROW(r.ReadInteger("s"), ERegistryException);
    EXPECT_THROW(r.ReadString("i"), ERegistryException);
    EXPECT_THROW(r.ReadFloat("four"), ERegistryException); // a float is exactly 8 bytes
    EXPECT_THROW(r.ReadInteger("missing"), ERegistryException);
    EXPECT_EQ(r.ReadString("missing"), ""); // a missing string is not a failure
}

TEST_F(RegistryTest, KeysOpenCreateAndDeleteWithEverythingUnderThem)
{
    TRegistry r;
    EXPECT_FALSE(r.OpenKey("\\A\\B", false));
    ASSERT_TRUE(r.OpenKey("\\A\\B\\C", true));
    r.WriteInteger("v", 1);
    ASSERT_TRUE(r.OpenKey("\\A", false));
    ASSERT_TRUE(r.OpenKey("B", false)); // relative to the open key
    EXPECT_EQ(r.CurrentPath(), "A\\B");
    EXPECT_TRUE(r.KeyExists("\\a\\b\\c")); // names ignore ASCII case
    EXPECT_TRUE(r.CreateKey("\\A\\D"));
    EXPECT_TRUE(r.CreateKey("\\A\\D")); // already there
    EXPECT_TRUE(r.DeleteKey("\\A\\B"));
    EXPECT_FALSE(r.KeyExists("\\A\\B\\C"));
    EXPECT_FALSE(r.DeleteKey("\\")); // never the root
    EXPECT_FALSE(r.OpenKey("\\bad\x01name", true));
    ASSERT_TRUE(r.OpenKey("\\A", false));
    EXPECT_EQ(r.GetKeyNames(), std::vector<std::string>{"D"});
}

TEST_F(RegistryTest, EmptyKeysAndOrderSurviveTheFile)
{
    {
        TRegistry r;
        ASSERT_TRUE(r.CreateKey("\\Z"));
        ASSERT_TRUE(r.CreateKey("\\A\\Empty"));
        ASSERT_TRUE(r.OpenKey("\\A", false));
        r.WriteInteger("b", 2);
        r.WriteInteger("a", 1);
    }
    ReloadHives();
    TRegistry r;
    EXPECT_EQ(r.GetKeyNames(), (std::vector<std::string>{"Z", "A"}));
    ASSERT_TRUE(r.OpenKey("\\A", false));
    EXPECT_EQ(r.GetKeyNames(), std::vector<std::string>{"Empty"});
    EXPECT_EQ(r.GetValueNames(), (std::vector<std::string>{"b", "a"}));
}

TEST_F(RegistryTest, AHandEditedFileIsRead)
{
    testkit::WriteFileBytes(hkcu(), "\xEF\xBB\xBF; edited by hand\r\n"
                                    "\r\n"
                                    "  [Software\\Ivor Varnet\\Morvel]  \r\n"
                                    "\"Volume\" = dword:2710\r\n"
                                    "\"Name\"=\"Arial\"\r\n"
                                    "@=\"default\"\r\n"
                                    "\"Bytes\"=hex: 01, 02 ,ff\r\n");
    TRegistry r;
    ASSERT_TRUE(r.OpenKey("\\software\\ivor varnet\\morvel", false));
    EXPECT_EQ(r.ReadInteger("volume"), 10000);
    EXPECT_EQ(r.ReadString("Name"), "Arial");
    EXPECT_EQ(r.ReadString(""), "default");
    EXPECT_EQ(r.ReadBinaryData("Bytes"), "\x01\x02\xff");
}

TEST_F(RegistryTest, ADamagedFileIsSetAsideAndDefaultsAreUsed)
{
    testkit::WriteFileBytes(hkcu(), "[Good]\n\"a\"=dword:1\n\"b\"=dword:zz\n");
    testing::internal::CaptureStderr();
    TRegistry r;
    EXPECT_FALSE(r.KeyExists("\\Good"));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("line 3"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(hkcu()));
    int aside = 0;
    for (const auto& e : fs::directory_iterator(dir.path())) {
        if (e.path().filename().string().starts_with("HKCU.reg.corrupt-")) {
            ++aside;
            EXPECT_EQ(testkit::ReadFileBytes(e.path().string()), "[Good]\n\"a\"=dword:1\n\"b\"=dword:zz\n");
        }
    }
    EXPECT_EQ(aside, 1);
    ASSERT_TRUE(r.OpenKey("\\New", true));
    r.WriteInteger("x", 1);
    EXPECT_TRUE(r.Flush());
    EXPECT_TRUE(fs::exists(hkcu()));
}

// A file that appears under the set-aside name just before the rename is never replaced: the
// damaged hive goes to the next free name.
TEST_F(RegistryTest, SettingAsideNeverReplacesAFileThatAppearsUnderItsName)
{
    testkit::WriteFileBytes(hkcu(), "[Good\n");
    std::vector<std::string> tried;
    rtl::FileCalls calls;
    calls.rename = [&](const char* from, const char* to, rtl::Replace replace) {
        if (tried.empty())
            testkit::WriteFileBytes(to, "someone else's");
        tried.push_back(to);
        if (replace == rtl::Replace::Allowed)
            return ::rename(from, to);
        if (::link(from, to) != 0) // fails on an existing name, as a no-replace rename does
            return -1;
        return ::unlink(from);
    };
    rtl::SetFileCalls(std::move(calls));
    testing::internal::CaptureStderr();
    TRegistry r;
    EXPECT_FALSE(r.KeyExists("\\Good"));
    testing::internal::GetCapturedStderr();
    rtl::SetFileCalls({});
    ASSERT_EQ(tried.size(), 2u);
    EXPECT_EQ(testkit::ReadFileBytes(tried[0]), "someone else's");
    EXPECT_EQ(testkit::ReadFileBytes(tried[1]), "[Good\n");
    EXPECT_FALSE(fs::exists(hkcu()));
}

TEST_F(RegistryTest, AFailedSyncOrRenameKeepsTheOldFileAndTheChangesAndLeavesNoTemporary)
{
    TRegistry r;
    ASSERT_TRUE(r.OpenKey("\\K", true));
    r.WriteString("v", "old");
    ASSERT_TRUE(r.Flush());
    const std::string before = testkit::ReadFileBytes(hkcu());
    for (auto step : {testkit::FileFault::Step::SyncFile, testkit::FileFault::Step::Rename}) {
        testkit::FileFault fault(step);
        r.WriteString("v", "new");
        EXPECT_FALSE(r.Flush());
        EXPECT_EQ(testkit::ReadFileBytes(hkcu()), before);
        EXPECT_EQ(FilesIn(dir.path()), 2u); // the hive and its lock file
    }
    EXPECT_TRUE(r.Flush()); // the change was kept for the next save
    ReloadHives();
    ASSERT_TRUE(r.OpenKey("\\K", false));
    EXPECT_EQ(r.ReadString("v"), "new");
}

TEST_F(RegistryTest, AFolderThatCannotBeCreatedFailsTheSaveAndKeepsTheChanges)
{
    testkit::WriteFileBytes(dir.file("plain"), "x");
    setenv("MORVEL_REGISTRY_DIR", dir.file("plain/sub").c_str(), 1);
    TRegistry r;
    ASSERT_TRUE(r.OpenKey("\\K", true));
    r.WriteInteger("v", 5);
    EXPECT_FALSE(r.Flush());
    EXPECT_EQ(r.ReadInteger("v"), 5);
}

TEST_F(RegistryTest, AHiveThatCannotBeReadIsNeverOverwritten)
{
    fs::create_directory(hkcu()); // exists, but is no file we can read
    testing::internal::CaptureStderr();
    TRegistry r;
    EXPECT_FALSE(r.OpenKey("\\K", true));
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
    EXPECT_TRUE(fs::is_directory(hkcu()));
}

TEST_F(RegistryTest, AKeyOpenedReadOnlyKeepsItsValues)
{
    {
        TRegistry r;
        ASSERT_TRUE(r.OpenKey("\\K", true));
        r.WriteInteger("v", 1);
    }
    TRegistry r;
    ASSERT_TRUE(r.OpenKeyReadOnly("\\K"));
    EXPECT_FALSE(r.DeleteValue("v"));
    EXPECT_THROW(r.WriteInteger("v", 2), ERegistryException);
    EXPECT_EQ(r.ReadInteger("v"), 1);
}

TEST_F(RegistryTest, LocalMachineIsReadOnlyAndEmptyWithoutItsFile)
{
    {
        TRegistry r(HKEY_LOCAL_MACHINE);
        EXPECT_FALSE(r.OpenKey("\\Software", true));
        EXPECT_TRUE(r.GetKeyNames().empty());
    }
    testkit::WriteFileBytes(dir.file("HKLM.reg"), "[Software\\Microsoft\\DirectX]\n\"Version\"=\"4.09.00.0904\"\n");
    ReloadHives();
    TRegistry r(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(r.OpenKey("\\Software\\Microsoft\\DirectX", false));
    EXPECT_EQ(r.ReadString("Version"), "4.09.00.0904");
    EXPECT_THROW(r.WriteString("Version", "x"), ERegistryException);
    EXPECT_FALSE(r.DeleteKey("\\Software"));
}

TEST_F(RegistryTest, AHiveBehindASymbolicLinkIsSavedThroughIt)
{
    fs::create_directory(dir.path() / "dotfiles");
    testkit::WriteFileBytes(dir.file("dotfiles/hkcu"), "[K]\n");
    fs::create_symlink(dir.path() / "dotfiles/hkcu", hkcu());
    TRegistry r;
    ASSERT_TRUE(r.OpenKey("\\K", false));
    r.WriteInteger("v", 7);
    ASSERT_TRUE(r.Flush());
    EXPECT_TRUE(fs::is_symlink(hkcu()));
    EXPECT_NE(testkit::ReadFileBytes(dir.file("dotfiles/hkcu")).find("\"v\"=dword:00000007"), std::string::npos);
}

// Damaged files of every shape are either read or refused, never crash, and what is read
// writes back to a text that reads the same.
TEST(HiveText, MangledFilesAreReadOrRefusedAndReadOnesRoundTrip)
{
    Key source;
    Key& k = source.subkey("Software").subkey("Ivor Varnet").subkey("Morvel");
    k.value("Top") = Value{"Top", DataType::Integer, std::string("\x10\0\0\0", 4)};
    k.value("Name") = Value{"Name", DataType::String, "Ari\"al\\\n"};
    k.value("F") = Value{"F", DataType::Binary, std::string(8, '\x3f')};
    k.subkey("Actions").value("") = Value{"", DataType::ExpandString, "x"};
    const std::string text = SerializeHive(source, "test");
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    const std::string alphabet = "[]\\\"=@:,;\n\r x0fdwordhexexpand\xc3\xa9";
    int read = 0;
    for (int i = 0; i < 3000; ++i) {
        std::string mangled = text;
        for (uint32_t n = next() % 4 + 1; n > 0; --n) {
            const size_t at = next() % mangled.size();
            switch (next() % 3) {
            case 0: mangled[at] = alphabet[next() % alphabet.size()]; break;
            case 1: mangled.erase(at, next() % 8); break;
            default: mangled.insert(at, 1, alphabet[next() % alphabet.size()]);
            }
            if (mangled.empty())
                mangled = "[";
        }
        Key parsed;
        std::string error;
        if (!ParseHive(mangled, parsed, error)) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        ++read;
        const std::string again = SerializeHive(parsed, "test");
        Key reparsed;
        ASSERT_TRUE(ParseHive(again, reparsed, error)) << error << "\n" << again;
        EXPECT_EQ(SerializeHive(reparsed, "test"), again);
    }
    EXPECT_GT(read, 100);
}

// Every line looked its key and value up among all the names before it: a hive of a few
// megabytes took hours to read. Names differing in case only stay one key or value past any count.
TEST(HiveText, AHiveOfHundredsOfThousandsOfNamesIsReadWithEachNameOnce)
{
    constexpr int kNames = 300000;
    std::string text = "[Many]\n";
    for (int i = 0; i < kNames; ++i)
        text += "\"v" + std::to_string(i) + "\"=dword:1\n";
    for (int i = 0; i < kNames; ++i)
        text += "[Keys\\k" + std::to_string(i) + "]\n";
    text += "[MANY]\n\"V7\"=dword:2\n[keys\\K299999]\n\"x\"=\"y\"\n[Keys\\k5]\n";
    Key root;
    std::string error;
    ASSERT_TRUE(ParseHive(text, root, error)) << error;
    ASSERT_EQ(root.subkeys.size(), 2u);
    const Key* many = root.findSubkey("Many");
    const Key* keys = root.findSubkey("Keys");
    ASSERT_TRUE(many && keys);
    ASSERT_EQ(many->values.size(), static_cast<size_t>(kNames));
    EXPECT_EQ(many->values[7].name, "v7");
    EXPECT_EQ(many->values[7].data, std::string("\x02\0\0\0", 4));
    ASSERT_EQ(keys->subkeys.size(), static_cast<size_t>(kNames));
    EXPECT_EQ(keys->subkeys.back()->name, "k299999");
    ASSERT_EQ(keys->subkeys.back()->values.size(), 1u);
    EXPECT_EQ(keys->subkeys.back()->values[0].data, "y");
}

TEST_F(RegistryTest, ThreadsShareTheHiveSafely)
{
    constexpr int kThreads = 4, kValues = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            TRegistry r;
            r.OpenKey("\\T" + std::to_string(t), true);
            for (int i = 0; i < kValues; ++i)
                r.WriteInteger("v" + std::to_string(i), i);
        });
    }
    for (auto& th : threads)
        th.join();
    ReloadHives();
    TRegistry r;
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_TRUE(r.OpenKey("\\T" + std::to_string(t), false));
        EXPECT_EQ(r.GetValueNames().size(), static_cast<size_t>(kValues));
        EXPECT_EQ(r.ReadInteger("v199"), 199);
    }
}

// Another Morvel process: forked (before this one starts any thread), it starts afresh from the
// files, runs `work` and exits with 0 when that returned true.
template <typename Work> pid_t StartAnotherProcess(Work work)
{
    const pid_t child = fork();
    if (child == 0) {
        ReloadHives();
        _exit(work() ? 0 : 1);
    }
    return child;
}

void ExpectSucceeded(pid_t child)
{
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(RegistryTest, ProcessesSharingTheFileKeepEachOthersValues)
{
    TRegistry mine;
    ASSERT_TRUE(mine.OpenKey("\\Software\\Morvel", true));
    mine.WriteString("Mine", "first");
    mine.WriteString("Both", "old");
    mine.WriteString("Gone", "x");
    ASSERT_TRUE(mine.Flush());
    // The other process adds a key and a value, deletes one, and changes one this one changes too.
    ExpectSucceeded(StartAnotherProcess([] {
        TRegistry other;
        if (!other.OpenKey("\\Software\\Morvel", false))
            return false;
        other.WriteString("Theirs", "t");
        other.WriteString("Both", "theirs");
        other.DeleteValue("Gone");
        other.CreateKey("\\Software\\Other");
        return other.Flush();
    }));
    mine.WriteString("Mine", "second");
    mine.WriteString("Both", "mine"); // written last: it wins
    ASSERT_TRUE(mine.Flush());
    EXPECT_EQ(mine.ReadString("Theirs"), "t"); // the save brought theirs in
    ReloadHives();
    TRegistry r;
    ASSERT_TRUE(r.OpenKey("\\Software\\Morvel", false));
    EXPECT_EQ(r.ReadString("Mine"), "second");
    EXPECT_EQ(r.ReadString("Theirs"), "t");
    EXPECT_EQ(r.ReadString("Both"), "mine");
    EXPECT_FALSE(r.ValueExists("Gone"));
    EXPECT_TRUE(r.KeyExists("\\Software\\Other"));
}

TEST_F(RegistryTest, ConcurrentSavesOfTwoProcessesLoseNothing)
{
    constexpr int kValues = 40;
    auto writeAll = [](const std::string& prefix) {
        TRegistry r;
        bool ok = r.OpenKey("\\Shared", true);
        for (int i = 0; i < kValues && ok; ++i) {
            r.WriteInteger(prefix + std::to_string(i), i);
            ok = r.Flush();
        }
        return ok;
    };
    const pid_t child = StartAnotherProcess([&] { return writeAll("c"); });
    EXPECT_TRUE(writeAll("p"));
    ExpectSucceeded(child);
    ReloadHives();
    TRegistry r;
    ASSERT_TRUE(r.OpenKey("\\Shared", false));
    EXPECT_EQ(r.GetValueNames().size(), 2u * kValues);
}

} // namespace
