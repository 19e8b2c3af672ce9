#include "inspect/capture.h"

#include "discovery/inbox_enumeration.h"
#include "inspect/capture_scenario.h"

namespace inspect {

std::string CaptureScenario(platform::Platform& platform) {
    CapturedMachine machine;
    machine.time = platform.clock.Now();
    machine.tree = CaptureDeviceTree(platform.setup);
    machine.rst = CaptureRst(platform);
    for (const CapturedDevice& device : machine.tree.devices) {
        const std::vector<std::u16string> disks = device.Paths(win::kGuidDevinterfaceDisk);
        if (disks.empty()) {
            continue;
        }
        // The get-info answer matters only on the inbox driver; an RST disk never gets it.
        machine.probes[device.devInst] =
            ProbeDisk(platform, disks.front(), !machine.rst.Holds(device.InstanceIdText()));
    }
    discovery::DiskList candidates;
    discovery::DiscoveryLog log;
    discovery::NoRunEvents events;
    discovery::EnumerateInboxNvmeDisks(platform, events, candidates, &log);
    for (const discovery::DeviceDecision& decision : log) {
        if (decision.verdict == discovery::Verdict::Taken) {
            machine.inboxWalkOrder.push_back(decision.instanceId);
        }
    }
    return ScenarioText(machine);
}

}  // namespace inspect
