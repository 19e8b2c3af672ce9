#include "sim/recorded_endpoint.h"

#include <algorithm>

#include "platform/byte_layout.h"
#include "platform/text.h"
#include "sim/rst_layouts.h"
#include "sim/windows_layouts.h"
#include "sim/windows_values.h"

namespace sim {

bool IsFirmwareWrite(win::Dword controlCode, std::span<const std::uint8_t> buffer) {
    using namespace layout;
    if (controlCode != win::kIoctlScsiMiniport || buffer.size() < kSrbSize) {
        return false;
    }
    const std::string signature(buffer.begin() + kSrbSignature,
                                buffer.begin() + kSrbSignature + kSrbSignatureSize);
    if (signature == "IntelFw ") {
        return true;
    }
    if (signature != "FIRMWARE" || !platform::FitsIn(buffer.size(), kInboxFrb + kFrbFunction, 4)) {
        return false;
    }
    const std::uint32_t function = platform::GetU32(buffer, kInboxFrb + kFrbFunction);
    return function == kFirmwareFunctionDownload || function == kFirmwareFunctionActivate;
}

platform::ControlResult RecordedEndpoint::Control(win::Dword controlCode,
                                                  std::span<std::uint8_t> buffer,
                                                  std::uint32_t inputLength) {
    if (IsFirmwareWrite(controlCode, buffer.first(inputLength))) {
        if (m_driver) {
            return m_driver->Control(controlCode, buffer, inputLength);
        }
    } else {
        const std::span<const std::uint8_t> input = buffer.first(inputLength);
        for (const RecordedAnswer& answer : m_answers) {
            if (answer.controlCode == controlCode && answer.inputLength == inputLength &&
                answer.output.size() == buffer.size() &&
                std::equal(input.begin(), input.end(), answer.input.begin(), answer.input.end())) {
                std::copy(answer.output.begin(), answer.output.end(), buffer.begin());
                return {answer.result.Ok, answer.result.BytesReturned, answer.result.Error};
            }
        }
    }
    m_reportUnanswered("a request the recording holds no answer to: control code 0x" +
                       platform::HexUpper(controlCode) + ", " + std::to_string(buffer.size()) +
                       " bytes");
    return {false, 0, kErrorInvalidFunction};
}

}  // namespace sim
