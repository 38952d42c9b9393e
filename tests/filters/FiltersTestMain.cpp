// The main of the system-filter tests: the registry holds the system filters, as in the program.
#include <gtest/gtest.h>

#include "platform/filters/SystemFilters.h"
#include "tests/kit/TsanSuppressions.h"

int main(int argc, char** argv)
{
    ds::RegisterSystemFilters(ds::FilterRegistry::Instance());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
