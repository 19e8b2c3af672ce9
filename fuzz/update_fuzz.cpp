// Both update access paths against a driver that answers every request from the fuzzer's bytes: the
// inbox get-info answer (slot table at any offset, any count), the RST firmware slot log, every
// download and activation answer, on either access path and with any granularity the record may
// hold. An activation may only follow a download of the whole image that the driver accepted piece
// by piece, and only an accepted activation, or an answer naming the image as pending, may come
// back as success.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <memory>

#include "app/console_events.h"
#include "fuzz/fuzz_driver.h"
#include "image/carried_image.h"
#include "image/firmware_image.h"
#include "inbox/inbox_update.h"
#include "inbox/miniport_firmware_layout.h"
#include "inbox/miniport_request.h"
#include "platform/miniport_layout.h"
#include "rst/rst_layout.h"
#include "rst/rst_update.h"

namespace {

constexpr std::uint32_t kFunctionGetInfo = 1;
constexpr std::uint32_t kFunctionDownload = 2;
constexpr std::uint32_t kFunctionActivate = 3;
constexpr std::uint32_t kPowerCycleRequired = 0x20;

std::size_t PieceCount(std::int32_t granularity) {
    const std::size_t piece = static_cast<std::size_t>(granularity) * 4096;
    return (image::kImageSize + piece - 1) / piece;
}

bool AnyActivation(const std::vector<fuzzing::Exchange>& exchanges) {
    return std::any_of(exchanges.begin(), exchanges.end(),
                       [](const fuzzing::Exchange& e) { return e.function == kFunctionActivate; });
}

// The exchanges up to an activation: the question first (get-info on the inbox access path,
// answered with success; the firmware slot log behind RST, whatever it got), then every piece of
// the image, each one answered with success.
void CheckActivationEarned(const std::vector<fuzzing::Exchange>& exchanges, bool inbox,
                           std::int32_t granularity) {
    if (!AnyActivation(exchanges)) {
        return;
    }
    std::size_t downloads = 0;
    for (std::size_t i = 0; i < exchanges.size(); ++i) {
        const fuzzing::Exchange& e = exchanges[i];
        if (e.function != kFunctionActivate) {
            if (!inbox && i == 0) {
                continue;  // the slot log: without an answer the update goes on
            }
            const bool expected =
                inbox && i == 0 ? e.function == kFunctionGetInfo : e.function == kFunctionDownload;
            if (!expected || !e.ok || e.returnCode != 0) {
                fuzzing::Broken(
                    "an activation followed a request that was not answered with success");
            }
            downloads += e.function == kFunctionDownload ? 1 : 0;
            continue;
        }
        if (i + 1 != exchanges.size()) {
            fuzzing::Broken("a request followed the activation");
        }
        if (granularity < 1 || granularity > 255 || downloads != PieceCount(granularity)) {
            fuzzing::Broken("an activation without every piece of the image");
        }
    }
}

void CheckSuccessEarned(const std::vector<fuzzing::Exchange>& exchanges, bool success) {
    if (!success) {
        return;
    }
    if (exchanges.empty() || exchanges.back().function != kFunctionActivate ||
        !exchanges.back().ok || (exchanges.back().returnCode & ~kPowerCycleRequired) != 0) {
        fuzzing::Broken("success reported without an accepted activation");
    }
}

// 1602 without any activation: the one question asked (get-info, or the slot log behind RST)
// was answered with success, and nothing was sent after it.
void CheckAlreadyDownloaded(const std::vector<fuzzing::Exchange>& exchanges) {
    if (exchanges.size() != 1 || !exchanges[0].ok || exchanges[0].returnCode != 0) {
        fuzzing::Broken("reported as already downloaded without an answer that says so");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    image::PrepareFirmwareImage();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    const bool inbox = data.ConsumeBool();
    model::DiskRecord disk;
    disk.DevicePath = inbox ? u"\\\\.\\PHYSICALDRIVE1" : u"\\\\?\\pci#ven_8086&dev_282a#rst";
    disk.AccessPath =
        inbox ? model::AccessKind::Inbox
              : data.PickValueInArray({model::AccessKind::RstRaid, model::AccessKind::RstDisk});
    disk.PortNumber = inbox ? -1 : data.ConsumeIntegralInRange<std::int64_t>(-1, 300);
    disk.UpdateGranularity = data.ConsumeBool() ? data.ConsumeIntegral<std::int32_t>()
                                                : data.ConsumeIntegralInRange<std::int32_t>(1, 255);

    sim::SimMachine machine;
    const std::size_t functionOffset =
        (inbox ? inbox::miniport::kRequestBlockOffset : rst::layout::kFwRequestBlockOffset) +
        platform::miniport::kFrbFunctionOffset;
    auto driver = std::make_shared<fuzzing::FuzzDriver>(data, functionOffset);
    machine.AddPath(disk.DevicePath, driver);
    const image::FirmwareImage& image = image::TheFirmwareImage();
    app::ConsoleEvents events(machine.Console());

    bool success = false;
    if (inbox) {
        const int status = model::ToInt(
            inbox::UpdateInboxDisk(machine.Platform(), events, disk, image, image::kImageSize)
                .Result);
        if (status != 1 && status != 5 && status != 1602) {
            fuzzing::Broken("an inbox result outside 1, 5, 1602");
        }
        // An accepted activation and an image already pending both end with 1602.
        success = status == 1602;
        if (status == 1602 && !AnyActivation(driver->Exchanges())) {
            CheckAlreadyDownloaded(driver->Exchanges());
            success = false;
        }
        if (disk.UpdateGranularity < 1 || disk.UpdateGranularity > 255) {
            if (!driver->Exchanges().empty()) {
                fuzzing::Broken("requests sent with a granularity outside 1-255");
            }
        }
    } else {
        const int status = model::ToInt(
            rst::UpdateRstDisk(machine.Platform(), events, disk, image, image::kImageSize).Result);
        if (status != 0 && status != 1 && status != 5 && status != 1602) {
            fuzzing::Broken("an RST status outside 0, 1, 5, 1602");
        }
        success = status == 0 || status == 1602;
        if (status == 1602 && !AnyActivation(driver->Exchanges())) {
            CheckAlreadyDownloaded(driver->Exchanges());
            success = false;
        }
        // A granularity outside 1-255 is sent as one 4 KiB unit.
        if (disk.UpdateGranularity < 1 || disk.UpdateGranularity > 255) {
            disk.UpdateGranularity = 1;
        }
    }
    CheckActivationEarned(driver->Exchanges(), inbox, disk.UpdateGranularity);
    CheckSuccessEarned(driver->Exchanges(), success);
    fuzzing::CheckNothingLeftOpen(machine);

    // The get-info answer reader by itself, on a request buffer of any piece size.
    {
        std::vector<std::uint8_t> answer = data.ConsumeBytes<std::uint8_t>(
            inbox::MiniportBufferSize(data.ConsumeIntegralInRange<std::size_t>(0, 1200)));
        answer.resize(std::max(answer.size(), inbox::MiniportBufferSize(0)));
        const inbox::FirmwareInfo info = inbox::ReadFirmwareInfo(answer);
        if (info.Slots.size() > info.SlotCount) {
            fuzzing::Broken("more slot entries read than the answer claims");
        }
        const inbox::SlotAnswer slot = inbox::ChooseWritableSlot(info);
        if (slot.Choice == inbox::SlotChoice::Chosen && slot.Slot == 0) {
            fuzzing::Broken("slot 0 chosen for the download");
        }
    }
    return 0;
}
