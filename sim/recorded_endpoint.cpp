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

bool RecordedBuffer::Fits(std::size_t offset, std::size_t count) const {
    return platform::FitsIn(size, offset, count);
}

std::uint8_t RecordedBuffer::U8(std::size_t offset) const {
    return offset < bytes.size() ? bytes[offset] : 0;
}

std::uint32_t RecordedBuffer::U32(std::size_t offset) const {
    return Fits(offset, 4) ? platform::GetU32(Copy(offset, 4), 0) : 0;
}

std::vector<std::uint8_t> RecordedBuffer::Copy(std::size_t offset, std::size_t count) const {
    std::vector<std::uint8_t> part(Fits(offset, count) ? count : 0, 0);
    for (std::size_t i = 0; i < part.size() && offset + i < bytes.size(); ++i) {
        part[i] = bytes[offset + i];
    }
    return part;
}

bool RecordedBuffer::SameAs(std::span<const std::uint8_t> whole) const {
    return whole.size() == size && std::equal(bytes.begin(), bytes.end(), whole.begin()) &&
           std::all_of(whole.begin() + static_cast<std::ptrdiff_t>(bytes.size()), whole.end(),
                       [](std::uint8_t b) { return b == 0; });
}

void RecordedBuffer::CopyTo(std::span<std::uint8_t> whole) const {
    std::fill(std::copy(bytes.begin(), bytes.end(), whole.begin()), whole.end(), 0);
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
            if (answer.controlCode == controlCode && answer.output.size == buffer.size() &&
                answer.input.SameAs(input)) {
                answer.output.CopyTo(buffer);
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
