// A driver whose every answer comes from the fuzzer's bytes: for each device control call it
// fails the call, leaves the request as the tool wrote it (a driver that answers "success"), or
// writes arbitrary bytes into the buffer, near its start or anywhere, header and ReturnCode
// included. It records what
// the tool asked and what it was told, so a harness can check the tool's conclusions.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/byte_layout.h"
#include "sim/sim_endpoint.h"
#include "sim/sim_machine.h"

namespace fuzzing {

// A broken rule: print it and stop, so that libFuzzer keeps the input.
[[noreturn]] inline void Broken(const char* rule) {
    std::fprintf(stderr, "broken: %s\n", rule);
    std::abort();
}

struct Exchange {
    std::uint32_t function = 0;    // the firmware function the request carried
    bool ok = false;               // what DeviceIoControl returned
    std::uint32_t returnCode = 0;  // SRB_IO_CONTROL.ReturnCode after the answer
};

class FuzzDriver : public sim::SimEndpoint {
public:
    // functionOffset: where the request's firmware function stands (0: none is recorded).
    FuzzDriver(FuzzedDataProvider& data, std::size_t functionOffset)
        : m_data(data), m_functionOffset(functionOffset) {}

    platform::ControlResult Control(win::Dword, std::span<std::uint8_t> buffer,
                                    std::uint32_t) override {
        Exchange exchange;
        if (m_functionOffset != 0 && platform::FitsIn(buffer.size(), m_functionOffset, 4)) {
            exchange.function = platform::GetU32(buffer, m_functionOffset);
        }
        // Once the bytes run out the driver answers every request with success.
        const std::uint8_t mode = m_data.ConsumeIntegral<std::uint8_t>();
        if (mode & 1) {
            m_exchanges.push_back(exchange);
            return {false, 0, win::kErrorIoDevice};
        }
        if (mode & 2) {
            // A short answer near the start, where the headers and small answers lie.
            const std::size_t offset = m_data.ConsumeIntegralInRange<std::size_t>(
                0, std::min<std::size_t>(buffer.size(), 160));
            Write(buffer, offset, m_data.ConsumeIntegralInRange<std::size_t>(0, 64));
        }
        if (mode & 4) {
            // Any run of bytes anywhere.
            const std::size_t count = m_data.ConsumeIntegralInRange<std::size_t>(0, buffer.size());
            Write(buffer, m_data.ConsumeIntegralInRange<std::size_t>(0, buffer.size() - count),
                  count);
        }
        exchange.ok = true;
        if (platform::FitsIn(buffer.size(), 20, 4)) {
            exchange.returnCode = platform::GetU32(buffer, 20);
        }
        m_exchanges.push_back(exchange);
        return {true, static_cast<std::uint32_t>(buffer.size()), 0};
    }

    const std::vector<Exchange>& Exchanges() const { return m_exchanges; }

private:
    void Write(std::span<std::uint8_t> buffer, std::size_t offset, std::size_t count) {
        const std::vector<std::uint8_t> bytes =
            m_data.ConsumeBytes<std::uint8_t>(std::min(count, buffer.size() - offset));
        std::copy(bytes.begin(), bytes.end(), buffer.begin() + static_cast<std::ptrdiff_t>(offset));
    }

    FuzzedDataProvider& m_data;
    std::size_t m_functionOffset;
    std::vector<Exchange> m_exchanges;
};

// Every handle and device list the tool opened is closed again.
inline void CheckNothingLeftOpen(const sim::SimMachine& machine) {
    if (machine.OpenHandleCount() != 0 || machine.OpenListCount() != 0 ||
        !machine.Misuse().empty()) {
        Broken("a handle or device list was left open, or misused");
    }
}

}  // namespace fuzzing
