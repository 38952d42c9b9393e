#include "actions/CommandLineRun.h"

#include <filesystem>
#include <unordered_set>

#include "actions/aviFichier.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"

namespace actions {

using namespace rtl::sid;

CommandLineRun::CommandLineRun(CommandLine line, SwitchList table) : line_(std::move(line)), table_(std::move(table))
{
    std::unordered_set<std::string> seen;
    for (const std::string& name : line_.Files) {
        const std::string full = rtl::ExpandFileName(name);
        std::error_code ec;
        const auto kind = std::filesystem::status(full, ec);
        int problem = 0;
        if (std::filesystem::is_directory(kind))
            problem = sHeadlessFolder;
        else if (!std::filesystem::is_regular_file(kind))
            problem = sHeadlessNoSuchFile;
        else if (!rtl::SameText(rtl::ExtractFileExt(full), ".avi"))
            problem = sHeadlessNotAvi;
        if (problem != 0)
            problems_.push_back(rtl::Format(rtl::LoadStr(problem), name));
        else if (seen.insert(full).second)
            names_.push_back(full);
    }
}

CommandLineRun::~CommandLineRun() = default;

std::vector<std::string> CommandLineRun::Start(const Lookup& listed, BatchObserver& observer,
                                               std::function<void()> onDone)
{
    std::vector<std::string> missing;
    TBatchThread::FileList files;
    for (const std::string& name : names_) {
        if (auto fichier = listed(name))
            files.push_back(std::move(fichier));
        else
            missing.push_back(rtl::Format(rtl::LoadStr(sHeadlessNoSuchFile), name)); // gone meanwhile
    }
    problems_.insert(problems_.end(), missing.begin(), missing.end());
    sequence_ = std::make_unique<BatchSequence>(RunSwitches(line_, table_, files), observer, NoConfirmation());
    sequence_->Start(std::move(onDone));
    return missing;
}

void CommandLineRun::Stop()
{
    if (sequence_)
        sequence_->Stop();
}

void CommandLineRun::End()
{
    if (!sequence_)
        return;
    ended_ = true;
    sequence_->End();
}

int CommandLineRun::ExitStatus() const
{
    const bool failed = !problems_.empty() || (sequence_ && sequence_->Failures() > 0);
    return failed ? kExitFailed : kExitOk;
}

} // namespace actions
