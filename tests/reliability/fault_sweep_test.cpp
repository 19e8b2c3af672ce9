// Each platform call of a scenario's run fails in turn; each miniport request is also answered
// once with a failing driver ReturnCode, both without the driver acting on it and after the
// driver did. Every run must keep the invariants of run_checks.h.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <iostream>

#include "tests/reliability/run_checks.h"

namespace {

constexpr std::uint32_t kFirmwareStatusError = 1;

using reliability::LoadReliabilityScenario;

struct Figures {
    std::uint64_t faultPoints = 0;
    std::uint64_t runs = 0;
    std::uint64_t brokenRuns = 0;
    std::uint64_t leaks = 0;
    std::uint64_t wrongActivations = 0;
};

class FaultSweep : public testing::TestWithParam<std::string> {
protected:
    // One run of a fresh machine with the fault the plan is given; reports every broken rule.
    // A fault from the first firmware request on cannot change which disks were selected: the
    // report must list the clean run's disks, in the same order.
    // A failed open or device control call must also be named, with its error, by the run's
    // record of where its operations stopped.
    void RunWith(std::uint64_t faultedCall, const std::function<void(sim::FaultPlan&)>& plan,
                 const std::string& where, const sim::CallRecord* failed = nullptr) {
        sim::LoadResult loaded = LoadReliabilityScenario(GetParam());
        ASSERT_TRUE(loaded.machine) << loaded.error;
        plan(loaded.machine->Faults());
        const sim::RunOutcome outcome = sim::RunScenario(*loaded.machine);
        std::vector<std::string> broken = reliability::CheckRun(*loaded.machine, outcome);
        if (faultedCall >= m_firstFirmwareCall && ReportedSerials(outcome) != m_cleanSerials) {
            broken.push_back("the report does not list the disks the clean run selected");
        }
        // Without an answer to the firmware slot log, the update goes on as it would without
        // asking: the same console text as the clean run, whose drives have nothing pending.
        if (IsSlotLogRequest(faultedCall) && outcome.transcript != m_cleanTranscript) {
            broken.push_back("an unanswered slot log request changed the run");
        }
        if (failed != nullptr) {
            // The call as it failed in this run (a scenario's own fault may have come first).
            const auto& log = loaded.machine->CallLog();
            const auto it = std::find_if(log.begin(), log.end(), [&](const sim::CallRecord& r) {
                return r.call.number == failed->call.number;
            });
            if (it != log.end() && it->failed && NamedByItsOperation(*it) &&
                !reliability::RecordNamesFailure(outcome.record, *it)) {
                broken.push_back("no stop in the run's record names the failed call");
            }
        }
        ++m_figures.runs;
        m_figures.brokenRuns += broken.empty() ? 0 : 1;
        m_figures.leaks += loaded.machine->OpenHandleCount() + loaded.machine->OpenListCount();
        m_figures.wrongActivations += reliability::WrongActivations(*loaded.machine);
        for (const std::string& rule : broken) {
            ADD_FAILURE() << GetParam() << ", " << where << ": " << rule;
        }
    }

    // The clean run's calls, checked themselves: the fault points of the sweep.
    std::vector<sim::CallRecord> CleanCalls() {
        sim::LoadResult clean = LoadReliabilityScenario(GetParam());
        if (!clean.machine) {
            ADD_FAILURE() << clean.error;
            return {};
        }
        const sim::RunOutcome outcome = sim::RunScenario(*clean.machine);
        ++m_figures.runs;
        for (const std::string& rule : reliability::CheckRun(*clean.machine, outcome)) {
            ADD_FAILURE() << GetParam() << ", clean run: " << rule;
        }
        m_cleanSerials = ReportedSerials(outcome);
        m_cleanTranscript = outcome.transcript;
        for (const sim::CallRecord& record : clean.machine->CallLog()) {
            if (record.call.signature == "FIRMWARE" || record.call.signature == "IntelFw ") {
                m_firstFirmwareCall = std::min(m_firstFirmwareCall, record.call.number);
            }
            if (IsSlotLog(record)) {
                m_slotLogCalls.push_back(record.call.number);
            }
        }
        return clean.machine->CallLog();
    }

    // The RST access path's Get Log Page (opcode 02h) of the firmware slot log, before the
    // download.
    static bool IsSlotLog(const sim::CallRecord& call) {
        return call.call.kind == sim::CallKind::Control && call.call.signature == "IntelNvm" &&
               call.call.function == 2;
    }

    bool IsSlotLogRequest(std::uint64_t callNumber) const {
        return std::find(m_slotLogCalls.begin(), m_slotLogCalls.end(), callNumber) !=
               m_slotLogCalls.end();
    }

