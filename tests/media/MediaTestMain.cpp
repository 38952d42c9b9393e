// The main of the own-filter tests: the system filters registered as in the program, Qt's
// offscreen platform for the text drawing (the tests that draw make the QGuiApplication).
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/filters/SystemFilters.h"
#include "tests/kit/TsanSuppressions.h"

// Qt's font matching keeps fontconfig patterns in caches that live until the process ends (each
// new font and fallback adds some): not leaks of ours, so the leak checker is told to skip them.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ds::RegisterSystemFilters(ds::FilterRegistry::Instance());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
