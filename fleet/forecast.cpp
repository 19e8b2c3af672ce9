#include "fleet/forecast.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <system_error>

namespace fleet {

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;
using Counts = std::map<std::string, std::size_t>;

// One file's inspection, or why it is left out; never more than the size limit is read.
RowResult ReadFile(const fs::path& file, TextPool& texts) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(file, error);
    if (error) {
        return {"", std::nullopt, "cannot be read"};
    }
    if (size > kLargestInspection) {
        return {"", std::nullopt, "larger than 1 MiB"};
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return {"", std::nullopt, "cannot be read"};
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return ReadInspection(text, texts);
}

struct Totals {
    Counts ExitCodes;
    Counts DrivesByDecision;
    Counts DrivesByRevision;
    std::size_t Drives = 0;
    std::map<std::string, std::vector<std::string>> NotAccountedFor;  // reason: machines
    std::size_t MachinesNotAccounted = 0;
    std::size_t ShutdownDrives = 0;
    std::vector<std::string> ShutdownMachines;
    std::string MajorityImage;
    std::vector<std::string> OtherImage;  // "machine (revision)"
};

Totals Sum(const Forecast& forecast) {
    Totals totals;
    Counts images;
    for (const auto& [name, row] : forecast.Machines) {
        ++totals.ExitCodes[std::to_string(row.ExpectedExitCode)];
        for (const TextCount& decision : row.DrivesByDecision) {
            totals.DrivesByDecision[forecast.Texts[decision.Text]] += decision.Count;
            totals.Drives += decision.Count;
        }
        for (const TextCount& revision : row.DrivesByRunningRevision) {
            totals.DrivesByRevision[forecast.Texts[revision.Text]] += revision.Count;
        }
        for (const std::uint32_t reason : row.NotAccountedFor) {
            std::vector<std::string>& machines = totals.NotAccountedFor[forecast.Texts[reason]];
            if (machines.empty() || machines.back() != name) {
                machines.push_back(name);
            }
        }
        totals.MachinesNotAccounted += row.NotAccountedFor.empty() ? 0 : 1;
        if (row.DrivesNeedingShutdown > 0) {
            totals.ShutdownDrives += row.DrivesNeedingShutdown;
            totals.ShutdownMachines.push_back(name);
        }
        ++images[forecast.Texts[row.ImageRevision]];
    }
    std::size_t most = 0;
    for (const auto& [image, n] : images) {
        if (n > most) {
            most = n;
            totals.MajorityImage = image;
        }
    }
    for (const auto& [name, row] : forecast.Machines) {
        const std::string& image = forecast.Texts[row.ImageRevision];
        if (image != totals.MajorityImage) {
            totals.OtherImage.push_back(name + " (" + image + ")");
        }
    }
    return totals;
}

std::string Lines(const Counts& counts) {
    std::string text;
    for (const auto& [key, n] : counts) {
        text += "  " + key + " : " + std::to_string(n) + "\n";
    }
    return counts.empty() ? "  (none)\n" : text;
}

std::string Names(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

}  // namespace

bool ReadFolder(const fs::path& dir, Forecast& forecast) {
    std::error_code error;
    fs::recursive_directory_iterator it(dir, error);
    if (error || !fs::is_directory(dir, error)) {
        return false;
    }
    for (; it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (error) {
            return false;
        }
        if (!it->is_regular_file(error) || it->path().extension() != ".json") {
            continue;
        }
        RowResult read = ReadFile(it->path(), forecast.Texts);
        if (!read.Row) {
            forecast.LeftOut.push_back(
                {it->path().lexically_relative(dir).generic_string(), read.Reason});
            continue;
        }
        auto [place, added] = forecast.Machines.try_emplace(read.Machine, *read.Row);
        if (!added && place->second.InspectedAt.UtcSeconds < read.Row->InspectedAt.UtcSeconds) {
            place->second = std::move(*read.Row);
        }
    }
    // The same list on every system, whatever order the directory gives.
    std::sort(forecast.LeftOut.begin(), forecast.LeftOut.end(),
              [](const Unreadable& a, const Unreadable& b) { return a.File < b.File; });
    return true;
}

std::string ForecastText(const Forecast& forecast) {
    const Totals totals = Sum(forecast);
    std::string text = "Rollout forecast (read from inspections; no device is touched)\n";
    text += "Machines read : " + std::to_string(forecast.Machines.size()) +
            ", files left out : " + std::to_string(forecast.LeftOut.size()) + "\n";
    for (const Unreadable& file : forecast.LeftOut) {
        text += "  " + file.File + " : " + file.Reason + "\n";
    }
    text += "\nMachines by the updater's expected exit code:\n" + Lines(totals.ExitCodes);
    text += "\nDrives by decision (" + std::to_string(totals.Drives) + " drives):\n" +
            Lines(totals.DrivesByDecision);
    text += "\nDrives by running revision:\n" + Lines(totals.DrivesByRevision);
    text += "\nMachines where a drive of the maker is not accounted for : " +
            std::to_string(totals.MachinesNotAccounted) + "\n";
    for (const auto& [reason, machines] : totals.NotAccountedFor) {
        text += "  " + reason + " : " + std::to_string(machines.size()) + " (" + Names(machines) +
                ")\n";
    }
    text += "\nDrives that need a full shutdown : " + std::to_string(totals.ShutdownDrives) +
            (totals.ShutdownMachines.empty() ? "" : " (" + Names(totals.ShutdownMachines) + ")") +
            "\n";
    text += "\nMachines whose inspector carried another image than " +
            (totals.MajorityImage.empty() ? std::string("the majority") : totals.MajorityImage) +
            " : " + std::to_string(totals.OtherImage.size()) +
            (totals.OtherImage.empty() ? "" : " (" + Names(totals.OtherImage) + ")") + "\n";
    return text;
}

std::string ForecastJson(const Forecast& forecast) {
    const Totals totals = Sum(forecast);
    Json unreadable = Json::array();
    for (const Unreadable& file : forecast.LeftOut) {
        unreadable.push_back({{"file", file.File}, {"reason", file.Reason}});
    }
    Json byReason = Json::object();
    for (const auto& [reason, machines] : totals.NotAccountedFor) {
        byReason[reason] = machines;
    }
    const Json value = {
        {"machines", forecast.Machines.size()},
        {"unreadable", unreadable},
        {"expectedExitCodes", totals.ExitCodes},
        {"drives",
         {{"total", totals.Drives},
          {"byDecision", totals.DrivesByDecision},
          {"byRunningRevision", totals.DrivesByRevision}}},
        {"notAccountedFor", {{"machines", totals.MachinesNotAccounted}, {"byReason", byReason}}},
        {"needsShutdown",
         {{"drives", totals.ShutdownDrives}, {"machines", totals.ShutdownMachines}}},
        {"majorityImageRevision", totals.MajorityImage},
        {"otherImageRevision", totals.OtherImage},
    };
    return value.dump(2, ' ', true) + "\n";
}

namespace {

// A CSV field: quoted, its quotes doubled, when it holds a comma, a quote or a line end.
std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c == '"' ? "\"\"" : std::string(1, c);
    }
    return quoted + "\"";
}

}  // namespace

std::string ForecastCsv(const Forecast& forecast) {
    std::string text =
        "\xEF\xBB\xBFmachine,inspectedAt,expectedExitCode,drivesToUpdate,"
        "drivesCurrent,reasons\r\n";
    for (const auto& [name, row] : forecast.Machines) {
        std::string reasons;
        for (const std::uint32_t reason : row.NotAccountedFor) {
            reasons += (reasons.empty() ? "" : "; ") + forecast.Texts[reason];
        }
        text += CsvField(name) + "," + CsvField(FormatInspectionTime(row.InspectedAt)) + "," +
                std::to_string(row.ExpectedExitCode) + "," + std::to_string(row.DrivesToUpdate) +
                "," + std::to_string(row.DrivesCurrent) + "," + CsvField(reasons) + "\r\n";
    }
    return text;
}

}  // namespace fleet
