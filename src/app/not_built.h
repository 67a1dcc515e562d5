#pragma once
// The actions that window bindings name but the program does not have yet. A
// window whose binding names an action that is neither registered nor listed
// here does not open, and a test fails when an action listed here is
// registered: the list shrinks as the features land.
#include <vector>

#include "ui/windows/action_ids.h"

namespace vorta::app {

inline std::vector<ui::ActionId> NotBuiltActions() {
    namespace a = ui::action;
    return {
        // automatic sending
        a::kAutoSendClicked, a::kAutoSendTick, a::kListEcho,
        // batch command generator
        a::kOpenGenerator, a::kGeneratorCreated, a::kModuleTypeSelected, a::kSaveChannelCount,
        a::kFirstAddressChanged, a::kLastAddressChanged, a::kDefaultLayoutClicked, a::kCustomLayoutClicked,
        a::kGenerateLines, a::kAddToAutoSendList, a::kCloseGenerator,
        // byte calculator
        a::kOpenCalculator, a::kCalculatorCreated, a::kCalculatorDestroying,
    };
}

}  // namespace vorta::app
