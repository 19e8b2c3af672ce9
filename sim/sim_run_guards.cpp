#include "sim/sim_run_guards.h"

namespace sim {

bool SimRunGuards::AcquireRunLock() {
    m_lockHeld = !m_heldElsewhere && m_squatter == LockSquatter::None;
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

void SimRunGuards::IgnoreInterrupts() {
    m_keys = Keys::Ignored;
    Record(RunGuardEvent::Kind::InterruptsIgnored);
}

void SimRunGuards::EndIgnoringInterrupts() {
    m_keys = Keys::PauseKey;
    Record(RunGuardEvent::Kind::InterruptsEnded);
}

void SimRunGuards::Press(ConsoleControl /*key*/) {
    switch (m_keys) {
        case Keys::Ignored:
            Record(RunGuardEvent::Kind::KeyIgnored);
            return;
        case Keys::PauseKey:
            Record(RunGuardEvent::Kind::KeyForThePause);
            return;
        case Keys::EndProcess:
            break;
    }
    throw ProcessEnded{kStatusControlCExit};
}

void SimRunGuards::Record(RunGuardEvent::Kind kind) {
    m_events.push_back({kind, m_callCount != nullptr ? *m_callCount : 0,
                        m_console != nullptr ? m_console->PauseCount() : 0,
                        m_console != nullptr ? m_console->Transcript().size() : 0});
}

}  // namespace sim
