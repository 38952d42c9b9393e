// Feeds arbitrary text to the registry's hive reader: as text, then as the files of both roots
// in a folder of their own, read through TRegistry as the program reads its settings. A damaged
// user hive is set aside whole under a name of its own, the machine's is left where it is, and a
// save replays its change over the file exactly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "fuzz/FuzzKit.h"
#include "platform/registry/Registry.h"
#include "tests/kit/TempDir.h"

namespace {

namespace fs = std::filesystem;

// Every key under the open one and every value, read as its type says.
void ReadAll(reg::TRegistry& r, const std::string& path)
{
    if (!r.OpenKeyReadOnly(path.empty() ? "\\" : path))
        fuzzkit::Fail("a listed key cannot be opened");
    for (const std::string& name : r.GetValueNames()) {
        try {
            switch (r.GetDataType(name)) {
            case reg::DataType::Integer: r.ReadInteger(name); break;
            case reg::DataType::String:
            case reg::DataType::ExpandString: r.ReadString(name); break;
            case reg::DataType::Binary:
                if (r.ReadBinaryData(name).size() == 8)
                    r.ReadFloat(name);
                break;
            case reg::DataType::None: fuzzkit::Fail("a value read without a type");
            }
        } catch (const reg::ERegistryException&) {
            fuzzkit::Fail("a value of the type it says cannot be read");
        }
    }
    for (const std::string& key : r.GetKeyNames()) {
        ReadAll(r, path + "\\" + key);
        r.OpenKeyReadOnly(path.empty() ? "\\" : path);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // A damaged hive is reported on standard error, for every input: not into the log.
    fuzzkit::DefaultFlags(argc, argv, {"-max_len=16384", "-close_fd_mask=2"});
    setenv("MORVEL_REGISTRY_DIR", fuzzkit::TempFolder().c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzzkit::AllocationBudget budget(size, 64, 1 << 20);
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    // The text: what is read is written back the same after a second reading.
    reg::Key root;
    std::string error;
    const bool sound = reg::ParseHive(text, root, error);
    if (sound) {
        const std::string saved = reg::SerializeHive(root, "HKEY_CURRENT_USER");
        reg::Key again;
        if (!reg::ParseHive(saved, again, error) || reg::SerializeHive(again, "HKEY_CURRENT_USER") != saved)
            fuzzkit::Fail("a hive written out does not read back the same");
    } else {
        root = reg::Key{};
    }

    // The files, as a newly started program finds them.
    const fs::path folder = fuzzkit::TempFolder();
    testkit::WriteFileBytes(folder / "HKCU.reg", text);
    testkit::WriteFileBytes(folder / "HKLM.reg", text);
    reg::ReloadHives();
    {
        reg::TRegistry machine(reg::HKEY_LOCAL_MACHINE);
        ReadAll(machine, "");
        reg::TRegistry user(reg::HKEY_CURRENT_USER);
        ReadAll(user, "");
        int aside = 0;
        for (const auto& e : fs::directory_iterator(folder)) {
            if (e.path().filename().string().starts_with("HKCU.reg.corrupt-")) {
                ++aside;
                if (testkit::ReadFileBytes(e.path()) != text)
                    fuzzkit::Fail("a damaged hive was not set aside whole");
            }
        }
        if (aside != (sound ? 0 : 1) || fs::exists(folder / "HKCU.reg") != sound)
            fuzzkit::Fail(sound ? "a sound hive was set aside" : "a damaged hive was not set aside");
        if (testkit::ReadFileBytes(folder / "HKLM.reg") != text)
            fuzzkit::Fail("the machine's hive was changed");

        // A save writes the file's keys and values with its change over them.
        if (!user.OpenKey("\\Morvel Fuzz", true))
            fuzzkit::Fail("a key cannot be made");
        user.WriteInteger("n", 7);
        if (!user.Flush())
            fuzzkit::Fail("the hive cannot be saved");
        reg::ApplyChange(root, reg::Change{reg::Change::Kind::SetValue,
                                           {"Morvel Fuzz"},
                                           reg::Value{"n", reg::DataType::Integer, std::string("\x07\0\0\0", 4)}});
        if (testkit::ReadFileBytes(folder / "HKCU.reg") != reg::SerializeHive(root, "HKEY_CURRENT_USER"))
            fuzzkit::Fail("a save lost or changed what the file held");
    }
    reg::ReloadHives();
    for (const auto& e : fs::directory_iterator(folder))
        fs::remove(e.path());
    return 0;
}
