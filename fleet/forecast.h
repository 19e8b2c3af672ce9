// The forecast of a fleet's rollout from a folder of inspections, read one file at a time.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "fleet/inspection_row.h"

namespace fleet {

struct Unreadable {
    std::string File;
    std::string Reason;
};

struct Forecast {
    std::map<std::string, MachineRow> Machines;  // by machine name, the newest inspection
    std::vector<Unreadable> LeftOut;
    TextPool Texts;  // the texts the rows name
};

// Every *.json under dir, subfolders included. False when dir cannot be read.
bool ReadFolder(const std::filesystem::path& dir, Forecast& forecast);

std::string ForecastText(const Forecast& forecast);
std::string ForecastJson(const Forecast& forecast);
// One row per machine, for Excel: UTF-8 with a BOM, CRLF line ends, one header row.
std::string ForecastCsv(const Forecast& forecast);

}  // namespace fleet
