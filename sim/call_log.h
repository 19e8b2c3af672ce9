// The simulated machine's record of the platform calls the tool makes: every call is numbered,
// the fault plan decides whether it fails, and the call and any misuse of a list or handle are
// logged for tests and fault sweeps.
#pragma once

#include <cstdint>
#include <functional>
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

// A console control event the user sends while the tool runs.
enum class ConsoleControl { CtrlC, CtrlBreak };

// Ctrl+C or Ctrl+Break pressed right before or right after the calls a selector matches (its
// occurrence counted among them, 0 every one). "After" holds for Open and Control, which end
// their call; after any other kind the key comes before the next call.
struct Interrupt {
    Fault selector;
    ConsoleControl key = ConsoleControl::CtrlC;
    bool after = false;
};

class CallRecorder {
public:
    FaultPlan& Faults() { return m_faults; }
    void AddInterrupt(Interrupt interrupt) { m_interrupts.push_back({std::move(interrupt), 0}); }
    // Where the keys go: the process's console control handlers. They may end the process
    // (by throwing) when nothing holds the keys off.
    void SetInterruptTarget(std::function<void(ConsoleControl)> target) {
        m_deliver = std::move(target);
    }

    // Numbers the call, asks the fault plan about it and logs it; returns what the plan asks for.
    // Keys due before the call are pressed first.
    std::optional<FaultAction> BeginCall(CallInfo call);
    // The call has returned: keys due after it are pressed.
    void EndCall();
    void ReportMisuse(std::string what) { m_misuse.push_back(std::move(what)); }
    // The id of a new device list or handle; lists and handles share one series.
    std::uint64_t NewObjectId() { return m_nextId++; }

    // The number of calls made so far; the reference stays valid for the recorder's life.
    const std::uint64_t& CallCount() const { return m_callCount; }
    const std::vector<CallRecord>& Records() const { return m_records; }
    const std::vector<std::string>& Misuse() const { return m_misuse; }

private:
    struct InterruptEntry {
        Interrupt interrupt;
        std::uint32_t seen = 0;
    };
    void Press(const std::vector<ConsoleControl>& keys);

    FaultPlan m_faults;
    std::vector<InterruptEntry> m_interrupts;
    std::vector<ConsoleControl> m_afterCall;
    std::function<void(ConsoleControl)> m_deliver;
    std::uint64_t m_callCount = 0;
    std::uint64_t m_nextId = 0x100;
    std::vector<CallRecord> m_records;
    std::vector<std::string> m_misuse;
};

}  // namespace sim
