// The main of the window tests: an application on the offscreen platform (or the one
// MORVEL_TEST_PLATFORM names), the system filters registered and the sound silent, as in the
// program without a sound device; the registry and the applications folder (the "Open with"
// launcher) in a temporary folder of the run.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "platform/filters/AudioRenderer.h"
#include "platform/filters/SilentAudioOutput.h"
#include "platform/filters/SystemFilters.h"
#include "platform/vcl/FontMap.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/TsanSuppressions.h"

// Qt keeps fontconfig patterns and its font engines until the process ends: not leaks of ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:libQt6Gui.so\n"
           "leak:libdbus-1.so\n";
}

int main(int argc, char** argv)
{
    // Offscreen, unless a test that needs a real X server (the clipboard read back by xclip) asks.
    const char* platform = std::getenv("MORVEL_TEST_PLATFORM");
    setenv("QT_QPA_PLATFORM", platform && *platform ? platform : "offscreen", 1);
    const testkit::TempDir home;
    setenv("MORVEL_REGISTRY_DIR", home.file("registry").c_str(), 1);
    setenv("XDG_DATA_HOME", home.file("data").c_str(), 1);
    QApplication app(argc, argv);
    QApplication::setFont(vcl::ToQFont("MS Sans Serif", 8));
    ds::RegisterSystemFilters(ds::FilterRegistry::Instance());
    ds::AudioRenderer::SetDefaultOutputFactory([] { return std::make_unique<ds::SilentAudioOutput>(); });
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
