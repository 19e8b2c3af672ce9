// Injected failures and the accounting of what the tool holds open. A fault makes one kind of
// platform call fail with a Windows error code (or, for a device control, succeed with a given
// driver ReturnCode), chosen by kind, target text, control code, occurrence or the global number
// of the call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windows_values.h"

namespace sim {

enum class CallKind {
    Open,
    Control,
    GetClassDevices,
    EnumDeviceInfo,
    EnumDeviceInterfaces,
    GetDeviceInterfaceDetail,
    GetDeviceStringProperty,
    GetHardwareIds,
};

std::string_view CallKindName(CallKind kind);
std::optional<CallKind> ParseCallKind(std::string_view name);

// What the machine knows about one platform call when it asks for a fault.
struct CallInfo {
    CallKind kind = CallKind::Open;
    std::uint64_t number = 0;  // global 1-based call number
    std::u16string target;     // path opened or controlled, or the device's instance ID
    std::uint32_t controlCode = 0;
    std::string signature;       // SRB_IO_CONTROL signature of IOCTL_SCSI_MINIPORT (8 bytes)
    std::uint32_t function = 0;  // FIRMWARE_REQUEST_BLOCK function where the request has one;
                                 // for "IntelNvm" the NVMe admin opcode
};

struct Fault {
    std::optional<CallKind> kind;              // any kind when empty
    std::u16string target;                     // substring of CallInfo::target, case-insensitive
    std::optional<std::uint32_t> controlCode;  // Control only
    std::string signature;                     // Control only; empty matches any
    std::optional<std::uint32_t> function;     // Control only
    std::uint32_t occurrence = 0;              // 1-based among matching calls; 0 = every one
    std::optional<std::uint64_t> callNumber;   // fail exactly this global call number
    win::Dword error = win::kErrorGenFailure;  // the error the call fails with
    std::optional<std::uint32_t> returnCode;   // Control: succeed, with this SRB ReturnCode
    bool deliver = false;  // with returnCode: the driver handles the request first, then the
                           // ReturnCode it wrote is replaced
};

// Whether the fault's selector (kind, target, control code, signature, function, call number)
// matches the call; the occurrence is counted by whoever keeps the fault.
bool Matches(const Fault& fault, const CallInfo& call);

// The decision for one call: fail with an error, or (device control) answer a ReturnCode.
struct FaultAction {
    bool fail = false;
    win::Dword error = 0;
    std::optional<std::uint32_t> returnCode;
    bool deliver = false;
};

class FaultPlan {
public:
    void Add(Fault fault);
    // Fails the platform call with this global number (a fault sweep).
    void FailCallNumber(std::uint64_t number, win::Dword error = win::kErrorGenFailure);
    void Clear();

    // Counts the call against every fault that matches it and returns what the first fault
    // whose occurrence is reached asks for; nothing when the call proceeds normally.
    std::optional<FaultAction> Decide(const CallInfo& call);

    std::size_t Size() const { return m_faults.size(); }
    // How many times each fault was applied, in the order the faults were added.
    std::vector<std::uint32_t> AppliedCounts() const;

private:
    struct Entry {
        Fault fault;
        std::uint32_t seen = 0;
        std::uint32_t applied = 0;
    };
    std::vector<Entry> m_faults;
};

}  // namespace sim
