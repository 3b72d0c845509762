// The start and exit work of the modules: order, modules without one of the two, and a start
// that fails.
#include "pure/support/modulehooks.h"

#ifdef _WIN32
#include "support/registry.h"
#endif

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

std::string Trace;

const std::vector<TModuleHooks> ThreeModules = {
    {"a", [] { Trace += "+a"; }, [] { Trace += "-a"; }},
    {"b", nullptr, [] { Trace += "-b"; }},
    {"c", [] { Trace += "+c"; }, nullptr},
};

const std::vector<TModuleHooks> FailingSecond = {
    {"a", [] { Trace += "+a"; }, [] { Trace += "-a"; }},
    {"b", [] { throw std::runtime_error("b"); }, [] { Trace += "-b"; }},
    {"c", [] { Trace += "+c"; }, [] { Trace += "-c"; }},
};

TEST(ModuleHooks, ExitRunsInReverseOfStartAndOnlyOnce) {
    Trace.clear();
    RunStartHooks(ThreeModules);
    EXPECT_EQ(Trace, "+a+c");
    RunExitHooks();
    EXPECT_EQ(Trace, "+a+c-b-a");
    RunExitHooks();
    EXPECT_EQ(Trace, "+a+c-b-a");
}

TEST(ModuleHooks, AFailedStartLeavesOnlyTheStartedModulesToExit) {
    Trace.clear();
    EXPECT_THROW(RunStartHooks(FailingSecond), std::runtime_error);
    RunExitHooks();
    EXPECT_EQ(Trace, "+a-a");
}

#ifdef _WIN32
TEST(ModuleHooks, TheProgramCarriesTheRememberedSavePathAcrossRuns) {
    const auto& Hooks = ModuleHooks();
    ASSERT_EQ(Hooks.size(), 1u);
    EXPECT_EQ(Hooks[0].Start, &LoadLastDialogFile);
    EXPECT_EQ(Hooks[0].Exit, &SaveLastDialogFile);
    LastDialogFile = "C:\\saved\\报告.txt";
    RunStartHooks();  // the start reads what the registry holds...
    LastDialogFile = "C:\\saved\\报告.txt";
    RunExitHooks();  // ...and the exit stores the current path and empties it
    EXPECT_EQ(LastDialogFile, "");
    LoadLastDialogFile();
    EXPECT_EQ(LastDialogFile, "C:\\saved\\报告.txt");
}
#endif

}  // namespace
