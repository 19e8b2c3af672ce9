// The forecast as one self-contained page: tables with inline SVG bar charts, no script and no
// URL but the SVG namespace.
#pragma once

#include <string>

#include "fleet/forecast.h"

namespace fleet {

std::string ForecastHtml(const Forecast& forecast);

}  // namespace fleet
