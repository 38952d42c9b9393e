// The renames and the re-dating: a new name after the recording date, the time code, the capture
// program's root or the shortening; the clash rule; the rename that never replaces, with the
// scene list following; the file's modification time set to the recording date.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <ctime>
#include <mutex>
#include <set>
#include <unordered_map>
#include <vector>

#include "actions/WindowHooks.h"
#include "actions/aviFichier.h"
#include "actions/chmodule.h"
#include "actions/chmoduleShared.h"
#include "formats/scenes.h"
#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/SysUtils.h"
#include "settings/Preferences.h"

namespace actions {

namespace {

using work::FittingText;
using work::kLineBreak;
using work::SystemReason;

enum class Kind { DateCode, Timecode, ScAn, Purge };

// Names that appeared between the clash test and the rename, tried one after the other.
constexpr int kMaxRenameTries = 1000;

std::string Replaced(std::string text, std::string_view characters)
{
    for (char c : characters)
        for (char& t : text)
            if (t == c)
                t = '.';
    return text;
}

struct RenamePlan {
    std::string folder;  // with its trailing '/'
    std::string stem;    // the new bare name, without extension, before the clash rule
    std::string newBare; // after it
    std::string scn;     // the video's scene list, which follows the rename when it exists
    bool scnFollows = false;
    std::string ownName, ownScn;      // the file's own two names never clash with it
    std::set<std::string> takenSince; // lower-cased names found taken after the folder was read
    std::string error;                // why no name could be made
};

// The names of the folder last renamed in, lower-cased, each with the exact names that share it.
// A batch renames file after file in one folder: reading the folder once, and keeping the list up
// to date with our own renames, keeps a batch of n files from reading n x n names. The folder's
// change time tells whether anything else changed it since; the rename itself never replaces, so
// a name missed meanwhile is still never lost.
class FolderNames {
public:
    // Whether `name`, or a name differing from it only in ASCII case, exists in `folder`, other
    // than `own1` and `own2`.
    bool Holds(const std::string& folder, const std::string& name, const std::string& own1, const std::string& own2)
    {
        std::lock_guard guard(lock_);
        if (!Fresh(folder))
            return false;
        const auto it = names_.find(rtl::LowerCase(name));
        if (it == names_.end())
            return false;
        for (const std::string& exact : it->second)
            if (exact != own1 && exact != own2)
                return true;
        return false;
    }

    // Reads the folder again unless the list is still good; false when it cannot be listed.
    bool Refresh(const std::string& folder)
    {
        std::lock_guard guard(lock_);
        if (Fresh(folder))
            return true;
        folder_.clear();
        names_.clear();
        struct stat st {};
        DIR* d = ::opendir(folder.c_str());
        if (!d)
            return false;
        if (::fstat(::dirfd(d), &st) == 0) {
            while (const dirent* e = ::readdir(d))
                names_[rtl::LowerCase(e->d_name)].push_back(e->d_name);
            folder_ = folder;
            stamp_ = Stamp(st);
        }
        ::closedir(d);
        return !folder_.empty();
    }

    // Our own rename from `from` to `to` in `folder`: the list follows it when it was good before.
    void Renamed(const std::string& folder, const std::string& from, const std::string& to)
    {
        std::lock_guard guard(lock_);
        if (folder != folder_)
            return;
        auto& sharing = names_[rtl::LowerCase(from)];
        std::erase(sharing, from);
        names_[rtl::LowerCase(to)].push_back(to);
        struct stat st {};
        if (::stat(folder.c_str(), &st) == 0)
            stamp_ = Stamp(st);
        else
            folder_.clear();
    }

private:
    struct FolderStamp {
        dev_t dev = 0;
        ino_t ino = 0;
        timespec changed{};
        bool operator==(const FolderStamp& o) const
        {
            return dev == o.dev && ino == o.ino && changed.tv_sec == o.changed.tv_sec &&
                   changed.tv_nsec == o.changed.tv_nsec;
        }
    };
    static FolderStamp Stamp(const struct stat& st) { return {st.st_dev, st.st_ino, st.st_ctim}; }

    bool Fresh(const std::string& folder) const
    {
        struct stat st {};
        return !folder_.empty() && folder == folder_ && ::stat(folder.c_str(), &st) == 0 && Stamp(st) == stamp_;
    }

