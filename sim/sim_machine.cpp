#include "sim/sim_machine.h"

namespace sim {

NvmeDrive& SimMachine::AddDrive(NvmeDriveConfig config) {
    m_drives.push_back(std::make_unique<NvmeDrive>(std::move(config)));
    return *m_drives.back();
}

NvmeDrive* SimMachine::FindDrive(std::string_view name) {
    for (auto& drive : m_drives) {
        if (drive->Name() == name) {
            return drive.get();
        }
    }
    return nullptr;
}

}  // namespace sim
