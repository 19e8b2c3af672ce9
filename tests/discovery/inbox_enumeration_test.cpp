#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "discovery/inbox_enumeration.h"
#include "platform/byte_layout.h"
#include "platform/text.h"
#include "tests/fakes/fake_platform.h"

namespace {

constexpr model::AccessKind kInbox = model::AccessKind::Inbox;

using model::DiskList;
using Device = fakes::FakeSetup::Device;

constexpr char16_t kMakerParent[] =
    u"PCI\\VEN_7A3C&DEV_5013&SUBSYS_50137A3C&REV_01\\4&2a7c3f1&0&0008";
constexpr char16_t kNvmeId[] = u"SCSI\\DiskNVMe____VELKORA_TRVX208KXQ71";

std::u16string InterfacePath(int n) {
    return u"\\\\?\\scsi#disk&ven_nvme&prod_velkora#" + platform::ToU16(std::to_string(n)) +
           u"#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
}

Device Disk(std::optional<std::u16string> parent, std::optional<std::u16string> instance,
            std::optional<std::vector<std::u16string>> ids, std::optional<std::u16string> path) {
    Device d;
    d.parentId = std::move(parent);
    d.instanceId = std::move(instance);
    d.hardwareIds = std::move(ids);
    d.interfacePath = std::move(path);
    return d;
}

Device MakerDisk(int n, std::u16string parent = kMakerParent,
                 std::vector<std::u16string> ids = {kNvmeId, u"SCSI\\DiskNVMe____", u"GenDisk"}) {
    return Disk(parent, u"SCSI\\DISK&VEN_NVME\\5&1&0&00000" + platform::ToU16(std::to_string(n)),
                ids, InterfacePath(n));
}

// Disks that answer IOCTL_STORAGE_GET_DEVICE_NUMBER, each with its number; others answer nothing.
fakes::Responder Numbered(std::map<std::u16string, std::uint32_t> numbers) {
    return [numbers](const fakes::Sent& sent, std::span<std::uint8_t> buffer) {
        const auto found = numbers.find(sent.path);
        if (found == numbers.end() || sent.code != win::kIoctlStorageGetDeviceNumber ||
            buffer.size() != 12 || !sent.bytes.empty()) {
            return fakes::Fail(win::kErrorInvalidParameter);
        }
        platform::PutU32(buffer, 0, 7);  // FILE_DEVICE_DISK
        platform::PutU32(buffer, 4, found->second);
        platform::PutU32(buffer, 8, 0);
        return platform::ControlResult{true, 12, 0};
    };
}

std::vector<std::u16string> Paths(const DiskList& list) {
    std::vector<std::u16string> paths;
    for (const auto& disk : list) {
        paths.push_back(disk.DevicePath);
    }
    return paths;
}

TEST(InboxEnumeration, OneCandidatePerMatchingDiskInDeviceOrder) {
    fakes::FakeMachine machine;
    machine.setup.disks = {MakerDisk(0), MakerDisk(1)};
    machine.io.respond = Numbered({{InterfacePath(0), 12}, {InterfacePath(1), 0}});
    DiskList candidates;
    EXPECT_TRUE(discovery::EnumerateInboxNvmeDisks(machine.platform, machine.events, candidates));

    ASSERT_EQ(candidates.size(), 2u);
    EXPECT_EQ(candidates[0], model::MakeCandidate(u"\\\\.\\PHYSICALDRIVE12", -1, kInbox));
    EXPECT_EQ(candidates[1], model::MakeCandidate(u"\\\\.\\PHYSICALDRIVE0", -1, kInbox));
    EXPECT_EQ(machine.setup.listFlags, std::vector<win::Dword>{0x12});
    for (const auto& open : machine.io.opens) {
        EXPECT_EQ(open.access, 0xC0000000u);
        EXPECT_EQ(open.share, 3u);
        EXPECT_EQ(open.flags, 0u);
    }
    EXPECT_TRUE(machine.NothingLeftOpen());
    EXPECT_EQ(machine.console.Transcript(), "");
}

TEST(InboxEnumeration, IdentifiersMustMatchExactlyAndCaseSensitively) {
    struct Case {
        const char* name;
        Device device;
        std::size_t records;
    };
    const std::vector<Case> cases = {
        {"maker's NVMe disk", MakerDisk(0), 1},
        {"lower-case vendor in parent", MakerDisk(0, u"PCI\\ven_7a3c&DEV_5013\\4&1"), 0},
        {"another maker's parent", MakerDisk(0, u"PCI\\VEN_144D&DEV_A808\\4&1"), 0},
        {"behind an Intel controller", MakerDisk(0, u"PCI\\VEN_8086&DEV_A77F\\3&1"), 0},
        {"no hardware ID names NVMe",
         MakerDisk(0, kMakerParent, {u"SCSI\\DiskVELKORA", u"GenDisk"}), 0},
        {"lower-case nvme", MakerDisk(0, kMakerParent, {u"SCSI\\Disknvme____X"}), 0},
        {"NVMe in the last identifier", MakerDisk(0, kMakerParent, {u"GenDisk", u"SCSI\\DiskNVMe"}),
         1},
        {"NVMe named twice: one record, one open",
         MakerDisk(0, kMakerParent, {kNvmeId, u"SCSI\\DiskNVMe____"}), 1},
        {"no parent property",
         Disk(std::nullopt, u"X", std::vector<std::u16string>{kNvmeId}, InterfacePath(0)), 0},
        {"no hardware IDs", Disk(kMakerParent, u"X", std::nullopt, InterfacePath(0)), 0},
        {"empty hardware ID list",
         Disk(kMakerParent, u"X", std::vector<std::u16string>{}, InterfacePath(0)), 0},
        {"no instance ID",
         Disk(kMakerParent, std::nullopt, std::vector<std::u16string>{kNvmeId}, InterfacePath(0)),
         0},
        {"no disk interface",
         Disk(kMakerParent, u"X", std::vector<std::u16string>{kNvmeId}, std::nullopt), 0},
    };
    for (const Case& c : cases) {
        fakes::FakeMachine machine;
        machine.setup.disks = {c.device};
        machine.io.respond = Numbered({{InterfacePath(0), 1}});
        DiskList candidates;
        EXPECT_TRUE(
            discovery::EnumerateInboxNvmeDisks(machine.platform, machine.events, candidates))
            << c.name;
        EXPECT_EQ(candidates.size(), c.records) << c.name;
        EXPECT_EQ(machine.io.opens.size(), c.records) << c.name;
        EXPECT_TRUE(machine.NothingLeftOpen()) << c.name;
    }
}

TEST(InboxEnumeration, DiskWithoutDeviceNumberIsSkippedAndTheNextExamined) {
    fakes::FakeMachine machine;
    machine.setup.disks = {MakerDisk(0), MakerDisk(1)};
    machine.io.respond = Numbered({{InterfacePath(1), 5}});  // the first opens, answers nothing
    DiskList candidates;
    EXPECT_TRUE(discovery::EnumerateInboxNvmeDisks(machine.platform, machine.events, candidates));
    EXPECT_EQ(Paths(candidates), std::vector<std::u16string>{u"\\\\.\\PHYSICALDRIVE5"});
    EXPECT_EQ(machine.io.opens.size(), 2u);  // the first device's other NVMe string is not tried
    EXPECT_TRUE(machine.NothingLeftOpen());
}

TEST(InboxEnumeration, UnopenableMatchingDiskIsReportedAndTheOthersStillFound) {
    struct Case {
        const char* name;
        std::vector<win::Dword> openErrors;  // per disk: 0 opens
        std::vector<std::u16string> paths;
        std::string transcript;
    };
    const std::vector<Case> cases = {
        {"first of two unopenable",
         {5, 0},
         {u"\\\\.\\PHYSICALDRIVE1"},
         "  [ERROR] Failed to get disk handle: 0x5\n\n"},
        {"second of three unopenable",
         {0, 0x20, 0},
         {u"\\\\.\\PHYSICALDRIVE0", u"\\\\.\\PHYSICALDRIVE2"},
         "  [ERROR] Failed to get disk handle: 0x20\n\n"},
        {"every disk denied",
         {5, 5},
         {},
         "  [ERROR] Failed to get disk handle: 0x5\n\n  [ERROR] Failed to get disk handle: "
         "0x5\n\n"},
    };
    for (const Case& c : cases) {
        fakes::FakeMachine machine;
        std::map<std::u16string, std::uint32_t> numbers;
        for (std::size_t i = 0; i < c.openErrors.size(); ++i) {
            const int n = static_cast<int>(i);
            machine.setup.disks.push_back(MakerDisk(n));
            numbers[InterfacePath(n)] = static_cast<std::uint32_t>(n);
            if (c.openErrors[i] != 0) {
                machine.io.openErrors[InterfacePath(n)] = c.openErrors[i];
            }
        }
        machine.io.respond = Numbered(numbers);
        DiskList candidates;
        EXPECT_TRUE(
            discovery::EnumerateInboxNvmeDisks(machine.platform, machine.events, candidates))
            << c.name;
        EXPECT_EQ(Paths(candidates), c.paths) << c.name;
        // One open per disk: the unopenable disk's other NVMe strings are not tried.
        EXPECT_EQ(machine.io.opens.size(), c.openErrors.size()) << c.name;
        EXPECT_TRUE(machine.NothingLeftOpen()) << c.name;
        EXPECT_EQ(machine.console.Transcript(), c.transcript) << c.name;
    }
}

TEST(InboxEnumeration, MissingDeviceListFails) {
    DiskList candidates;
    fakes::FakeMachine broken;
    broken.setup.failingLists.insert(&broken.setup.disks);
    broken.setup.disks = {MakerDisk(0)};
    EXPECT_FALSE(discovery::EnumerateInboxNvmeDisks(broken.platform, broken.events, candidates));
    EXPECT_TRUE(candidates.empty());
}

}  // namespace
