// The main of the own-filter tests: the system filters registered as in the program, Qt's
// offscreen platform for the text drawing (the tests that draw make the QGuiApplication).
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/filters/SystemFilters.h"
#include "tests/kit/TsanSuppressions.h"

// Qt's font matching keeps fontconfig patterns in caches that live until the process ends (each
// new font and fallback adds some), and its font engines and glyph caches in the main thread's
// storage, which Qt frees only when that thread ends after the storage is gone (never, once Qt
// Multimedia is loaded too): not leaks of ours, so the leak checker skips what Qt Gui allocates.
// Our own pictures are plain buffers, allocated outside Qt.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:libQt6Gui.so\n";
}

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ds::RegisterSystemFilters(ds::FilterRegistry::Instance());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
