// Morvel's program: a command line whose switches hold "h" runs them without a window; any other
// opens the main window.
#include <QGuiApplication>

#include <cstdio>
#include <string>
#include <vector>

#include "actions/FileAction.h"
#include "actions/chmodule.h"
#include "actions/switches.h"
#include "app/Headless.h"
#include "app/Window.h"
#include "platform/rtl/ProductName.h"

int main(int argc, char** argv)
{
    const std::vector<std::string> parameters(argv + 1, argv + argc);
    actions::Tch ch;
    ch.Localise();
    const actions::FileActionNames names = ch.BuildActionList();
    actions::ApplyModele(names);
    const actions::SwitchList table = actions::BuildSwitchList(names);

    const actions::CommandLine line = actions::ParseCommandLine(parameters, table);
    if (!line.Error.empty()) {
        std::fprintf(stderr, "morvel: %s\n", line.Error.c_str());
        return app::kExitRejected;
    }
    if (!line.Hidden)
        return app::RunWindow(argc, argv, ch, line);
    if (line.Help) {
        std::fputs(app::SwitchHelpText(table).c_str(), stdout);
        return app::kExitOk;
    }
    // The date burn-in draws text, which takes Qt's font machinery: a GUI application, on a
    // platform that needs no display since nothing is shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app::QuietQtMessages();
    QGuiApplication application(argc, argv);
    QGuiApplication::setApplicationName(rtl::ProductName);
    return app::RunHeadless(line, table);
}
