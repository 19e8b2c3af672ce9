#include "sim/sim_run_guards.h"

namespace sim {

bool SimRunGuards::AcquireRunLock() {
    m_lockHeld = !m_heldElsewhere;
    Record(m_lockHeld ? RunGuardEvent::Kind::LockTaken : RunGuardEvent::Kind::LockRefused);
    return m_lockHeld;
}

void SimRunGuards::ReleaseRunLock() {
    m_lockHeld = false;
    Record(RunGuardEvent::Kind::LockReleased);
}

void SimRunGuards::KeepSystemAwake() {
    m_awake = true;
    Record(RunGuardEvent::Kind::AwakeRequested);
}

void SimRunGuards::AllowSystemSleep() {
    m_awake = false;
    Record(RunGuardEvent::Kind::SleepAllowed);
}

void SimRunGuards::Record(RunGuardEvent::Kind kind) {
    m_events.push_back({kind, m_callCount != nullptr ? *m_callCount : 0,
                        m_console != nullptr ? m_console->PauseCount() : 0,
                        m_console != nullptr ? m_console->Transcript().size() : 0});
}

}  // namespace sim
