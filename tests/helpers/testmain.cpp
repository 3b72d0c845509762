#include <windows.h>
#include <gtest/gtest.h>

#include "support/formatting.h"
#include "support/textrules.h"

int main(int argc, char** argv) {
    // No error boxes from the system while tests provoke failures.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // The locale as the program reads it at start-up, in the same order.
    ReadLocaleLeadBytes();
    ReadLocaleSettings();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
