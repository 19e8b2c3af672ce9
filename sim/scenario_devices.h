// The device parts of a scenario: drives, disks on the inbox driver, plain devices and the
// property types of devices already built.
#pragma once

#include <nlohmann/json_fwd.hpp>

namespace sim {

class SimMachine;

// Each adds what one entry of the scenario describes to the machine. They throw
// nlohmann::json::exception or std::invalid_argument on a bad description.
void LoadDrive(const nlohmann::json& d, SimMachine& machine);
void LoadInboxDisk(const nlohmann::json& d, SimMachine& machine);
void LoadDevice(const nlohmann::json& d, SimMachine& machine);
// A property of a device already built, stored with another type than Windows gives it.
void LoadPropertyType(const nlohmann::json& t, SimMachine& machine);

}  // namespace sim
