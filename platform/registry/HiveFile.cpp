#include "platform/registry/HiveFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/SysUtils.h"

namespace reg {

namespace {

// A hive larger than this is not a settings file: treat it as damaged rather than load it.
constexpr off_t kMaxHiveBytes = 64 * 1024 * 1024;

struct Store {
    std::mutex mutex; // guards hives; taken before a hive's own mutex, never after
    std::shared_ptr<Hive> hives[2];
};

Store& TheStore()
{
    static Store store;
    return store;
}

const char* FileNameOf(RootKey root)
{
    return root == RootKey::CurrentUser ? "HKCU.reg" : "HKLM.reg";
}

const char* TitleOf(RootKey root)
{
    return root == RootKey::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::string EnvOrEmpty(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string HomeFolder()
{
    std::string home = EnvOrEmpty("HOME");
    if (home.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
            home = pw->pw_dir;
    }
    return home;
}

std::string WithoutTrailingSlash(std::string s)
{
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

enum class ReadResult { Ok, Missing, Failed, TooLarge };

ReadResult ReadWholeFile(const std::string& path, std::string& out, std::string& reason)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return ReadResult::Missing;
        reason = std::strerror(errno);
        return ReadResult::Failed;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        reason = "not a regular file";
        close(fd);
        return ReadResult::Failed;
    }
    if (st.st_size > kMaxHiveBytes) {
        close(fd);
        return ReadResult::TooLarge;
    }
    out.clear();
    char buf[65536];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            reason = std::strerror(errno);
            close(fd);
            return ReadResult::Failed;
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<size_t>(n));
        if (out.size() > static_cast<size_t>(kMaxHiveBytes)) {
            close(fd);
            return ReadResult::TooLarge;
        }
    }
    close(fd);
    return ReadResult::Ok;
}

// Renames a damaged hive out of the way under a name that does not exist yet.
bool SetAside(const std::string& path, std::string& asidePath)
{
    const std::string base = path + ".corrupt-" + std::to_string(static_cast<long long>(std::time(nullptr)));
    for (int i = 0; i < 1000; ++i) {
        asidePath = i == 0 ? base : base + "-" + std::to_string(i);
        // Never over a file that is there, even one that appeared a moment ago: try the next name.
        const int err = rtl::RenameFile(path, asidePath, rtl::Replace::Never);
        if (err != EEXIST)
            return err == 0;
    }
    return false;
}

std::shared_ptr<Hive> LoadHive(const std::string& path, RootKey root)
{
    auto hive = std::make_shared<Hive>();
    hive->path = path;
    hive->title = TitleOf(root);
    hive->readOnly = root == RootKey::LocalMachine;
    std::string text, reason;
    const ReadResult r = ReadWholeFile(path, text, reason);
    if (r == ReadResult::Missing)
        return hive;
    if (r == ReadResult::Failed) {
        // Never replace a file we could not read: it may hold everything the user set.
        std::fprintf(stderr, "morvel: cannot read the registry file %s (%s); settings will not be saved.\n",
                     path.c_str(), reason.c_str());
        hive->readOnly = true;
        return hive;
    }
    std::string error = "file too large";
    if (r == ReadResult::Ok && ParseHive(text, hive->root, error))
        return hive;

    hive->root = Key{};
    if (root == RootKey::LocalMachine) {
        std::fprintf(stderr, "morvel: the registry file %s is damaged (%s); it is ignored.\n", path.c_str(),
                     error.c_str());
        return hive;
    }
    std::string aside;
    if (SetAside(path, aside)) {
        std::fprintf(stderr, "morvel: the registry file %s is damaged (%s); it was renamed %s and defaults are used.\n",
                     path.c_str(), error.c_str(), aside.c_str());
    } else {
        std::fprintf(stderr,
                     "morvel: the registry file %s is damaged (%s) and cannot be set aside; defaults are used "
                     "and settings will not be saved.\n",
                     path.c_str(), error.c_str());
        hive->readOnly = true;
    }
    return hive;
}

// An exclusive lock on a folder's lock file for as long as it lives: one process saves at a time.
class FolderLock {
public:
    explicit FolderLock(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        while (fd_ >= 0 && flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~FolderLock()
    {
        if (fd_ >= 0)
            close(fd_); // releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int fd_;
};

} // namespace

Key* WalkKey(Key& root, const std::vector<std::string>& path, bool create)
{
    Key* k = &root;
    for (const auto& name : path) {
        Key* next = create ? &k->subkey(name) : k->findSubkey(name);
        if (!next)
            return nullptr;
        k = next;
    }
    return k;
}

bool ApplyChange(Key& root, const Change& change)
{
    switch (change.kind) {
    case Change::Kind::CreateKey: WalkKey(root, change.path, true); return true;
    case Change::Kind::SetValue: {
        Value& v = WalkKey(root, change.path, true)->value(change.value.name);
        v.type = change.value.type;
        v.data = change.value.data;
        return true;
    }
    case Change::Kind::DeleteValue: {
        Key* k = WalkKey(root, change.path, false);
        return k && k->removeValue(change.value.name);
    }
    case Change::Kind::DeleteKey: {
        if (change.path.empty())
            return false; // never the root
        const std::vector<std::string> parentPath(change.path.begin(), change.path.end() - 1);
        Key* parent = WalkKey(root, parentPath, false);
        return parent && parent->removeSubkey(change.path.back());
    }
    }
    return false;
}

bool Hive::Make(Change change)
{
    if (!ApplyChange(root, change))
        return false;
    changes.push_back(std::move(change));
    dirty = true;
    return true;
}

std::string RegistryFolder()
{
    std::string dir = EnvOrEmpty("MORVEL_REGISTRY_DIR");
    if (dir.empty()) {
        const std::string config = EnvOrEmpty("XDG_CONFIG_HOME");
        // The base directory spec says a relative XDG_CONFIG_HOME is to be ignored.
        dir = (!config.empty() && config.front() == '/') ? WithoutTrailingSlash(config) + "/morvel"
                                                         : WithoutTrailingSlash(HomeFolder()) + "/.config/morvel";
    }
    return WithoutTrailingSlash(dir);
}

std::shared_ptr<Hive> GetHive(RootKey root)
{
    const std::string path = RegistryFolder() + "/" + FileNameOf(root);
    Store& store = TheStore();
    std::lock_guard storeLock(store.mutex);
    auto& slot = store.hives[root == RootKey::CurrentUser ? 0 : 1];
    if (slot && slot->path == path)
        return slot;
    if (slot) {
        std::lock_guard hiveLock(slot->mutex);
        SaveHiveLocked(*slot);
    }
    slot = LoadHive(path, root);
    return slot;
}

bool SaveHiveLocked(Hive& hive)
{
    if (!hive.dirty)
        return true;
    if (hive.readOnly)
        return false;
    // A hive kept elsewhere through a symbolic link is replaced where it lies, keeping the link.
    std::string target = hive.path;
    if (char* real = realpath(hive.path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash);
    const std::string name = target.substr(slash == std::string::npos ? 0 : slash + 1);
    if (!rtl::MakeFolders(folder, 0700))
        return false;
    const FolderLock lock(folder + "/." + name + ".lock");
    // What other processes saved since this one read the file, with this one's changes over it.
    // A file that cannot be read back now is replaced by this process's own view, as before.
    Key merged;
    bool fromFile = false;
    {
        std::string current, reason, error;
        if (ReadWholeFile(target, current, reason) == ReadResult::Ok && ParseHive(current, merged, error)) {
            for (const Change& c : hive.changes)
                ApplyChange(merged, c);
            fromFile = true;
        }
    }
    // Settings are private to the user.
    if (rtl::ReplaceFile(target, SerializeHive(fromFile ? merged : hive.root, hive.title), rtl::Replace::Allowed, 0600))
        return false;
    if (fromFile)
        hive.root = std::move(merged);
    hive.changes.clear();
    hive.dirty = false;
    return true;
}

void ReloadHives()
{
    Store& store = TheStore();
    std::lock_guard storeLock(store.mutex);
    store.hives[0].reset();
    store.hives[1].reset();
}

} // namespace reg
