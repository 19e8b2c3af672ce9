// Who and when an inspection is of: the computer's name and the local time's offset from UTC.
#pragma once

#include <string>

namespace platform {

class MachineIdentity {
public:
    virtual ~MachineIdentity() = default;
    // The computer's DNS host name.
    virtual std::u16string HostName() = 0;
    // Local time minus UTC, in minutes, now (east of Greenwich positive).
    virtual int UtcOffsetMinutes() = 0;
};

}  // namespace platform
