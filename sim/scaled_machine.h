// Machines of many of the maker's drives, built in code, for measuring how a run grows with
// the number of drives: disks on the inbox driver, and plain disks behind one Intel RST
// controller. Every drive is at the older revision, so every one is updated.
#pragma once

#include <cstdint>
#include <memory>

#include "sim/sim_machine.h"

namespace sim {

struct ScaledMachineOptions {
    std::uint32_t inboxDrives = 0;
    std::uint32_t rstDrives = 0;  // at most 255: the RST requests address a drive by one byte
    // Firmware downloads and activations are accepted by a sink in front of each driver
    // instead of reaching the drive, so the simulator keeps no image copies.
    bool sinkDownloads = true;
};

// Drive names are "inbox<i>" and "rst<i>"; inbox disk i is \\.\PHYSICALDRIVE<i>, RST disk i
// sits at port (bus number) i.
std::unique_ptr<SimMachine> BuildScaledMachine(const ScaledMachineOptions& options);

// Half the drives on the inbox driver (the odd one too), half behind RST.
inline ScaledMachineOptions HalfInboxHalfRst(std::uint32_t drives) {
    return {drives - drives / 2, drives / 2, true};
}

}  // namespace sim
