#include "sim/scenario.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "sim/recording_replay.h"
#include "sim/rst_scenario.h"
#include "sim/scenario_devices.h"
#include "sim/scenario_json.h"

namespace sim {

std::string_view DefaultScenarioText();  // generated from sim/scenarios/default.json

namespace {

using nlohmann::json;
using namespace scenario_json;

platform::LocalTime Time(const json& value) {
    platform::LocalTime t;
    const std::string text = Ascii(value, "clock start");
    char end = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &t.Day, &t.Month, &t.Year, &t.Hour,
                    &t.Minute, &t.Second, &end) != 6 ||
        t.Month < 1 || t.Month > 12 || t.Day < 1 || t.Day > 31 || t.Hour > 23 || t.Minute > 59 ||
        t.Second > 59) {
        throw std::invalid_argument("clock start: not DD-MM-YYYY HH:MM:SS: " + text);
    }
    return t;
}

// The call a fault or an interrupt is about: kind, target, control code, signature, function,
// occurrence, global call number.
void LoadSelector(const json& f, Fault& fault) {
    if (f.contains("call")) {
        fault.kind = ParseCallKind(Ascii(f["call"], "call"));
        if (!fault.kind) {
            throw std::invalid_argument("unknown call " + f["call"].dump());
        }
    }
    if (f.contains("target"))
        fault.target = Text(f["target"], "target");
    if (f.contains("controlCode"))
        fault.controlCode = Narrow<std::uint32_t>(f["controlCode"], "controlCode");
    if (f.contains("signature"))
        fault.signature = Ascii(f["signature"], "signature");
    if (f.contains("function"))
        fault.function = Narrow<std::uint32_t>(f["function"], "function");
    if (f.contains("occurrence"))
        fault.occurrence = Narrow<std::uint32_t>(f["occurrence"], "occurrence");
    if (f.contains("callNumber"))
        fault.callNumber = Number(f["callNumber"], "callNumber");
}

Fault LoadFault(const json& f) {
    CheckKeys(f,
              {"call", "target", "controlCode", "signature", "function", "occurrence", "callNumber",
               "error", "returnCode", "deliver"},
              "fault");
    Fault fault;
    LoadSelector(f, fault);
    if (f.contains("error"))
        fault.error = Narrow<std::uint32_t>(f["error"], "error");
    if (f.contains("returnCode"))
        fault.returnCode = Narrow<std::uint32_t>(f["returnCode"], "returnCode");
    if (f.contains("deliver"))
        fault.deliver = f["deliver"].get<bool>();
    return fault;
}

Interrupt LoadInterrupt(const json& f) {
    CheckKeys(f,
              {"key", "when", "call", "target", "controlCode", "signature", "function",
               "occurrence", "callNumber"},
              "interrupt");
    Interrupt interrupt;
    LoadSelector(f, interrupt.selector);
    const std::string key = f.contains("key") ? Ascii(f["key"], "key") : "ctrlC";
    if (key == "ctrlBreak") {
        interrupt.key = ConsoleControl::CtrlBreak;
    } else if (key != "ctrlC") {
        throw std::invalid_argument("interrupt: key is \"ctrlC\" or \"ctrlBreak\", not " + key);
    }
    const std::string when = f.contains("when") ? Ascii(f["when"], "when") : "before";
    if (when != "before" && when != "after") {
        throw std::invalid_argument("interrupt: when is \"before\" or \"after\", not " + when);
    }
    interrupt.after = when == "after";
    return interrupt;
}

LockSquatter Squatter(const json& value) {
    const std::string text = Ascii(value, "runLockSquatted");
    if (text == "event") {
        return LockSquatter::Event;
    }
    if (text == "mutex") {
        return LockSquatter::Mutex;
    }
    throw std::invalid_argument("runLockSquatted: \"event\" or \"mutex\", not " + text);
}

// SYSTEM_POWER_STATUS's three fields; each defaults to what a desktop without a battery says.
platform::PowerStatus Power(const json& p) {
    CheckKeys(p, {"acLineStatus", "batteryFlag", "batteryLifePercent"}, "power");
    platform::PowerStatus status;
    if (p.contains("acLineStatus"))
        status.AcLineStatus = Narrow<std::uint8_t>(p["acLineStatus"], "acLineStatus");
    if (p.contains("batteryFlag"))
        status.BatteryFlag = Narrow<std::uint8_t>(p["batteryFlag"], "batteryFlag");
    if (p.contains("batteryLifePercent"))
        status.BatteryLifePercent =
            Narrow<std::uint8_t>(p["batteryLifePercent"], "batteryLifePercent");
    return status;
}

