// What one run holds from Windows while it goes: the machine-wide run lock (Windows' firmware
// interface takes one download and one activation at a time, never two runs in parallel), the
// request that keeps the system awake between two pieces, and the console's Ctrl+C and
// Ctrl+Break, which must not end the process while drives are being updated. The run takes
// each through an RAII object below, which gives it back on every path.
#pragma once

namespace platform {

class RunGuards {
public:
    virtual ~RunGuards() = default;

    // Takes the machine-wide lock of the update runs; false when another run holds it, or when
    // the lock cannot be had or trusted (then another run may be going too).
    virtual bool AcquireRunLock() = 0;
    virtual void ReleaseRunLock() = 0;
    // SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED), then ES_CONTINUOUS alone.
    virtual void KeepSystemAwake() = 0;
    virtual void AllowSystemSleep() = 0;
    // Until EndIgnoringInterrupts, Ctrl+C and Ctrl+Break leave the process running; from then
    // on they are the key of the final pause.
    virtual void IgnoreInterrupts() = 0;
    virtual void EndIgnoringInterrupts() = 0;
};

// The run lock for the lifetime of the object, when no other run holds it.
class RunLock {
public:
    explicit RunLock(RunGuards& guards) : m_guards(guards), m_held(guards.AcquireRunLock()) {}
    ~RunLock() {
        if (m_held) {
            m_guards.ReleaseRunLock();
        }
    }
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

    bool Held() const { return m_held; }

private:
    RunGuards& m_guards;
    bool m_held;
};

// The system kept awake for the lifetime of the object.
class KeepAwake {
public:
    explicit KeepAwake(RunGuards& guards) : m_guards(guards) { m_guards.KeepSystemAwake(); }
    ~KeepAwake() { m_guards.AllowSystemSleep(); }
    KeepAwake(const KeepAwake&) = delete;
    KeepAwake& operator=(const KeepAwake&) = delete;

private:
    RunGuards& m_guards;
};

// Ctrl+C and Ctrl+Break ignored for the lifetime of the object.
class NoInterruption {
public:
    explicit NoInterruption(RunGuards& guards) : m_guards(guards) { m_guards.IgnoreInterrupts(); }
    ~NoInterruption() { m_guards.EndIgnoringInterrupts(); }
    NoInterruption(const NoInterruption&) = delete;
    NoInterruption& operator=(const NoInterruption&) = delete;

private:
    RunGuards& m_guards;
};

}  // namespace platform
