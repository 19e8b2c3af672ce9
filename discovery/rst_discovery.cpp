#include "discovery/rst_discovery.h"

namespace discovery {

// Not yet implemented: finds nothing.
bool FindRstController(platform::Platform&, RaidController&) { return false; }
bool EnumerateRstDisks(platform::Platform&, const RaidController&, DiskList&) { return true; }
std::int64_t ReadRstBusNumber(platform::Platform&, std::uint32_t) { return -1; }

}  // namespace discovery
