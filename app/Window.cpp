#include "app/Window.h"

#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/Headless.h"
#include "app/RegionalSettings.h"
#include "platform/filters/SystemFilters.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ProductName.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/FontMap.h"
#include "ui/UIForm.h"

namespace app {

namespace {

using namespace rtl::sid;

bool EnvSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Qt says why a platform cannot start in warnings, then gives up with a fatal message and an
// abort: while the application is made, the first warning is kept, and a fatal message becomes
// one line and the rejected status.
std::string startWarning;

void StartMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg) {
        if (startWarning.empty())
            startWarning = message.section(QLatin1Char('\n'), 0, 0).toStdString();
        return;
    }
    if (type == QtFatalMsg) {
        const std::string reason =
            startWarning.empty() ? message.section(QLatin1Char('\n'), 0, 0).toStdString() : startWarning;
        std::fprintf(stderr, "morvel: %s\n", rtl::Format(rtl::LoadStr(sUiWindowFailed), reason).c_str());
        std::fflush(stderr);
        _exit(kExitRejected);
    }
}

// Milliseconds since the process started (the kernel counts in clock ticks since boot).
long long MsSinceStart()
{
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')'); // the command name may hold blanks
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    // After the name: state is field 3; the start time is field 22.
    for (int i = 3; i <= 22 && fields >> field; ++i) {
        if (i == 22) {
            timespec now{};
            clock_gettime(CLOCK_BOOTTIME, &now);
            const double started = std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
            return static_cast<long long>((now.tv_sec + now.tv_nsec / 1e9 - started) * 1000.0);
        }
    }
    return -1;
}

void Trace(ui::TUIForm& window, bool noFiles)
{
    window.OnFirstPaint = [&window, noFiles] {
        std::fprintf(stderr, "morvel: shown %lld ms\n", MsSinceStart());
        if (noFiles) {
            std::fprintf(stderr, "morvel: listed 0 files %lld ms\n", MsSinceStart());
            window.close();
        }
    };
    window.OnCommandLineLoaded = [&window](bool) {
        std::fprintf(stderr, "morvel: listed %zu files %lld ms\n", window.KeyList.size(), MsSinceStart());
        window.close();
    };
}

} // namespace

bool DisplayAvailable()
{
    return EnvSet("QT_QPA_PLATFORM") || EnvSet("DISPLAY") || EnvSet("WAYLAND_DISPLAY");
}

void StartShared()
{
    ds::RegisterSystemFilters(ds::FilterRegistry::Instance());
    LoadRegionalSettings();
}

int RunWindow(int argc, char** argv, actions::Tch& ch, const actions::CommandLine& line)
{
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "morvel: %s\n", rtl::LoadStr(sUiNoDisplay).c_str());
        return kExitRejected;
    }
    const QtMessageHandler previous = qInstallMessageHandler(&StartMessage);
    QApplication application(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setApplicationName(QString::fromLatin1(rtl::ProductName));
    QApplication::setFont(vcl::ToQFont("MS Sans Serif", 8));
    StartShared();

    int status = kExitOk;
    {
        ui::TUIForm window(ch);
        window.SetCommandLine(line);
        if (EnvSet("MORVEL_STARTUP_TRACE"))
            Trace(window, line.Files.empty());
        window.show();
        status = QApplication::exec();
        if (status == kExitOk)
            status = window.ExitStatus(); // a command line's "c" closed it
    }
    return status;
}

} // namespace app
