#include "sim/call_log.h"

namespace sim {

CallInfo Call(CallKind kind, std::u16string target) {
    CallInfo call;
    call.kind = kind;
    call.target = std::move(target);
    return call;
}

std::optional<FaultAction> CallRecorder::BeginCall(CallInfo call) {
    EndCall();
    call.number = ++m_callCount;
    std::vector<ConsoleControl> before;
    for (InterruptEntry& entry : m_interrupts) {
        if (!Matches(entry.interrupt.selector, call)) {
            continue;
        }
        ++entry.seen;
        const std::uint32_t occurrence = entry.interrupt.selector.occurrence;
        if (occurrence == 0 || occurrence == entry.seen) {
            (entry.interrupt.after ? m_afterCall : before).push_back(entry.interrupt.key);
        }
    }
    Press(before);
    std::optional<FaultAction> action = m_faults.Decide(call);
    CallRecord record;
    record.call = call;
    if (action && action->fail) {
        record.failed = true;
        record.error = action->error;
    }
    m_records.push_back(std::move(record));
    return action;
}

void CallRecorder::EndCall() {
    std::vector<ConsoleControl> keys;
    keys.swap(m_afterCall);
    Press(keys);
}

void CallRecorder::Press(const std::vector<ConsoleControl>& keys) {
    for (const ConsoleControl key : keys) {
        if (m_deliver) {
            m_deliver(key);
        }
    }
}

}  // namespace sim
