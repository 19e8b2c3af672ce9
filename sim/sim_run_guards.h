// The simulated run lock, keep-awake request and console control handling: a scenario can say
// that another run holds the lock or that another object took its name, and press Ctrl+C or
// Ctrl+Break during the run; every change and every key is recorded with the platform calls and
// pauses made before it, so that a test sees what each one covered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/run_guards.h"
#include "sim/call_log.h"
#include "sim/sim_console.h"

namespace sim {

// The process ended as Windows' default console control handler ends it: at once, with
// STATUS_CONTROL_C_EXIT. Thrown out of the platform call during which the key came.
struct ProcessEnded {
    std::int32_t exitCode;
};
inline constexpr std::int32_t kStatusControlCExit = static_cast<std::int32_t>(0xC000013Au);

// What holds the run lock's name besides the tool's own mutex.
enum class LockSquatter { None, Event, Mutex };

struct RunGuardEvent {
    enum class Kind {
        LockTaken,
        LockRefused,
        LockReleased,
        AwakeRequested,
        SleepAllowed,
        InterruptsIgnored,
        InterruptsEnded,
        KeyIgnored,      // Ctrl+C or Ctrl+Break while they were ignored
        KeyForThePause,  // after the update: the key of the pause
    };
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
    // Another user created an object of the lock's name: not the tool's mutex, so refused.
    void SetLockSquatted(LockSquatter squatter) { m_squatter = squatter; }
    // The console's control handlers meet the key: ignored while the run ignores them, the
    // pause's key after, and before that Windows' default handler ends the process.
    void Press(ConsoleControl key);

    bool LockHeld() const { return m_lockHeld; }
    bool AwakeRequested() const { return m_awake; }
    const std::vector<RunGuardEvent>& Events() const { return m_events; }

    bool AcquireRunLock() override;
    void ReleaseRunLock() override;
    void KeepSystemAwake() override;
    void AllowSystemSleep() override;
    void IgnoreInterrupts() override;
    void EndIgnoringInterrupts() override;

private:
    enum class Keys { EndProcess, Ignored, PauseKey };

    void Record(RunGuardEvent::Kind kind);

    const std::uint64_t* m_callCount = nullptr;
    const SimConsole* m_console = nullptr;
    bool m_heldElsewhere = false;
    LockSquatter m_squatter = LockSquatter::None;
    Keys m_keys = Keys::EndProcess;
    bool m_lockHeld = false;
    bool m_awake = false;
    std::vector<RunGuardEvent> m_events;
};

}  // namespace sim
