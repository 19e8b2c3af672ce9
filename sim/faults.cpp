#include "sim/faults.h"

#include <array>
#include <utility>

#include "platform/text.h"

namespace sim {

namespace {

constexpr std::array<std::pair<CallKind, std::string_view>, 8> kKindNames = {{
    {CallKind::Open, "Open"},
    {CallKind::Control, "Control"},
    {CallKind::GetClassDevices, "GetClassDevices"},
    {CallKind::EnumDeviceInfo, "EnumDeviceInfo"},
    {CallKind::EnumDeviceInterfaces, "EnumDeviceInterfaces"},
    {CallKind::GetDeviceInterfaceDetail, "GetDeviceInterfaceDetail"},
    {CallKind::GetDeviceStringProperty, "GetDeviceStringProperty"},
    {CallKind::GetHardwareIds, "GetHardwareIds"},
}};

}  // namespace

bool Matches(const Fault& fault, const CallInfo& call) {
    if (fault.callNumber && *fault.callNumber != call.number) {
        return false;
    }
    if (fault.kind && *fault.kind != call.kind) {
        return false;
    }
    if (!fault.target.empty() && !platform::Contains(platform::ToUpperAscii(call.target),
                                                     platform::ToUpperAscii(fault.target))) {
        return false;
    }
    const bool control = call.kind == CallKind::Control;
    if (fault.controlCode && (!control || *fault.controlCode != call.controlCode)) {
        return false;
    }
    if (!fault.signature.empty() && (!control || fault.signature != call.signature)) {
        return false;
    }
    if (fault.function && (!control || *fault.function != call.function)) {
        return false;
    }
    return true;
}

std::string_view CallKindName(CallKind kind) {
    for (const auto& [k, name] : kKindNames) {
        if (k == kind) {
            return name;
        }
    }
    return "?";
}

std::optional<CallKind> ParseCallKind(std::string_view name) {
    for (const auto& [k, n] : kKindNames) {
        if (n == name) {
            return k;
        }
    }
    return std::nullopt;
}

void FaultPlan::Add(Fault fault) {
    m_faults.push_back({std::move(fault), 0, 0});
}

void FaultPlan::FailCallNumber(std::uint64_t number, win::Dword error) {
    Fault fault;
    fault.callNumber = number;
    fault.error = error;
    Add(std::move(fault));
}

void FaultPlan::Clear() {
    m_faults.clear();
}

std::optional<FaultAction> FaultPlan::Decide(const CallInfo& call) {
    std::optional<FaultAction> action;
    for (Entry& entry : m_faults) {
        if (!Matches(entry.fault, call)) {
            continue;
        }
        ++entry.seen;
        if (action || (entry.fault.occurrence != 0 && entry.fault.occurrence != entry.seen)) {
            continue;
        }
        ++entry.applied;
        FaultAction chosen;
        if (entry.fault.returnCode && call.kind == CallKind::Control) {
            chosen.returnCode = entry.fault.returnCode;
            chosen.deliver = entry.fault.deliver;
        } else {
            chosen.fail = true;
            chosen.error = entry.fault.error;
        }
        action = chosen;
    }
    return action;
}

std::vector<std::uint32_t> FaultPlan::AppliedCounts() const {
    std::vector<std::uint32_t> counts;
    for (const Entry& entry : m_faults) {
        counts.push_back(entry.applied);
    }
    return counts;
}

}  // namespace sim
