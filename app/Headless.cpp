#include "app/Headless.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QtGlobal>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <unordered_map>

#include "actions/CommandCaptions.h"
#include "actions/aviFichier.h"
#include "actions/list_unit.h"
#include "app/Window.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "settings/Preferences.h"

namespace app {

namespace {

using namespace rtl::sid;

long long NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

std::string CommandName(const actions::TBatchThread& batch)
{
    // The name the window's menus give the command.
    const std::string caption = rtl::Trim(actions::CommandCaption(batch.Action()));
    return caption.empty() ? batch.Action().Name : caption;
}

// SIGINT and SIGTERM reach the event loop through a pipe: the handler only writes a byte, the
// loop does the stopping. A second signal ends the process at once.
class SignalWatch {
public:
    explicit SignalWatch(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal))
    {
        if (pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
            unsigned char sig = 0;
            while (read(fds_[0], &sig, 1) == 1)
                onSignal_(sig);
        });
        struct sigaction action {};
        action.sa_handler = &SignalWatch::Handle;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, &oldInt_);
        sigaction(SIGTERM, &action, &oldTerm_);
    }
    ~SignalWatch()
    {
        if (!notifier_)
            return;
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
        notifier_.reset();
        close(fds_[0]);
        close(fds_[1]);
        fds_[1] = -1;
    }
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

private:
    static void Handle(int sig)
    {
        const sig_atomic_t before = received_;
        received_ = before + 1;
        if (before > 0)
            _exit(128 + sig);
        const unsigned char byte = static_cast<unsigned char>(sig);
        if (write(fds_[1], &byte, 1) < 0) {
            // The pipe is full or gone: the first byte already tells the loop.
        }
    }

    static inline int fds_[2] = {-1, -1};
    static inline volatile sig_atomic_t received_ = 0;
    std::function<void(int)> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

void QtMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "morvel: %s\n", OneLine(message.toStdString()).c_str());
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

void QuietQtMessages()
{
    qInstallMessageHandler(&QtMessage);
}

void HeadlessObserver::Line(const std::string& text)
{
    std::fprintf(out_, "morvel: %s\n", OneLine(text).c_str());
    std::fflush(out_);
}

void HeadlessObserver::Progress(const actions::TBatchThread& batch, int percent)
{
    const long long now = NowMs();
    if (percent >= 100 || now - lastProgressMs_ < 1000)
        return;
    lastProgressMs_ = now;
    if (progressFile_ != nullptr)
        Line(rtl::Format(rtl::LoadStr(sHeadlessProgress), progressFile_->FullName, CommandName(batch), percent));
}

void HeadlessObserver::FileDone(const actions::TBatchThread& batch, const actions::TAfficherFichier& fichier,
                                const actions::FileOutcome& outcome)
{
    using actions::FileResult;
    const std::string& file = fichier.FullName;
    const std::string command = CommandName(batch);
    switch (outcome.Result) {
    case FileResult::Done:
        if (outcome.Update == actions::utRename && !outcome.NewFichier.empty())
            Line(rtl::Format(rtl::LoadStr(sHeadlessRenamed), file, command, outcome.NewFichier));
        else if (outcome.Update == actions::utAdd && !outcome.NewFichier.empty())
            Line(rtl::Format(rtl::LoadStr(sHeadlessWrote), file, command, outcome.NewFichier));
        else
            Line(rtl::Format(rtl::LoadStr(sHeadlessDone), file, command));
        break;
    case FileResult::Skipped: Line(rtl::Format(rtl::LoadStr(sHeadlessSkipped), file, command)); break;
    case FileResult::Declined: Line(rtl::Format(rtl::LoadStr(sHeadlessDeclined), file, command)); break;
    case FileResult::Failed: Line(rtl::Format(rtl::LoadStr(sHeadlessFailed), file, command, outcome.Message)); break;
    case FileResult::Cancelled: Line(rtl::Format(rtl::LoadStr(sHeadlessCancelled), file, command)); break;
    }
    progressFile_ = nullptr;
}

void HeadlessObserver::CurrentFile(const actions::TBatchThread&, const actions::TAfficherFichier& fichier)
{
    // The first progress line comes a second into the file: a short one shows none.
    progressFile_ = &fichier;
    lastProgressMs_ = NowMs();
}

std::string SwitchHelpText(const actions::SwitchList& table)
{
    std::string text = rtl::LoadStr(sSwitchUsage) + "\n";
    for (const std::string& line : actions::SwitchHelpLines(table)) {
        const size_t at = line.rfind("= +");
        text += "  +" + line.substr(at + 3) + "  " + line.substr(0, at) + "\n";
    }
    return text;
}

int RunHeadless(const actions::CommandLine& line, const actions::SwitchList& table)
{
    StartShared();
    settings::LoadPreferences({});
    settings::SameFolderWhileNoOutputFolder();

    HeadlessObserver observer;
    actions::CommandLineRun run(line, table);
    for (const std::string& problem : run.Problems())
        observer.Line(problem);
    const std::vector<std::string>& names = run.Names();

    int caught = 0;
    std::unique_ptr<actions::TlistThread> list;
    SignalWatch watch([&](int sig) {
        if (caught == 0) {
            caught = sig;
            observer.Line(rtl::LoadStr(sHeadlessInterrupted));
        }
        if (list)
            list->Interrupt();
        actions::Abort();
        actions::AbortAll();
        run.Stop();
    });

    // The list thread analyses the files; the batches start once it has delivered them all.
    // It reports the end of its first, empty turn before any name is queued: the names go in
    // then, and its next report ends their loading.
    std::unordered_map<std::string, std::shared_ptr<const actions::TAfficherFichier>> listed;
    enum class Loading { FirstTurn, Names, Done } loading = Loading::FirstTurn;
    auto loaded = [&] {
        if (caught != 0) {
            QCoreApplication::exit(0);
            return;
        }
        const auto lookup = [&](const std::string& name) {
            const auto it = listed.find(name);
            return it != listed.end() ? it->second : nullptr;
        };
        for (const std::string& problem : run.Start(lookup, observer, [] { QCoreApplication::exit(0); }))
            observer.Line(problem);
    };
    list = std::make_unique<actions::TlistThread>(
        [&](std::shared_ptr<const actions::TAfficherFichier> f) { listed.emplace(f->FullName, std::move(f)); },
        [&] {
            if (loading == Loading::FirstTurn && !names.empty()) {
                loading = Loading::Names;
                for (const std::string& name : names)
                    list->Queue(name);
            } else if (loading != Loading::Done) {
                loading = Loading::Done;
                loaded();
            }
        });
    QCoreApplication::exec();
    list.reset();
    run.End();
    if (caught != 0)
        return 128 + caught;
    return run.ExitStatus();
}

} // namespace app
