// The inspection as a person reads it, and as a fleet collects it (one JSON object).
#pragma once

#include <string>

#include "inspect/machine_inspection.h"

namespace inspect {

std::string InspectionText(const Inspection& inspection);
std::string InspectionJson(const Inspection& inspection);

}  // namespace inspect
