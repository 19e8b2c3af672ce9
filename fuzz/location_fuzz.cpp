// The location text of a disk behind the RST controller ("Bus Number 2, Target Id 0, LUN 0"):
// any text gives -1 or a number within 32 bits, and a well-formed text gives its bus number.
#include <fuzzer/FuzzedDataProvider.h>

#include "discovery/rst_discovery.h"
#include "fuzz/fuzz_driver.h"
#include "platform/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    std::optional<std::int64_t> expected;
    std::u16string text;
    if (data.ConsumeBool()) {
        const std::int32_t bus = data.ConsumeIntegral<std::int32_t>();
        expected = bus;
        text = platform::ToU16("Bus Number " + platform::DecimalText(bus) + ", Target Id " +
                               platform::DecimalText(data.ConsumeIntegral<std::uint8_t>()) +
                               ", LUN 0");
    } else {
        const std::string raw = data.ConsumeRemainingBytesAsString();
        for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
            text.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(raw[i]) |
                                                 static_cast<std::uint8_t>(raw[i + 1]) << 8));
        }
        if (raw.size() % 2 == 1) {
            text.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(raw.back())));
        }
    }

    sim::SimMachine machine;
    sim::SimDevice device;
    device.instanceId = u"SCSI\\DISK&VEN_NVME&PROD_VELKORA\\5&1D6E3B0&0&000200";
    device.locationInfo = text;
    const std::uint32_t devInst = machine.AddDevice(device);

    const std::int64_t bus = discovery::ReadRstBusNumber(machine.Platform(), devInst);
    if (bus < -2147483648LL || bus > 2147483647LL) {
        fuzzing::Broken("a bus number outside 32 bits");
    }
    if (expected && bus != *expected) {
        fuzzing::Broken("a well-formed location read wrong");
    }
    fuzzing::CheckNothingLeftOpen(machine);
    return 0;
}
