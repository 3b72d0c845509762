// The start and exit work of the modules: order, modules without one of the two, and a start
// that fails.
#include "support/modulehooks.h"

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

TEST(ModuleHooks, TheProgramsListRunsWithoutFailure) {
    RunStartHooks();
    RunExitHooks();
    for (const TModuleHooks& Module : ModuleHooks()) EXPECT_NE(Module.Module, nullptr);
}

}  // namespace
