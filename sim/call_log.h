// The simulated machine's record of the platform calls the tool makes: every call is numbered,
// the fault plan decides whether it fails, and the call and any misuse of a list or handle are
// logged for tests and fault sweeps.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/faults.h"

namespace sim {

// One platform call the tool made, for tests and fault sweeps.
struct CallRecord {
    CallInfo call;
    bool failed = false;
    win::Dword error = 0;
};

// A call of this kind on this target, not yet numbered.
CallInfo Call(CallKind kind, std::u16string target = {});

class CallRecorder {
public:
    FaultPlan& Faults() { return m_faults; }

    // Numbers the call, asks the fault plan about it and logs it; returns what the plan asks for.
    std::optional<FaultAction> BeginCall(CallInfo call);
    void ReportMisuse(std::string what) { m_misuse.push_back(std::move(what)); }
    // The id of a new device list or handle; lists and handles share one series.
    std::uint64_t NewObjectId() { return m_nextId++; }

    // The number of calls made so far; the reference stays valid for the recorder's life.
    const std::uint64_t& CallCount() const { return m_callCount; }
    const std::vector<CallRecord>& Records() const { return m_records; }
    const std::vector<std::string>& Misuse() const { return m_misuse; }

private:
    FaultPlan m_faults;
    std::uint64_t m_callCount = 0;
    std::uint64_t m_nextId = 0x100;
    std::vector<CallRecord> m_records;
    std::vector<std::string> m_misuse;
};

}  // namespace sim
