// A simulated machine's identity: a given name, and UTC as its time zone, so that an inspection's
// JSON stays the same from run to run.
#pragma once

#include <string>
#include <utility>

#include "platform/machine_identity.h"

namespace sim {

class FixedMachineIdentity final : public platform::MachineIdentity {
public:
    explicit FixedMachineIdentity(std::u16string name) : m_name(std::move(name)) {}
    std::u16string HostName() override { return m_name; }
    int UtcOffsetMinutes() override { return 0; }

private:
    std::u16string m_name;
};

}  // namespace sim
