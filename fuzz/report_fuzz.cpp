// The report of disks with arbitrary identity strings (any UTF-16 code units, zeros and lone
// surrogates included) and any stored result: it must always be printed whole, and the exit
// code must be 1 whenever a disk was not updated.
#include <fuzzer/FuzzedDataProvider.h>

#include "app/run_context.h"
#include "fuzz/fuzz_driver.h"
#include "image/firmware_image.h"

namespace {

std::u16string Text(FuzzedDataProvider& data) {
    const std::string bytes = data.ConsumeRandomLengthString(96);
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                             static_cast<std::uint8_t>(bytes[i + 1]) << 8));
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    image::PrepareFirmwareImage();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    const image::FirmwareImage& image = image::TheFirmwareImage();
    sim::SimMachine machine;
    app::RunContext context(machine.Platform());
    const std::size_t count = data.ConsumeIntegralInRange<std::size_t>(0, 8);
    for (std::size_t i = 0; i < count; ++i) {
        model::DiskRecord disk;
        disk.AccessPath =
            static_cast<model::AccessKind>(data.ConsumeIntegralInRange<std::int32_t>(0, 4));
        disk.ModelNumber = Text(data);
        disk.SerialNumber = Text(data);
        disk.FirmwareRevision =
            data.PickValueInArray({image.ImageRevision, image.UpgradableRevision, Text(data)});
        disk.ResultCode = static_cast<model::DiskResult>(
            data.ConsumeBool() ? data.PickValueInArray({0, 1, 5, 20, 1602, 4000})
                               : data.ConsumeIntegral<std::int32_t>());
        context.SelectedDisks.push_back(disk);
    }

    const std::int32_t result = context.ReportResults(image);

    bool anyFailed = context.SelectedDisks.empty();
    for (const model::DiskRecord& disk : context.SelectedDisks) {
        const std::int32_t code = model::ToInt(disk.ResultCode);
        anyFailed |= code != 0 && code != 1602 && code != 4000;
    }
    if (anyFailed ? result != 1 : (result != 0 && result != 1602 && result != 4000)) {
        fuzzing::Broken("the exit code does not follow the disks' outcomes");
    }
    const std::string& transcript = machine.Console().Transcript();
    if (transcript.find("Start Time : ") == std::string::npos ||
        transcript.find("\n[Final Result]\n") == std::string::npos) {
        fuzzing::Broken("the report was not printed whole");
    }
    return 0;
}
