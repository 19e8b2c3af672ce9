#include "fleet/inspection_row.h"

#include <nlohmann/json.hpp>

namespace fleet {

namespace {

using Json = nlohmann::json;

constexpr std::string_view kLeftBehind = "; a drive of the maker may be left behind: exit code 1";

// A device the updater could not account for: the inspector's reason says so. Its reason,
// without that ending, is what the forecast groups machines by.
std::optional<std::string> NotAccountedReason(const Json& device) {
    const std::string reason = device.value("reason", "");
    if (!reason.ends_with(kLeftBehind)) {
        return std::nullopt;
    }
    return reason.substr(0, reason.size() - kLeftBehind.size());
}

// A drive whose image is in a slot but the last reset did not activate it: a full shutdown may
// be needed.
bool NeedsShutdown(const Json& device) {
    return device.value("decision", "") == "imageNotActivated";
}

bool IsString(const Json& object, const char* key) {
    return object.contains(key) && object[key].is_string();
}

}  // namespace

RowResult ReadInspection(const std::string& text) {
    if (text.empty()) {
        return {std::nullopt, "empty file"};
    }
    if (text.size() > kLargestInspection) {
        return {std::nullopt, "larger than 1 MiB"};
    }
    const Json root = Json::parse(text, nullptr, false);
    if (root.is_discarded()) {
        return {std::nullopt, "not JSON (truncated?)"};
    }
    if (!root.is_object()) {
        return {std::nullopt, "not an inspection"};
    }
    if (root.contains("clock") && root.contains("comment")) {
        return {std::nullopt, "a capture, not an inspection"};
    }
    if (!root.contains("schemaVersion")) {
        return {std::nullopt, "not an inspection"};
    }
    if (!root["schemaVersion"].is_number_integer() || root["schemaVersion"].get<int>() != 1) {
        return {std::nullopt, "unknown schema version"};
    }
    if (!IsString(root, "machine") || !IsString(root, "inspectedAt") ||
        !root.contains("expectedExitCode") || !root["expectedExitCode"].is_number_integer() ||
        !root.contains("devices") || !root["devices"].is_array() || !root.contains("tool") ||
        !root["tool"].is_object() || !IsString(root["tool"], "imageRevision")) {
        return {std::nullopt, "an inspection without its fields"};
    }
    MachineRow row;
    row.Machine = root["machine"].get<std::string>();
    row.InspectedAt = root["inspectedAt"].get<std::string>();
    row.ImageRevision = root["tool"]["imageRevision"].get<std::string>();
    row.ExpectedExitCode = root["expectedExitCode"].get<int>();
    for (const Json& device : root["devices"]) {
        if (!device.is_object()) {
            return {std::nullopt, "an inspection without its fields"};
        }
        if (const std::optional<std::string> reason = NotAccountedReason(device)) {
            row.NotAccountedFor.push_back(*reason);
        }
        const std::string decision = device.value("decision", "");
        // A drive is an identified device, counted once where it is reached twice.
        if (!device.value("identified", false) || decision == "sameDrive") {
            continue;
        }
        ++row.DrivesByDecision[decision];
        const Json& revision = device["revision"];
        ++row.DrivesByRunningRevision[revision.is_string() ? revision.get<std::string>() : "?"];
        row.DrivesToUpdate += decision == "wouldBeUpdated" ? 1 : 0;
        row.DrivesCurrent += decision == "alreadyCurrent" ? 1 : 0;
        row.DrivesNeedingShutdown += NeedsShutdown(device) ? 1 : 0;
    }
    return {std::move(row), ""};
}

}  // namespace fleet
