// The computer's DNS host name (GetComputerNameExW) and the time zone's offset now.
#pragma once

#include "platform/machine_identity.h"

namespace platform::win32 {

class Win32MachineIdentity final : public MachineIdentity {
public:
    std::u16string HostName() override;
    int UtcOffsetMinutes() override;
};

}  // namespace platform::win32
