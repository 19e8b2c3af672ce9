// Device-property texts and hardware-ID lists: a machine of a few devices whose instance IDs,
// parents, hardware IDs, driver descriptions, locations and interface paths are made of the
// identifiers discovery looks for and of arbitrary text. Discovery must close every list and
// handle, and every candidate must be addressed the way its access path expects.
#include <fuzzer/FuzzedDataProvider.h>

#include <memory>

#include "app/console_events.h"
#include "discovery/inbox_enumeration.h"
#include "discovery/rst_discovery.h"
#include "fuzz/fuzz_driver.h"
#include "platform/text.h"

namespace {

std::u16string Text(FuzzedDataProvider& data) {
    static const char* const kTokens[] = {
        "VEN_7A3C", "VEN_8086",  "ven_8086",  "NVMe",        "Intel", "Controller", "RST",
        "RAID",     "VEN_INTEL", "PROD_RAID", "Bus Number ", " ",     ",",          "\\",
        "&",        "#",         "PCI",       "SCSI",        "0",     "2",          "-",
    };
    std::u16string text;
    const std::size_t parts = data.ConsumeIntegralInRange<std::size_t>(0, 6);
    for (std::size_t i = 0; i < parts; ++i) {
        if (data.ConsumeBool()) {
            text += platform::ToU16(kTokens[data.ConsumeIntegralInRange<std::size_t>(
                0, sizeof kTokens / sizeof kTokens[0] - 1)]);
        } else {
            for (char c : data.ConsumeRandomLengthString(8)) {
                text.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(c)));
            }
        }
    }
    return text;
}

template <typename T>
std::optional<T> Maybe(FuzzedDataProvider& data, T value) {
    return data.ConsumeBool() ? std::optional<T>(std::move(value)) : std::nullopt;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    sim::SimMachine machine;
    const std::size_t devices = data.ConsumeIntegralInRange<std::size_t>(0, 5);
    for (std::size_t i = 0; i < devices; ++i) {
        sim::SimDevice device;
        device.instanceId = Text(data);
        device.parentId = Maybe(data, Text(data));
        if (data.ConsumeBool()) {
            std::vector<std::u16string> ids(data.ConsumeIntegralInRange<std::size_t>(0, 4));
            for (std::u16string& id : ids) {
                id = Text(data);
            }
            device.hardwareIds = ids;
        }
        device.driverDesc = Maybe(data, Text(data));
        device.locationInfo = Maybe(data, Text(data));
        device.present = data.ConsumeProbability<float>() < 0.9f;
        const std::size_t interfaces = data.ConsumeIntegralInRange<std::size_t>(0, 2);
        for (std::size_t k = 0; k < interfaces; ++k) {
            sim::SimInterface deviceInterface;
            deviceInterface.interfaceClass =
                data.ConsumeBool() ? win::kGuidDevinterfaceDisk : win::kGuidDevinterfaceStoragePort;
            deviceInterface.path = u"\\\\?\\" + Text(data);
            if (data.ConsumeBool()) {
                machine.AddPath(deviceInterface.path,
                                std::make_shared<sim::PlainEndpoint>(
                                    Maybe(data, data.ConsumeIntegral<std::uint32_t>())));
            }
            device.interfaces.push_back(deviceInterface);
        }
        machine.AddDevice(device);
    }

    model::DiskList candidates;
    discovery::RaidController controller;
    app::ConsoleEvents events(machine.Console());
    const bool found = discovery::FindRstController(machine.Platform(), events, controller);
    fuzzing::CheckNothingLeftOpen(machine);
    if (found) {
        discovery::EnumerateRstDisks(machine.Platform(), events, controller, candidates);
        fuzzing::CheckNothingLeftOpen(machine);
    }
    const std::size_t rstCount = candidates.size();
    discovery::EnumerateInboxNvmeDisks(machine.Platform(), events, candidates);
    fuzzing::CheckNothingLeftOpen(machine);

    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const model::DiskRecord& disk = candidates[i];
        if (i < rstCount) {
            if (disk.DevicePath != controller.DevicePath ||
                (disk.AccessPath != model::AccessKind::RstRaid &&
                 disk.AccessPath != model::AccessKind::RstDisk)) {
                fuzzing::Broken("an RST candidate not addressed through the controller");
            }
        } else if (disk.AccessPath != model::AccessKind::Inbox ||
                   disk.DevicePath.rfind(u"\\\\.\\PHYSICALDRIVE", 0) != 0) {
            fuzzing::Broken("an inbox candidate not addressed as a physical drive");
        }
    }
    return 0;
}
