// The inspector's --forecast DIR: a forecast of the rollout from a folder of inspections,
// printed as text or (--json) as one object. It touches no device.
#pragma once

#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/new_file.h"

namespace fleet {

inline constexpr int kForecastMade = 0;
inline constexpr int kFolderNotRead = 1;
inline constexpr int kBadForecastOption = 2;

// True when args ask for a forecast (they hold --forecast).
bool AsksForForecast(const std::vector<std::u16string>& args);
// args: --forecast DIR [--json] [--csv FILE], in any order. FILE is made only where nothing
// exists under its name. 0 when the forecast was made (whatever it found), 2 for a bad option, 1
// when DIR cannot be read or FILE cannot be written.
int RunForecast(const std::vector<std::u16string>& args, platform::Console& console,
                platform::NewFiles& files);

}  // namespace fleet