void Load(const json& s, SimMachine& machine) {
    CheckKeys(
        s,
        {"comment", "args", "clock", "keys", "session", "runLockHeld", "runLockSquatted", "power",
         "drives", "inbox", "devices", "faults", "interrupts", "rst", "propertyTypes", "recorded"},
        "scenario");
    if (s.contains("recorded")) {
        for (const char* described : {"drives", "inbox", "devices", "rst", "propertyTypes"}) {
            if (s.contains(described)) {
                throw std::invalid_argument(std::string("a recorded machine has no \"") +
                                            described + "\"");
            }
        }
        LoadRecording(s["recorded"], machine);
    }
    if (s.contains("args")) {
        machine.SetArgc(1 + static_cast<int>(TextList(s["args"], "args").size()));
    }
    if (s.contains("clock")) {
        const json& c = s["clock"];
        CheckKeys(c, {"start", "step"}, "clock");
        const platform::LocalTime start =
            c.contains("start") ? Time(c["start"]) : platform::LocalTime{2026, 12, 6, 19, 4, 9};
        const int step = c.contains("step") ? Narrow<int>(c["step"], "step") : 0;
        if (step > kMaxClockStep) {
            throw std::invalid_argument("clock step: " + std::to_string(step) +
                                        " seconds, more than a day");
        }
        machine.Clock() = SimClock(start, step);
    }
    if (s.contains("keys"))
        machine.Console().SetKeys(Ascii(s["keys"], "keys"));
    if (s.contains("session"))
        machine.Console().SetSession(Narrow<std::uint32_t>(s["session"], "session"));
    if (s.contains("runLockHeld"))
        machine.RunGuards().SetLockHeldElsewhere(s["runLockHeld"].get<bool>());
    if (s.contains("runLockSquatted"))
        machine.RunGuards().SetLockSquatted(Squatter(s["runLockSquatted"]));
    if (s.contains("power")) {
        machine.Power().SetStatus(Power(s["power"]));
    }
    for (const json& d : s.value("drives", json::array())) {
        LoadDrive(d, machine);
    }
    for (const json& d : s.value("devices", json::array())) {
        LoadDevice(d, machine);
    }
    for (const json& d : s.value("inbox", json::array())) {
        LoadInboxDisk(d, machine);
    }
    if (s.contains("rst")) {
        LoadRstScenario(s["rst"], machine);
    }
    for (const json& t : s.value("propertyTypes", json::array())) {
        LoadPropertyType(t, machine);
    }
    for (const json& f : s.value("faults", json::array())) {
        machine.Faults().Add(LoadFault(f));
    }
    for (const json& i : s.value("interrupts", json::array())) {
        machine.AddInterrupt(LoadInterrupt(i));
    }
}

// Counts the values before any is built, stopping at the limit (a parser callback would make
// the parse quadratic in a list's length).
struct ValueCounter : nlohmann::json_sax<json> {
    std::size_t values = 0;
    bool Count() { return ++values <= kMaxScenarioValues; }
    bool null() override { return Count(); }
    bool boolean(bool) override { return Count(); }
    bool number_integer(number_integer_t) override { return Count(); }
    bool number_unsigned(number_unsigned_t) override { return Count(); }
    bool number_float(number_float_t, const string_t&) override { return Count(); }
    bool string(string_t&) override { return Count(); }
    bool binary(binary_t&) override { return Count(); }
    bool start_object(std::size_t) override { return Count(); }
    bool key(string_t&) override { return true; }
    bool end_object() override { return true; }
    bool start_array(std::size_t) override { return Count(); }
    bool end_array() override { return true; }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }
};

bool WithinValueLimit(std::string_view jsonText) {
    ValueCounter counter;
    json::sax_parse(jsonText, &counter, json::input_format_t::json, false, true);
    return counter.values <= kMaxScenarioValues;
}

}  // namespace

LoadResult LoadScenario(std::string_view jsonText) {
    LoadResult result;
    if (jsonText.size() > kMaxScenarioBytes) {
        result.error = "larger than " + std::to_string(kMaxScenarioBytes >> 20) + " MiB";
        return result;
    }
    auto machine = std::make_unique<SimMachine>();
    try {
        if (!WithinValueLimit(jsonText)) {
            result.error = "more than " + std::to_string(kMaxScenarioValues) + " JSON values";
            return result;
        }
        const json scenario = json::parse(jsonText, nullptr, false, true);
        if (scenario.is_discarded()) {
            result.error = "not valid JSON";
            return result;
        }
        Load(scenario, *machine);
    } catch (const std::exception& e) {
        result.error = e.what();
        return result;
    }
    result.machine = std::move(machine);
    return result;
}

LoadResult LoadScenarioFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return {nullptr, "cannot read " + path};
    }
    std::string text;
    char chunk[65536];
    while (text.size() <= kMaxScenarioBytes && file.read(chunk, sizeof chunk).gcount() > 0) {
        text.append(chunk, static_cast<std::size_t>(file.gcount()));
    }
    LoadResult result = LoadScenario(text);
    if (!result.machine) {
        result.error = path + ": " + result.error;
    }
    return result;
}

std::string_view DefaultScenarioJson() {
    return DefaultScenarioText();
}

LoadResult LoadDefaultScenario() {
    return LoadScenario(DefaultScenarioJson());
}

}  // namespace sim
