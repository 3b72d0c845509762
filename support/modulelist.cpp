// The modules of the program that have work at start or exit, in start order.
#include "pure/support/modulehooks.h"
#include "support/registry.h"

const std::vector<TModuleHooks>& ModuleHooks() {
    static const std::vector<TModuleHooks> Hooks = {
        {"registry", LoadLastDialogFile, SaveLastDialogFile},  // the remembered save path
    };
    return Hooks;
}
