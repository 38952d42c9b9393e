// Shell services as the program calls them: the "Send to" launcher, shortcuts, the documents
// folder, and the local machine's registry as formats/ reads it.
#include "formats/DSFunctions.h"
#include "platform/registry/Registry.h"
#include "settings/LocalMachineReader.h"
#include "settings/PSFunctions.h"
#include "tests/settings/SettingsFixture.h"

namespace {

namespace fs = std::filesystem;
using namespace settings;

class PSFunctionsTest : public SettingsFixture {};

std::string LineOf(const std::string& text, const std::string& key)
{
    const size_t at = text.find("\n" + key + "=");
    if (at == std::string::npos)
        return {};
    const size_t start = at + key.size() + 2;
    return text.substr(start, text.find('\n', start) - start);
}

TEST_F(PSFunctionsTest, SendToOffersThisProgramForAviFilesAndGoesAgain)
{
    const fs::path link = home / ".local/share/applications/Morvel.desktop";
    EXPECT_EQ(SendToShortcutPath("Morvel"), link.string());
    ASSERT_TRUE(CreateSendToShortcut("Morvel"));
    const std::string text = testkit::ReadFileBytes(link.string());
    EXPECT_EQ(LineOf(text, "Name"), "Morvel");
    EXPECT_EQ(LineOf(text, "Comment"), "Shortcut to Morvel");
    EXPECT_EQ(LineOf(text, "MimeType"), "video/x-msvideo;video/avi;");
    EXPECT_EQ(LineOf(text, "Exec"), "\"" + fs::read_symlink("/proc/self/exe").string() + "\" %F");
    EXPECT_EQ(LineOf(text, "Path"), ""); // no working folder

    EXPECT_TRUE(DeleteSendToShortcut("Morvel"));
    EXPECT_FALSE(fs::exists(link));
    EXPECT_TRUE(DeleteSendToShortcut("Morvel")); // already gone is fine
    EXPECT_FALSE(CreateSendToShortcut("../escape"));
}

TEST_F(PSFunctionsTest, AShortcutIsNamedAfterItsFileAndStartsInItsWorkingFolder)
{
    // Quoting the program is the desktop entry's own (tests/shell).
    const std::string link = (home / "Desktop/Clip viewer.desktop").string();
    ASSERT_TRUE(CreateShortcut(link, "/opt/dv tools/morvel", "", "Shortcut to Morvel"));
    const std::string text = testkit::ReadFileBytes(link);
    EXPECT_EQ(LineOf(text, "Exec"), "\"/opt/dv tools/morvel\"");
    EXPECT_EQ(LineOf(text, "Name"), "Clip viewer");
    EXPECT_EQ(LineOf(text, "Path"), "");
    ASSERT_TRUE(CreateShortcut(link, "/bin/true", "/srv/work dir", "x"));
    EXPECT_EQ(LineOf(testkit::ReadFileBytes(link), "Path"), "/srv/work dir");

    testkit::WriteFileBytes((home / "plain").string(), "");
    EXPECT_FALSE(CreateShortcut((home / "plain/x.desktop").string(), "/bin/true", "", "x"));
    setenv("XDG_DATA_HOME", (home / "plain/share").c_str(), 1);
    EXPECT_FALSE(CreateSendToShortcut("Morvel"));
}

TEST_F(PSFunctionsTest, RecycleBinTrashesTheExactFileOnly)
{
    testkit::WriteFileBytes((home / "Clip.AVI").string(), "v");
    testkit::WriteFileBytes((home / "clip.avi").string(), "w");
    EXPECT_TRUE(MoveToRecycleBin((home / "Clip.AVI").string()));
    EXPECT_FALSE(fs::exists(home / "Clip.AVI"));
    EXPECT_TRUE(fs::exists(home / "clip.avi"));
}

TEST_F(PSFunctionsTest, LocalMachineStringsReachTheFormatsLayer)
{
    LocalMachineReader reader;
    EXPECT_EQ(reader.ReadString("\\Software\\Microsoft\\DirectX", "Version"), std::nullopt);
    EXPECT_EQ(formats::GetDirectXVersion(reader), "Error");

    fs::create_directories(dir.path() / "registry");
    testkit::WriteFileBytes((dir.path() / "registry/HKLM.reg").string(),
                            "[Software\\Microsoft\\DirectX]\n\"Version\"=\"4.09.00.0904\"\n\"Count\"=dword:1\n");
    reg::ReloadHives();
    EXPECT_EQ(reader.ReadString("\\Software\\Microsoft\\DirectX", "Version"), "4.09.00.0904");
    EXPECT_EQ(reader.ReadString("\\Software\\Microsoft\\DirectX", "Count"), std::nullopt);
    EXPECT_EQ(reader.ReadString("\\Software\\Microsoft\\DirectX", "Missing"), std::nullopt);
    EXPECT_NE(formats::GetDirectXVersion(reader), "Error");
}

} // namespace
