#include "support/modulehooks.h"

#include <cstddef>

namespace {

// One entry per module with work at start or exit, in start order. The module of the remembered
// save path belongs here with its load (start) and save (exit) of that path.
const std::vector<TModuleHooks> Hooks = {
};

const std::vector<TModuleHooks>* Started = nullptr;
std::size_t StartedCount = 0;

}  // namespace

const std::vector<TModuleHooks>& ModuleHooks() { return Hooks; }

void RunStartHooks(const std::vector<TModuleHooks>& List) {
    Started = &List;
    StartedCount = 0;
    for (const TModuleHooks& Module : List) {
        if (Module.Start) Module.Start();
        ++StartedCount;
    }
}

void RunExitHooks() {
    if (!Started) return;
    while (StartedCount > 0) {
        const TModuleHooks& Module = (*Started)[--StartedCount];
        if (Module.Exit) Module.Exit();
    }
    Started = nullptr;
}
