#include "fleet/forecast_html.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace fleet {

namespace {

using Json = nlohmann::ordered_json;

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// A table of counts with a horizontal bar for each, drawn to the largest; details (machine
// names) under each row where given.
std::string Chart(const std::string& title, const Json& counts, const Json& details = Json()) {
    std::size_t most = 1;
    for (const auto& item : counts.items()) {
        most = std::max(most, item.value().get<std::size_t>());
    }
    std::string html = "<h2>" + Escape(title) + "</h2>\n<table>\n";
    for (const auto& item : counts.items()) {
        const std::size_t n = item.value().get<std::size_t>();
        const std::size_t width = 2 + n * 400 / most;
        html += "<tr><th>" + Escape(item.key()) + "</th><td class=\"n\">" + std::to_string(n) +
                "</td><td><svg xmlns=\"http://www.w3.org/2000/svg\" width=\"404\" height=\"18\">"
                "<rect width=\"" +
                std::to_string(width) + "\" height=\"18\" fill=\"#2f6db3\"/></svg></td></tr>\n";
        if (details.is_object() && details.contains(item.key())) {
            std::string names;
            for (const Json& name : details[item.key()]) {
                names += (names.empty() ? "" : ", ") + Escape(name.get<std::string>());
            }
            html += "<tr><td></td><td></td><td class=\"who\">" + names + "</td></tr>\n";
        }
    }
    return html + (counts.empty() ? "<tr><td>(none)</td></tr>\n" : "") + "</table>\n";
}

}  // namespace

std::string ForecastHtml(const Forecast& forecast) {
    const Json f = Json::parse(ForecastJson(forecast));
    Json byReason = Json::object();
    for (const auto& item : f["notAccountedFor"]["byReason"].items()) {
        byReason[item.key()] = item.value().size();
    }
    Json leftOut = Json::object();
    for (const Json& file : f["unreadable"]) {
        leftOut[file["file"].get<std::string>() + " (" + file["reason"].get<std::string>() + ")"] =
            1;
    }
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<title>Rollout forecast</title>\n<style>body{font-family:sans-serif;margin:2em;}"
        "th{text-align:left;font-weight:normal;padding-right:1em;}td.n{text-align:right;"
        "padding-right:.6em;font-weight:bold;}td.who{color:#555;font-size:90%;}"
        ".big{font-size:140%;}</style></head><body>\n<h1>Rollout forecast</h1>\n";
    html += "<p class=\"big\">" + std::to_string(f["machines"].get<std::size_t>()) +
            " machines read, " + std::to_string(f["unreadable"].size()) + " files left out, " +
            std::to_string(f["drives"]["total"].get<std::size_t>()) + " drives, " +
            std::to_string(f["needsShutdown"]["drives"].get<std::size_t>()) +
            " needing a full shutdown.</p>\n";
    html += Chart("Machines by the updater's expected exit code", f["expectedExitCodes"]);
    html += Chart("Drives by decision", f["drives"]["byDecision"]);
    html += Chart("Drives by running revision", f["drives"]["byRunningRevision"]);
    html += Chart("Machines where a drive of the maker is not accounted for, by reason", byReason,
                  f["notAccountedFor"]["byReason"]);
    html += Chart("Files left out", leftOut);
    return html + "</body></html>\n";
}

}  // namespace fleet
