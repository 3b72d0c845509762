#pragma once
// Start and exit work of the program's modules. The program entry runs every start hook before
// anything of the window exists, and the exit hooks after the message loop has ended, in the
// reverse order of the start hooks.
#include <vector>

struct TModuleHooks {
    const char* Module;
    void (*Start)();  // may be null
    void (*Exit)();   // may be null
};

// The modules' hooks in start order.
const std::vector<TModuleHooks>& ModuleHooks();

// Runs the start hooks of Hooks in order; RunExitHooks then runs the exit hooks of the modules
// whose start ran, last started first. The list must outlive RunExitHooks; a second
// RunStartHooks replaces the record of what was started.
void RunStartHooks(const std::vector<TModuleHooks>& Hooks = ModuleHooks());
void RunExitHooks();
