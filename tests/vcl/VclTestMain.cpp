// The main of the widget tests: an application on the offscreen platform (no display needed,
// also when ctest lists the tests) and the system filters registered, as in the program.
#include <QApplication>
#include <gtest/gtest.h>

#include "platform/filters/SystemFilters.h"
#include "tests/kit/TsanSuppressions.h"

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ds::RegisterSystemFilters(ds::FilterRegistry::Instance());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
