// A device path of a recorded machine. Each device control request is answered with what the
// machine answered the capture's request of the same control code, buffer size and input bytes:
// the result and the whole buffer as the driver left it. A download or an activation, which a
// capture never sends, goes to the emulated driver behind the path. A request the recording
// does not hold fails with ERROR_INVALID_FUNCTION and is reported as misuse: what the machine
// would have answered is not known.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "sim/sim_endpoint.h"

namespace sim {

// A recorded buffer held as the bytes the recording gives, up to the last nonzero one, and its
// size: a request's declared size costs no memory, only the data present does.
struct RecordedBuffer {
    std::uint32_t size = 0;
    std::vector<std::uint8_t> bytes;  // at most size; the buffer is zero past them

    bool Fits(std::size_t offset, std::size_t count) const;
    std::uint8_t U8(std::size_t offset) const;
    std::uint32_t U32(std::size_t offset) const;
    // count bytes from offset, zero past the bytes held; nothing past the size.
    std::vector<std::uint8_t> Copy(std::size_t offset, std::size_t count) const;
    bool SameAs(std::span<const std::uint8_t> whole) const;
    // Writes the whole buffer; whole.size() is size.
    void CopyTo(std::span<std::uint8_t> whole) const;
};

struct RecordedAnswer {
    win::Dword controlCode = 0;
    RecordedBuffer input;  // size: the request's input length
    platform::ControlResult result;
    RecordedBuffer output;  // the buffer as the driver left it; size: the request's
};

// Whether a request downloads or activates firmware: a "FIRMWARE" download or activation of the
// inbox driver, or any "IntelFw " request of the RST driver.
bool IsFirmwareWrite(win::Dword controlCode, std::span<const std::uint8_t> buffer);

class RecordedEndpoint : public SimEndpoint {
public:
    RecordedEndpoint(std::vector<RecordedAnswer> answers,
                     std::function<void(std::string)> reportUnanswered)
        : m_answers(std::move(answers)), m_reportUnanswered(std::move(reportUnanswered)) {}

    platform::ControlResult Control(win::Dword controlCode, std::span<std::uint8_t> buffer,
                                    std::uint32_t inputLength) override;

    const std::vector<RecordedAnswer>& Answers() const { return m_answers; }
    // The driver that takes downloads and activations.
    void SetFirmwareDriver(std::shared_ptr<SimEndpoint> driver) { m_driver = std::move(driver); }

private:
    std::vector<RecordedAnswer> m_answers;
    std::function<void(std::string)> m_reportUnanswered;
    std::shared_ptr<SimEndpoint> m_driver;
};

}  // namespace sim
