// The after-run questions, answered from the Wine machine with W-calls.
#pragma once

#include "tests/scenario/scenario.h"

namespace probe {

scn::AfterProbe MachineProbe();

}  // namespace probe
