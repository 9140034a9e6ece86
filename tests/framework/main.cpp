#include <gtest/gtest.h>

#include "tests/framework/child_mode.h"

int main(int argc, char** argv)
{
    // Some tests start this executable again, renamed, to see what another
    // process makes of its own name; that run does its errand and leaves.
    int nChildResult = 0;
    if (RunChildErrand(argc, argv, &nChildResult))
        return nChildResult;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
