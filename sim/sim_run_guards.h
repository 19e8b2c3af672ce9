// The simulated run lock and keep-awake request: a scenario can say that another run holds the
// lock; every change is recorded with the platform calls and pauses made before it, so that a
// test sees what each one covered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/run_guards.h"
#include "sim/sim_console.h"

namespace sim {

struct RunGuardEvent {
    enum class Kind { LockTaken, LockRefused, LockReleased, AwakeRequested, SleepAllowed };
    Kind kind;
    std::uint64_t callsBefore;  // the machine's platform calls made before this change
    int pausesBefore;
    std::size_t outputBefore;  // bytes of the transcript written before it
};

class SimRunGuards final : public platform::RunGuards {
public:
    SimRunGuards() = default;
    // Events count the machine's platform calls and the console's pauses.
    SimRunGuards(const std::uint64_t& callCount, const SimConsole& console)
        : m_callCount(&callCount), m_console(&console) {}

    // Another run holds the lock: AcquireRunLock refuses.
    void SetLockHeldElsewhere(bool held) { m_heldElsewhere = held; }

    bool LockHeld() const { return m_lockHeld; }
    bool AwakeRequested() const { return m_awake; }
    const std::vector<RunGuardEvent>& Events() const { return m_events; }

    bool AcquireRunLock() override;
    void ReleaseRunLock() override;
    void KeepSystemAwake() override;
    void AllowSystemSleep() override;

private:
    void Record(RunGuardEvent::Kind kind);

    const std::uint64_t* m_callCount = nullptr;
    const SimConsole* m_console = nullptr;
    bool m_heldElsewhere = false;
    bool m_lockHeld = false;
    bool m_awake = false;
    std::vector<RunGuardEvent> m_events;
};

}  // namespace sim
