// The simulated device paths: each path opens to an endpoint (an emulated driver), served through
// device I/O with Windows' access checks, with every handle the tool holds tracked.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/device_io.h"
#include "sim/call_log.h"
#include "sim/device_tree.h"
#include "sim/sim_endpoint.h"

namespace sim {

class DevicePaths final : public platform::DeviceIo {
public:
    // Calls are numbered, faulted and logged by calls; the interfaces of devices the tree says
    // are not present no longer open.
    DevicePaths(CallRecorder& calls, const DeviceTree& tree) : m_calls(calls), m_tree(tree) {}
    DevicePaths(const DevicePaths&) = delete;
    DevicePaths& operator=(const DevicePaths&) = delete;

    // A path that opens to the endpoint (matched case-insensitively, like Windows).
    void AddPath(std::u16string path, std::shared_ptr<SimEndpoint> endpoint);
    // A path that does not open: CreateFileW fails with this error.
    void AddUnopenablePath(std::u16string path, win::Dword error) {
        m_unopenable.emplace_back(std::move(path), error);
    }

    std::size_t OpenHandleCount() const { return m_handles.size(); }
    // Paths of the handles still open, for a readable failure message.
    std::vector<std::u16string> OpenHandlePaths() const;

    platform::OpenResult Open(std::u16string_view path, win::Dword desiredAccess,
                              win::Dword shareMode, win::Dword flagsAndAttributes) override;
    using platform::DeviceIo::Control;
    platform::ControlResult Control(const platform::DeviceHandle& handle, win::Dword controlCode,
                                    std::span<std::uint8_t> buffer,
                                    std::uint32_t inputLength) override;

protected:
    void CloseDevice(std::uint64_t id) override;

private:
    platform::OpenResult OpenPath(std::u16string_view path, win::Dword desiredAccess,
                                  win::Dword shareMode);
    platform::ControlResult ControlPath(const platform::DeviceHandle& handle,
                                        win::Dword controlCode, std::span<std::uint8_t> buffer,
                                        std::uint32_t inputLength);

    struct OpenHandle {
        std::u16string path;
        std::shared_ptr<SimEndpoint> endpoint;
        win::Dword access = 0;
    };

    CallRecorder& m_calls;
    const DeviceTree& m_tree;
    std::vector<std::pair<std::u16string, std::shared_ptr<SimEndpoint>>> m_paths;
    std::vector<std::pair<std::u16string, win::Dword>> m_unopenable;
    std::map<std::uint64_t, OpenHandle> m_handles;
};

}  // namespace sim
