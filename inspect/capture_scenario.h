// The captured machine written as scenario text: which device node becomes which entry, the
// drives they refer to, and the notes on what the scenario cannot show as it was captured.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "inspect/capture_drive.h"
#include "inspect/capture_nodes.h"
#include "inspect/capture_rst.h"
#include "inspect/capture_tree.h"
#include "platform/clock.h"

namespace inspect {

struct CapturedMachine {
    CapturedTree tree;
    RstCapture rst;
    std::map<std::uint32_t, DiskProbe> probes;  // by DevInst, of every device with a disk interface
    std::vector<std::u16string> inboxWalkOrder;  // the disks the tool's inbox walk takes, in order
    platform::LocalTime time;
};

// The scenario JSON text of the captured machine.
std::string ScenarioText(const CapturedMachine& machine);

}  // namespace inspect