    std::mutex lock_; // guards every field: confirmations run on the GUI thread, renames on workers
    std::string folder_;
    FolderStamp stamp_;
    std::unordered_map<std::string, std::vector<std::string>> names_;
};

FolderNames& LastFolder()
{
    static FolderNames names;
    return names;
}

// The new bare name of the file, without extension. A "/" of a date pattern or a root would make
// a path: every generated name has it as ".".
std::string NewBareName(Kind kind, const TAfficherFichier& f, std::string& error)
{
    const std::string bare = rtl::ChangeFileExt(f.FileName, "");
    std::string name;
    try {
        const rtl::TDateTime date = f.RecDate + settings::DecalageHoraire;
        switch (kind) {
        case Kind::DateCode:
        case Kind::Timecode: {
            const std::string added =
                kind == Kind::DateCode
                    ? Replaced(rtl::FormatDateTime(settings::FormatPourAjouterDatecode, date), "<>:\"/\\|")
                    : f.Timecode;
            name = settings::AjoutAvant ? added + "_" + bare : bare + "_" + added;
            break;
        }
        case Kind::ScAn:
            name = settings::RacinePourRenommer + rtl::FormatDateTime(settings::FormatPourRenommer, date);
            break;
        case Kind::Purge: name = PurgedName(bare); break;
        }
    } catch (const rtl::EConvertError&) {
        error = rtl::Format("No new name can be made for \"%s\": its recording date is out of range.", f.FileName);
        return {};
    }
    name = Replaced(std::move(name), "/");
    if (name.empty())
        error = rtl::Format("No new name can be made for \"%s\": the name would be empty.", f.FileName);
    return name;
}

// A name that differs from a taken one only in ASCII case is taken too: FAT and exFAT cards hold
// one of the two.
bool Taken(const RenamePlan& plan, const std::string& name)
{
    if (name == plan.ownName || name == plan.ownScn)
        return false;
    if (plan.takenSince.count(rtl::LowerCase(name)) || LastFolder().Holds(plan.folder, name, plan.ownName, plan.ownScn))
        return true;
    struct stat st {};
    return ::lstat((plan.folder + name).c_str(), &st) == 0; // a folder that cannot be listed
}

// `stem`, or `stem` + "(n)" with the first n whose video name, and scene list name when one
// follows, are free.
std::string ClashFree(const RenamePlan& plan)
{
    std::string candidate = plan.stem;
    for (int n = 1; Taken(plan, candidate + ".avi") || (plan.scnFollows && Taken(plan, candidate + ".scn")); ++n)
        candidate = plan.stem + "(" + std::to_string(n) + ")";
    return candidate;
}

RenamePlan Plan(Kind kind, const TAfficherFichier& f)
{
    RenamePlan plan;
    plan.folder = rtl::ExtractFilePath(f.FullName);
    plan.stem = NewBareName(kind, f, plan.error);
    if (!plan.error.empty())
        return plan;
    plan.scn = formats::ScnFileName(f.FullName);
    plan.scnFollows = rtl::FileExists(plan.scn);
    plan.ownName = f.FileName;
    plan.ownScn = rtl::ExtractFileName(plan.scn);
    LastFolder().Refresh(plan.folder);
    plan.newBare = ClashFree(plan);
    return plan;
}

ExecutionOutcome RenameExecution(Kind kind, const TAfficherFichier& f, std::string& newfichier, TchUpdateType& update)
{
    newfichier.clear();
    update = utNone;
    RenamePlan plan = Plan(kind, f);
    if (!plan.error.empty())
        return ExecutionOutcome::Failed(plan.error);
    std::string target = plan.folder + plan.newBare + ".avi";
    for (int tries = 1; target != f.FullName; ++tries) {
        const int err = rtl::RenameFile(f.FullName, target, rtl::Replace::Never);
        if (err == 0)
            break;
        if (err != EEXIST || tries >= kMaxRenameTries)
            return ExecutionOutcome::Failed(
                rtl::Format("\"%s\" was not renamed \"%s\": %s", f.FileName, plan.newBare + ".avi", SystemReason(err)));
        // Taken since the folder was read: the next number.
        plan.takenSince.insert(rtl::LowerCase(plan.newBare + ".avi"));
        plan.newBare = ClashFree(plan);
        target = plan.folder + plan.newBare + ".avi";
    }
    update = utRename;
    newfichier = target;
    LastFolder().Renamed(plan.folder, f.FileName, plan.newBare + ".avi");
    if (plan.scnFollows && target != f.FullName) {
        const std::string scnTarget = plan.folder + plan.newBare + ".scn";
        const int err = rtl::RenameFile(plan.scn, scnTarget, rtl::Replace::Never);
        if (err == 0)
            LastFolder().Renamed(plan.folder, plan.ownScn, plan.newBare + ".scn");
        else
            return ExecutionOutcome::Failed(
                rtl::Format("\"%s\" was renamed \"%s\", but its scene list kept its name: %s", f.FileName,
                            plan.newBare + ".avi", SystemReason(err)));
    }
    return {};
}

std::string Lines(const char* first, const char* second)
{
    return std::string(first) + kLineBreak + second;
}

void RenameConfirmation(Kind kind, const TAfficherFichier& f, std::string& confirmMsg)
{
    const RenamePlan plan = Plan(kind, f);
    confirmMsg.clear();
    if (!plan.error.empty())
        return; // nothing to ask: the execution says why there is no name
    const std::string newName = plan.newBare + ".avi";
    const std::string newFull = plan.folder + newName;
    switch (kind) {
    case Kind::DateCode:
        confirmMsg = FittingText({rtl::Format(Lines("你要添加日期码到 '%s'", "并重命名到 '%s'?"), f.FileName, newName),
                                  rtl::Format(Lines("你要添加日期码到文件名并重命名为", "'%s'?"), newName),
                                  "Do you want to add a datecode to this file?"});
        break;
    case Kind::Timecode:
        confirmMsg = FittingText(
            {rtl::Format(Lines("你真的想要把它的时间码加入文件 '%s'", "并重命名到 '%s'?"), f.FullName, newFull),
             rtl::Format(Lines("Do you really want to add its timecode to the file ", "并重命名到 '%s'?"), newFull),
             "Do you really want to add its timecode to the file?"});
        break;
    case Kind::Purge:
        confirmMsg =
            FittingText({rtl::Format(Lines("你要缩短文件名到 '%s'", "并重命名到 '%s'?"), f.FileName, newName),
                         rtl::Format(Lines("你想缩短文件名或重命名到", "'%s'?"), newName), "你想缩短文件名到这文件?"});
        break;
    case Kind::ScAn:
        confirmMsg =
            FittingText({rtl::Format("你想要重命名文件  '%s'在 '%s'?", f.FileName, newFull),
                         rtl::Format("你想要重命名这个文件在 '%s'?", newFull), "你想要重命名这文件 ?Scenalyser?"});
        break;
    }
}

// A local date and time as the file time of that moment.
bool LocalToFileTime(rtl::TDateTime local, timespec& out)
{
    int year, month, day, hour, minute, second, ms;
    rtl::DecodeDateTime(local, year, month, day, hour, minute, second, ms);
    struct tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1; // as the calendar had it that day
    errno = 0;
    const time_t seconds = ::mktime(&t);
    if (seconds == static_cast<time_t>(-1) && errno != 0)
        return false;
    out.tv_sec = seconds;
    out.tv_nsec = static_cast<long>(ms) * 1000000;
    return true;
}

std::string DateText(rtl::TDateTime dt)
{
    return rtl::FormatDateTime("ddddd hh:nn:ss", dt);
}

} // namespace

std::string PurgedName(std::string_view bareName)
{
    std::string stem(bareName);
    for (size_t underscore = stem.rfind('_'); underscore != std::string::npos; underscore = stem.rfind('_')) {
        if (!IsStrippableNamePart(std::string_view(stem).substr(underscore + 1)))
            break;
        stem.resize(underscore);
    }
    return stem;
}

Tch::R Tch::AjouterTimecodeExecution(P&, const F& f, std::string& newfichier, U& update)
{
    return RenameExecution(Kind::Timecode, f, newfichier, update);
}

void Tch::AjouterTimecodeConfirmation(P&, const F& f, std::string& confirmMsg)
{
    RenameConfirmation(Kind::Timecode, f, confirmMsg);
}

Tch::R Tch::AjouterDateCodeExecution(P&, const F& f, std::string& newfichier, U& update)
{
    return RenameExecution(Kind::DateCode, f, newfichier, update);
}

void Tch::AjouterDateCodeConfirmation(P&, const F& f, std::string& confirmMsg)
{
    RenameConfirmation(Kind::DateCode, f, confirmMsg);
}

Tch::R Tch::PurgerNomExecution(P&, const F& f, std::string& newfichier, U& update)
{
    return RenameExecution(Kind::Purge, f, newfichier, update);
}

void Tch::PurgerNomConfirmation(P&, const F& f, std::string& confirmMsg)
{
    RenameConfirmation(Kind::Purge, f, confirmMsg);
}

Tch::R Tch::RenameScAnExecution(P&, const F& f, std::string& newfichier, U& update)
{
    return RenameExecution(Kind::ScAn, f, newfichier, update);
}

void Tch::RenameScAnConfirmation(P&, const F& f, std::string& confirmMsg)
{
    RenameConfirmation(Kind::ScAn, f, confirmMsg);
}

Tch::R Tch::FileDateExecution(P&, const F& f, std::string& newfichier, U& update)
{
    update = utModify;
    newfichier = f.FullName;
    // Linux keeps no settable birth time: the modification time carries the recording date, and
    // the access time stays as it is.
    timespec times[2] = {{0, UTIME_OMIT}, {0, 0}};
    if (!LocalToFileTime(f.RecDate, times[1]))
        return ExecutionOutcome::Failed(
            rtl::Format("The dates of \"%s\" were not changed: its recording date has no file time.", f.FileName));
    CallHooks([&](WindowHooks& h) { h.CloseViewer(f.FullName); });
    const int err = ::utimensat(AT_FDCWD, f.FullName.c_str(), times, 0) == 0 ? 0 : errno;
    CallHooks([&](WindowHooks& h) { h.EndCloseViewer(f.FullName); });
    if (err != 0)
        return ExecutionOutcome::Failed(
            rtl::Format("The dates of \"%s\" were not changed: %s", f.FileName, SystemReason(err)));
    return {};
}

void Tch::FileDateConfirmation(P&, const F& f, std::string& confirmMsg)
{
    const std::string dates = std::string(kLineBreak) + kLineBreak + "Old creation date: " + DateText(f.CreationTime) +
                              kLineBreak + "Old modified date:  " + DateText(f.LastWriteTime) + kLineBreak +
                              "New date : " + DateText(f.RecDate);
    confirmMsg = FittingText({"Do you really want to modify the dates of the file '" + f.FileName + "'" + dates,
                              "Do you really want to modify the dates of this file?" + dates});
}

} // namespace actions