    // Opens and device control calls belong to an operation that keeps its stop; the quiet
    // ones do not: the controller's open in discovery (printed, but the search just ends) is
    // named too, the second CSMI query for a large set is not (the first answer is taken), nor
    // the slot log request (the update goes on without its answer).
    static bool NamedByItsOperation(const sim::CallRecord& call) {
        if (call.call.kind == sim::CallKind::Open) {
            return true;
        }
        return call.call.kind == sim::CallKind::Control &&
               !call.call.signature.starts_with("CSMIARY") && !IsSlotLog(call);
    }

    static std::vector<std::string> ReportedSerials(const sim::RunOutcome& outcome) {
        std::vector<std::string> serials;
        for (const reliability::ReportedDisk& disk :
             reliability::ParseReport(outcome.transcript).disks) {
            serials.push_back(disk.serial);
        }
        return serials;
    }

    void Report(const char* sweep, std::size_t calls) {
        EXPECT_EQ(m_figures.brokenRuns, 0u);
        // Figures for docs/reliability.md.
        std::cout << "[figures] " << sweep << " " << GetParam() << ": platform calls " << calls
                  << ", fault points " << m_figures.faultPoints << ", runs " << m_figures.runs
                  << ", broken runs " << m_figures.brokenRuns << ", leaks " << m_figures.leaks
                  << ", wrong activations " << m_figures.wrongActivations << "\n";
    }

    Figures m_figures;
    std::vector<std::string> m_cleanSerials;
    std::string m_cleanTranscript;
    std::vector<std::uint64_t> m_slotLogCalls;
    std::uint64_t m_firstFirmwareCall = UINT64_MAX;
};

std::string Describe(const sim::CallRecord& record) {
    return "call " + std::to_string(record.call.number) + " (" +
           std::string(sim::CallKindName(record.call.kind)) + ")";
}

// Under FWU_SWEEP_SAMPLE (the sanitizer build, where a run costs ten times more) a long series of
// like calls, the pieces of one download, is tried at its first two and last two calls only.
bool Swept(const std::vector<sim::CallRecord>& calls, std::size_t i) {
    if (std::getenv("FWU_SWEEP_SAMPLE") == nullptr) {
        return true;
    }
    auto alike = [&calls](std::size_t a, std::size_t b) {
        const sim::CallInfo& x = calls[a].call;
        const sim::CallInfo& y = calls[b].call;
        return x.kind == y.kind && x.target == y.target && x.controlCode == y.controlCode &&
               x.signature == y.signature && x.function == y.function;
    };
    std::size_t first = i;
    while (first > 0 && alike(first - 1, i)) {
        --first;
    }
    std::size_t last = i;
    while (last + 1 < calls.size() && alike(last + 1, i)) {
        ++last;
    }
    return i < first + 2 || i + 2 > last;
}

TEST_P(FaultSweep, EveryFailedCallEndsSoundly) {
    const std::vector<sim::CallRecord> calls = CleanCalls();
    ASSERT_FALSE(calls.empty());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (!Swept(calls, i)) {
            continue;
        }
        const std::uint64_t n = calls[i].call.number;
        ++m_figures.faultPoints;
        RunWith(
            n, [n](sim::FaultPlan& faults) { faults.FailCallNumber(n, win::kErrorIoDevice); },
            Describe(calls[i]) + " failed", &calls[i]);
    }
    Report("failed calls", calls.size());
}

// A miniport request that comes back with a failing ReturnCode: once as if the driver never
// acted on it, once after the driver (and the drive) did.
TEST_P(FaultSweep, EveryFailingReturnCodeEndsSoundly) {
    const std::vector<sim::CallRecord> calls = CleanCalls();
    ASSERT_FALSE(calls.empty());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const sim::CallRecord& record = calls[i];
        if (record.call.kind != sim::CallKind::Control ||
            record.call.controlCode != win::kIoctlScsiMiniport || !Swept(calls, i)) {
            continue;
        }
        for (const bool deliver : {false, true}) {
            ++m_figures.faultPoints;
            const std::uint64_t n = record.call.number;
            RunWith(
                n,
                [n, deliver](sim::FaultPlan& faults) {
                    sim::Fault fault;
                    fault.callNumber = n;
                    fault.returnCode = kFirmwareStatusError;
                    fault.deliver = deliver;
                    faults.Add(fault);
                },
                Describe(record) +
                    (deliver ? " handled, then ReturnCode 1" : " answered ReturnCode 1"));
        }
    }
    Report("failing return codes", calls.size());
}

INSTANTIATE_TEST_SUITE_P(Scenarios, FaultSweep,
                         testing::ValuesIn(reliability::ReliabilityScenarios()),
                         [](const testing::TestParamInfo<std::string>& paramInfo) {
                             std::string name = paramInfo.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
