#include "sim/call_log.h"

namespace sim {

CallInfo Call(CallKind kind, std::u16string target) {
    CallInfo call;
    call.kind = kind;
    call.target = std::move(target);
    return call;
}

std::optional<FaultAction> CallRecorder::BeginCall(CallInfo call) {
    call.number = ++m_callCount;
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

}  // namespace sim
