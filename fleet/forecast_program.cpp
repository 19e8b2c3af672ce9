#include "fleet/forecast_program.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "fleet/forecast.h"
#include "fleet/forecast_html.h"

namespace fleet {

namespace {

struct Options {
    std::optional<std::u16string> Dir;
    bool Json = false;
    std::optional<std::u16string> Csv;
    std::optional<std::u16string> Html;
};

std::optional<Options> ParseOptions(const std::vector<std::u16string>& args) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == u"--json" && !options.Json) {
            options.Json = true;
        } else if (args[i] == u"--forecast" && !options.Dir && i + 1 < args.size() &&
                   !args[i + 1].empty()) {
            options.Dir = args[++i];
        } else if (args[i] == u"--csv" && !options.Csv && i + 1 < args.size() &&
                   !args[i + 1].empty()) {
            options.Csv = args[++i];
        } else if (args[i] == u"--html" && !options.Html && i + 1 < args.size() &&
                   !args[i + 1].empty()) {
            options.Html = args[++i];
        } else {
            return std::nullopt;
        }
    }
    return options.Dir ? options : std::optional<Options>();
}

// Makes path, only where nothing exists under its name, holding text.
bool Write(const std::u16string& path, const std::string& text, platform::Console& console,
           platform::NewFiles& files) {
    platform::NewFileResult made = files.Create(path);
    if (made.Status == platform::NewFileStatus::AlreadyExists) {
        console.WriteWideLine(u"[ERROR] The file already exists: " + path);
        return false;
    }
    if (made.Status != platform::NewFileStatus::Created || !made.File->WriteWhole(text)) {
        console.WriteWideLine(u"[ERROR] The file could not be written: " + path);
        return false;
    }
    return true;
}

}  // namespace

bool AsksForForecast(const std::vector<std::u16string>& args) {
    return std::find(args.begin(), args.end(), u"--forecast") != args.end();
}

int RunForecast(const std::vector<std::u16string>& args, platform::Console& console,
                platform::NewFiles& files) {
    const std::optional<Options> options = ParseOptions(args);
    if (!options) {
        console.WriteNarrow(
            "Usage: --forecast DIR [--json] [--csv FILE] [--html FILE]\n"
            "  Forecasts the rollout from the inspections (*.json) under DIR.\n");
        return kBadForecastOption;
    }
    Forecast forecast;
    if (!ReadFolder(std::filesystem::path(*options->Dir), forecast)) {
        console.WriteWideLine(u"[ERROR] The folder could not be read: " + *options->Dir);
        return kFolderNotRead;
    }
    console.WriteNarrow(options->Json ? ForecastJson(forecast) : ForecastText(forecast));
    if (options->Csv && !Write(*options->Csv, ForecastCsv(forecast), console, files)) {
        return kFolderNotRead;
    }
    if (options->Html && !Write(*options->Html, ForecastHtml(forecast), console, files)) {
        return kFolderNotRead;
    }
    return kForecastMade;
}

}  // namespace fleet
