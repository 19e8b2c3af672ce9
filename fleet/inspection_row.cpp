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

void Add(std::vector<TextCount>& counts, std::uint32_t text) {
    for (TextCount& count : counts) {
        if (count.Text == text) {
            ++count.Count;
            return;
        }
    }
    counts.push_back({text, 1});
}

}  // namespace

std::uint32_t TextPool::IndexOf(const std::string& text) {
    const auto [place, added] =
        m_indices.try_emplace(text, static_cast<std::uint32_t>(m_texts.size()));
    if (added) {
        m_texts.push_back(text);
    }
    return place->second;
}

RowResult ReadInspection(const std::string& text, TextPool& texts) {
    if (text.empty()) {
        return {"", std::nullopt, "empty file"};
    }
    if (text.size() > kLargestInspection) {
        return {"", std::nullopt, "larger than 1 MiB"};
    }
    const Json root = Json::parse(text, nullptr, false);
    if (root.is_discarded()) {
        return {"", std::nullopt, "not JSON (truncated?)"};
    }
    if (!root.is_object()) {
        return {"", std::nullopt, "not an inspection"};
    }
    if (root.contains("clock") && root.contains("comment")) {
        return {"", std::nullopt, "a capture, not an inspection"};
    }
    if (!root.contains("schemaVersion")) {
        return {"", std::nullopt, "not an inspection"};
    }
    if (!root["schemaVersion"].is_number_integer() || root["schemaVersion"].get<int>() != 1) {
        return {"", std::nullopt, "unknown schema version"};
    }
    if (!IsString(root, "machine") || !IsString(root, "inspectedAt") ||
        !root.contains("expectedExitCode") || !root["expectedExitCode"].is_number_integer() ||
        !root.contains("devices") || !root["devices"].is_array() || !root.contains("tool") ||
        !root["tool"].is_object() || !IsString(root["tool"], "imageRevision")) {
        return {"", std::nullopt, "an inspection without its fields"};
    }
    const std::optional<InspectionTime> inspectedAt =
        ParseInspectionTime(root["inspectedAt"].get<std::string>());
    if (!inspectedAt) {
        return {"", std::nullopt, "an inspection without its fields"};
    }
    MachineRow row;
    row.InspectedAt = *inspectedAt;
    row.ImageRevision = texts.IndexOf(root["tool"]["imageRevision"].get<std::string>());
    row.ExpectedExitCode = root["expectedExitCode"].get<int>();
    for (const Json& device : root["devices"]) {
        if (!device.is_object()) {
            return {"", std::nullopt, "an inspection without its fields"};
        }
        if (const std::optional<std::string> reason = NotAccountedReason(device)) {
            row.NotAccountedFor.push_back(texts.IndexOf(*reason));
        }
        const std::string decision = device.value("decision", "");
        // A drive is an identified device, counted once where it is reached twice.
        if (!device.value("identified", false) || decision == "sameDrive") {
            continue;
        }
        Add(row.DrivesByDecision, texts.IndexOf(decision));
        const Json& revision = device["revision"];
        Add(row.DrivesByRunningRevision,
            texts.IndexOf(revision.is_string() ? revision.get<std::string>() : "?"));
        row.DrivesToUpdate += decision == "wouldBeUpdated" ? 1 : 0;
        row.DrivesCurrent += decision == "alreadyCurrent" ? 1 : 0;
        row.DrivesNeedingShutdown += NeedsShutdown(device) ? 1 : 0;
    }
    return {root["machine"].get<std::string>(), std::move(row), ""};
}

}  // namespace fleet
