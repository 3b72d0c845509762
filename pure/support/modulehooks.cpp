#include "pure/support/modulehooks.h"

#include <cstddef>

namespace {

const std::vector<TModuleHooks>* Started = nullptr;
std::size_t StartedCount = 0;

}  // namespace

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
