// Device lists, paths, accounting, faults and scenario loading of the simulated machine.
#include <gtest/gtest.h>

#include "platform/byte_layout.h"
#include "sim/scenario.h"
#include "sim/sim_machine.h"

namespace {

using sim::SimDevice;
using sim::SimMachine;

constexpr win::Dword kPresentInterfaces = win::kDigcfPresent | win::kDigcfDeviceInterface;
constexpr win::Dword kReadWrite = win::kGenericRead | win::kGenericWrite;
constexpr win::Dword kShareReadWrite = win::kFileShareRead | win::kFileShareWrite;

SimDevice Device(std::u16string id, bool present, std::vector<sim::SimInterface> interfaces) {
    SimDevice d;
    d.instanceId = std::move(id);
    d.present = present;
    d.interfaces = std::move(interfaces);
    return d;
}

class MachineTest : public testing::Test {
protected:
    void SetUp() override {
        machine.AddDevice(Device(u"A", true, {{win::kGuidDevinterfaceDisk, u"\\\\?\\a"}}));
        machine.AddDevice(Device(u"GONE", false, {{win::kGuidDevinterfaceDisk, u"\\\\?\\gone"}}));
        machine.AddDevice(
            Device(u"PORT", true, {{win::kGuidDevinterfaceStoragePort, u"\\\\?\\port"}}));
        machine.AddDevice(Device(u"B", true,
                                 {{win::kGuidDevinterfaceDisk, u"\\\\?\\b1"},
                                  {win::kGuidDevinterfaceDisk, u"\\\\?\\b2"}}));
        sim::NvmeDriveConfig c;
        c.name = "d";
        sim::InboxDiskConfig disk;
        disk.deviceNumber = 12;
        disk.parentId = u"PCI\\VEN_7A3C&DEV_5013\\4&1&0&00E8";
        machine.AddInboxDisk(disk, machine.AddDrive(c));
    }

    std::vector<std::u16string> ListedIds(const win::Guid* cls, win::Dword flags) {
        platform::DeviceInfoList list = machine.GetClassDevices(cls, flags);
        std::vector<std::u16string> ids;
        for (std::uint32_t i = 0; auto info = machine.EnumDeviceInfo(list, i); ++i) {
            ids.push_back(
                machine.GetDeviceStringProperty(list, *info, win::kDevpkeyDeviceInstanceId)->Text);
        }
        return ids;
    }

    SimMachine machine;
};

TEST_F(MachineTest, ListsFollowTheClassAndPresentFlags) {
    const std::u16string disk = u"SCSI\\DISK&VEN_NVME&PROD_NVME_DRIVE\\5&1D6E3B0&0&00000C";
    EXPECT_EQ(ListedIds(&win::kGuidDevinterfaceDisk, kPresentInterfaces),
              (std::vector<std::u16string>{u"A", u"B", disk}));
    EXPECT_EQ(ListedIds(&win::kGuidDevinterfaceDisk, win::kDigcfDeviceInterface),
              (std::vector<std::u16string>{u"A", u"GONE", u"B", disk}));
    EXPECT_EQ(ListedIds(nullptr, win::kDigcfPresent | win::kDigcfAllClasses),
              (std::vector<std::u16string>{u"A", u"PORT", u"B", disk}));
    EXPECT_EQ(machine.OpenListCount(), 0u);
    EXPECT_FALSE(machine.GetClassDevices(nullptr, win::kDigcfPresent).Valid());
}

TEST_F(MachineTest, InterfacesAreWalkedAcrossTheListInOrder) {
    platform::DeviceInfoList list =
        machine.GetClassDevices(&win::kGuidDevinterfaceDisk, kPresentInterfaces);
    std::vector<std::u16string> paths;
    std::vector<std::uint32_t> owners;
    for (std::uint32_t i = 0;
         auto iface = machine.EnumDeviceInterfaces(list, win::kGuidDevinterfaceDisk, i); ++i) {
        const auto detail = machine.GetDeviceInterfaceDetail(list, *iface);
        ASSERT_TRUE(detail);
        paths.push_back(detail->DevicePath);
        owners.push_back(detail->Device.Index);
    }
    ASSERT_EQ(paths.size(), 4u);
    EXPECT_EQ(paths[1], u"\\\\?\\b1");
    EXPECT_EQ(paths[2], u"\\\\?\\b2");
    EXPECT_EQ(paths[3],
              u"\\\\?\\scsi#disk&ven_nvme&prod_nvme_drive#5&1d6e3b0&0&00000c#{53f56307-b6bf-11d0-"
              u"94f2-00a0c91efb8b}");
    EXPECT_EQ(owners, (std::vector<std::uint32_t>{0, 1, 1, 2}));
    EXPECT_FALSE(machine.EnumDeviceInterfaces(list, win::kGuidDevinterfaceStoragePort, 0));
}

TEST_F(MachineTest, BothDiskPathsOpenTheSameDiskWhateverTheirCase) {
    for (std::u16string path : {u"\\\\.\\PHYSICALDRIVE12", u"\\\\.\\physicaldrive12",
                                u"\\\\?\\SCSI#DISK&VEN_NVME&PROD_NVME_DRIVE#5&1D6E3B0&0&00000C#{"
                                u"53F56307-B6BF-11D0-94F2-00A0C91EFB8B}"}) {
        platform::OpenResult opened = machine.Open(path, kReadWrite, kShareReadWrite, 0);
        ASSERT_TRUE(opened.Handle.Valid());
        std::vector<std::uint8_t> number(12);
        ASSERT_TRUE(
            machine.Control(opened.Handle, win::kIoctlStorageGetDeviceNumber, number, 0).Ok);
        EXPECT_EQ(platform::GetU32(number, 4), 12u);
        EXPECT_EQ(machine.OpenHandleCount(), 1u);
    }
    EXPECT_EQ(machine.OpenHandleCount(), 0u);
    EXPECT_EQ(machine.Open(u"\\\\.\\PHYSICALDRIVE1", kReadWrite, kShareReadWrite, 0).Error,
              win::kErrorFileNotFound);
    EXPECT_EQ(machine.Open(u"\\\\.\\PHYSICALDRIVE12", kReadWrite, 0x10, 0).Error,
              win::kErrorInvalidParameter);
}

TEST_F(MachineTest, InterfacesOfAbsentDevicesDoNotOpen) {
    machine.AddPath(u"\\\\?\\gone", std::make_shared<sim::PlainEndpoint>());
    machine.AddPath(u"\\\\?\\a", std::make_shared<sim::PlainEndpoint>());
    EXPECT_EQ(machine.Open(u"\\\\?\\GONE", kReadWrite, kShareReadWrite, 0).Error,
              win::kErrorFileNotFound);
    EXPECT_TRUE(machine.Open(u"\\\\?\\A", kReadWrite, kShareReadWrite, 0).Handle.Valid());
}

TEST_F(MachineTest, MiniportNeedsAHandleOpenedForReadingAndWriting) {
    platform::OpenResult opened =
        machine.Open(u"\\\\.\\PHYSICALDRIVE12", win::kGenericRead, kShareReadWrite, 0);
    std::vector<std::uint8_t> request(64);
    const platform::ControlResult r =
        machine.Control(opened.Handle, win::kIoctlScsiMiniport, request);
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Error, win::kErrorAccessDenied);
}

TEST_F(MachineTest, FaultsChooseByKindTargetAndOccurrence) {
    sim::Fault second;
    second.kind = sim::CallKind::Open;
    second.target = u"physicaldrive12";
    second.occurrence = 2;
    second.error = win::kErrorSharingViolation;
    machine.Faults().Add(second);
    EXPECT_TRUE(
        machine.Open(u"\\\\.\\PHYSICALDRIVE12", kReadWrite, kShareReadWrite, 0).Handle.Valid());
    EXPECT_EQ(machine.Open(u"\\\\.\\PHYSICALDRIVE12", kReadWrite, kShareReadWrite, 0).Error,
              win::kErrorSharingViolation);
    EXPECT_TRUE(
        machine.Open(u"\\\\.\\PHYSICALDRIVE12", kReadWrite, kShareReadWrite, 0).Handle.Valid());

    const std::uint64_t next = machine.CallCount() + 2;
    machine.Faults().FailCallNumber(next, win::kErrorIoDevice);
    EXPECT_TRUE(machine.GetClassDevices(&win::kGuidDevinterfaceDisk, kPresentInterfaces).Valid());
    EXPECT_FALSE(machine.GetClassDevices(&win::kGuidDevinterfaceDisk, kPresentInterfaces).Valid());
    EXPECT_TRUE(machine.CallLog().back().failed);
    EXPECT_EQ(machine.Faults().AppliedCounts(), (std::vector<std::uint32_t>{1, 1}));
}

TEST_F(MachineTest, ControlFaultCanAnswerAReturnCode) {
    sim::Fault fault;
    fault.kind = sim::CallKind::Control;
    fault.signature = "FIRMWARE";
    fault.returnCode = 0x40;
    machine.Faults().Add(fault);
    platform::OpenResult opened =
        machine.Open(u"\\\\.\\PHYSICALDRIVE12", kReadWrite, kShareReadWrite, 0);
    std::vector<std::uint8_t> request(80);
    platform::PutAscii(request, 4, "FIRMWARE");
    const platform::ControlResult r =
        machine.Control(opened.Handle, win::kIoctlScsiMiniport, request);
    EXPECT_TRUE(r.Ok);
    EXPECT_EQ(platform::GetU32(request, 20), 0x40u);
}

TEST_F(MachineTest, StaleListsAndHandlesAreReportedAsMisuse) {
    {
        platform::DeviceInfoList stale({&machine.Devices(), 999});
        EXPECT_FALSE(machine.EnumDeviceInfo(stale, 0));
    }
    EXPECT_EQ(machine.Misuse().size(), 2u);  // the enumeration and the destruction
}

TEST(ScenarioLoader, RejectsBadScenariosWithAReason) {
    EXPECT_NE(sim::LoadScenario("{").error, "");
    EXPECT_NE(sim::LoadScenario(R"({"drivez": []})").error.find("drivez"), std::string::npos);
    EXPECT_NE(sim::LoadScenario(R"({"inbox": [{"drive": "x", "deviceNumber": 0}]})")
                  .error.find("no drive"),
              std::string::npos);
    EXPECT_NE(sim::LoadScenario(R"({"drives": [{"name": "x", "fwug": 256}]})").error.find("fwug"),
              std::string::npos);
    EXPECT_NE(sim::LoadScenario(R"({"faults": [{"call": "Read"}]})").error, "");
    for (const char* drive :
         {R"({"name": "x", "slots": ["1", "2", "3", "4", "5", "6", "7", "8"]})",
          R"({"name": "x", "slots": ["XQ71DMRB9"]})", R"({"name": "x", "slots": "XQ71DMRB"})",
          R"({"name": "x", "pendingSlot": 0})", R"({"name": "x", "activeSlot": 8})"}) {
        EXPECT_NE(sim::LoadScenario(std::string(R"({"drives": [)") + drive + "]}").error, "")
            << drive;
    }
    // A recorded machine is the recording alone, and a malformed one is refused.
    for (const char* recorded :
         {R"("recorded": {}, "drives": [])", R"("recorded": {"disks": []})",
          R"("recorded": {"requests": [{"path": "p", "controlCode": 1, "inputLength": 1,
              "input": "zz", "size": 1, "output": "", "ok": true, "error": 0,
              "bytesReturned": 0}]})",
          R"("recorded": {"requests": [{"path": "p", "controlCode": 1, "inputLength": 1,
              "input": "0102", "size": 1, "output": "", "ok": true, "error": 0,
              "bytesReturned": 0}]})",
          R"("recorded": {"lists": [{"class": null, "flags": 6, "devices": [],
              "interfaces": [{"class": "disk", "index": 0, "path": "p", "device": 0}]}]})",
          R"("recorded": {"lists": [{"class": null, "flags": 6, "devices": [{"index": 0,
              "devInst": 1, "properties": {"{00000000-0000-0000-0000-000000000000} 2": null}}]}]})"}) {
        EXPECT_NE(sim::LoadScenario(std::string("{") + recorded + "}").error, "") << recorded;
    }
    // A request the inspector never sends, or bytes not two hexadecimal digits each, is refused
    // naming the request, before a buffer is made for it; the largest it sends (a get-info of
    // 255 units of 4 KiB and 76 bytes) loads.
    const std::string request = R"({"path": "p", "controlCode": 1, "ok": true, "error": 0,
        "bytesReturned": 0, )";
    const std::string largest =
        request + R"("inputLength": 0, "input": "", "size": 1044556, "output": "00ff"})";
    EXPECT_TRUE(sim::LoadScenario(R"({"recorded": {"requests": [)" + largest + "]}}").machine);
    const std::pair<const char*, const char*> badRequests[] = {
        {R"("inputLength": 0, "input": "", "size": 4294967295, "output": "")", "size 4294967295"},
        {R"("inputLength": 0, "input": "", "size": 1044557, "output": "")", "largest request"},
        {R"("inputLength": 4294967295, "input": "", "size": 4, "output": "")", "inputLength"},
        {R"("inputLength": 4, "input": "012", "size": 4, "output": "")", "input: not two"},
        {R"("inputLength": 4, "input": "0g", "size": 4, "output": "")", "input: not two"},
        {R"("inputLength": 4, "input": "-1", "size": 4, "output": "")", "input: not two"},
        {R"("inputLength": 4, "input": " 1", "size": 4, "output": "")", "input: not two"},
        {R"("inputLength": 4, "input": "0x", "size": 4, "output": "")", "input: not two"},
        {R"("inputLength": 1, "input": "0102", "size": 4, "output": "")", "input: more than 1"},
        {R"("inputLength": 0, "input": "", "size": 2, "output": "a1b")", "output: not two"},
        {R"("inputLength": 0, "input": "", "size": 2, "output": "a1b2c3")", "output: more than"},
    };
    // Captures come from the field: refused past 16 MiB, 10,000 requests or 500,000 JSON values
    // (before a value is built), and a clock step past a day.
    const std::string empty =
        request + R"("inputLength": 0, "input": "", "size": 4, "output": ""})";
    std::string requests = empty;
    for (int i = 0; i < 10000; ++i) {
        requests += ", " + empty;
    }
    const std::pair<std::string, const char*> hostile[] = {
        {R"({"recorded": {"requests": [)" + requests + "]}}", "10001, more than 10000"},
        {"{\"comment\": \"" + std::string(sim::kMaxScenarioBytes, 'x') + "\"}", "16 MiB"},
        {"[" + std::string(2 * sim::kMaxScenarioValues, '[') + "]", "500000 JSON values"},
        {R"({"clock": {"step": 86401}})", "more than a day"},
        {R"({"clock": {"step": 2147483647}})", "more than a day"},
    };
    for (const auto& [text, reason] : hostile) {
        const std::string error = sim::LoadScenario(text).error;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
    for (const auto& [fields, reason] : badRequests) {
        const std::string error = sim::LoadScenario(R"({"recorded": {"requests": [)" + largest +
                                                    ", " + request + fields + "}]}}")
                                      .error;
        EXPECT_NE(error.find("recorded request 1 (p): "), std::string::npos) << error;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
    }
}

// A recorded machine answers as it was recorded: its lists in their own order, a property that
// was not available, a path that did not open, a request with the buffer the driver left; a
// request it holds no answer to fails and is reported.
TEST(ScenarioLoader, ReplaysARecordedMachine) {
    const sim::LoadResult loaded = sim::LoadScenario(R"({"recorded": {
      "lists": [{ "class": "disk", "flags": "0x12",
                  "devices": [{ "index": 0, "devInst": 8 },
                              { "index": 2, "devInst": 4, "properties": {
                      "{78C34FC8-104A-4ACA-9EA4-524D52996E57} 256": null,
                      "{A45C254E-DF1C-4EFD-8020-67D146A850E0} 15": { "type": "0x11", "text": "L" } } }],
                  "interfaces": [{ "class": "disk", "index": 0, "path": "\\\\?\\b", "device": 2 },
                                 { "class": "disk", "index": 1, "device": 0 }] }],
      "opens": [{ "path": "\\\\?\\b", "error": 0 }, { "path": "\\\\?\\a", "error": 32 }],
      "requests": [{ "path": "\\\\?\\b", "controlCode": "0x2D1080", "inputLength": 0, "input": "",
                     "size": 12, "output": "0700000005", "ok": true, "error": 0, "bytesReturned": 12 }]
    }})");
    ASSERT_TRUE(loaded.machine) << loaded.error;
    SimMachine& machine = *loaded.machine;
    {
        const platform::DeviceInfoList list =
            machine.GetClassDevices(&win::kGuidDevinterfaceDisk, kPresentInterfaces);
        EXPECT_EQ(machine.EnumDeviceInfo(list, 0)->DevInst, 8u);
        EXPECT_FALSE(machine.EnumDeviceInfo(list, 1));
        EXPECT_FALSE(machine.EnumDeviceInfo(list, 3));
        const auto first = machine.EnumDeviceInterfaces(list, win::kGuidDevinterfaceDisk, 0);
        const auto detail = machine.GetDeviceInterfaceDetail(list, *first);
        EXPECT_EQ(detail->DevicePath, u"\\\\?\\b");
        EXPECT_EQ(detail->Device.Index, 2u);
        EXPECT_EQ(detail->Device.DevInst, 4u);
        const auto second = machine.EnumDeviceInterfaces(list, win::kGuidDevinterfaceDisk, 1);
        EXPECT_FALSE(machine.GetDeviceInterfaceDetail(list, *second));
        EXPECT_FALSE(machine.EnumDeviceInterfaces(list, win::kGuidDevinterfaceDisk, 2));
        EXPECT_FALSE(
            machine.GetDeviceStringProperty(list, detail->Device, win::kDevpkeyDeviceInstanceId));
        const auto location =
            machine.GetDeviceStringProperty(list, detail->Device, win::kDevpkeyDeviceLocationInfo);
        EXPECT_EQ(location->Type, 0x11u);
        EXPECT_EQ(location->Text, u"L");
        EXPECT_FALSE(machine.GetHardwareIds(list, detail->Device));
    }
    EXPECT_EQ(machine.Open(u"\\\\?\\A", kReadWrite, kShareReadWrite, 0).Error, 32u);
    const platform::OpenResult opened = machine.Open(u"\\\\?\\b", kReadWrite, kShareReadWrite, 0);
    std::vector<std::uint8_t> number(12, 0xEE);
    const platform::ControlResult answered =
        machine.Control(opened.Handle, win::kIoctlStorageGetDeviceNumber, number, 0);
    EXPECT_TRUE(answered.Ok);
    EXPECT_EQ(answered.BytesReturned, 12u);
    EXPECT_EQ(number, (std::vector<std::uint8_t>{7, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(machine.Misuse().empty());
    std::vector<std::uint8_t> larger(16);
    EXPECT_EQ(machine.Control(opened.Handle, win::kIoctlStorageGetDeviceNumber, larger, 0).Error,
              sim::kErrorInvalidFunction);
    EXPECT_EQ(machine.Misuse().size(), 1u);
}

TEST(ScenarioLoader, ReadsNumbersTextAndFaults) {
    const sim::LoadResult loaded = sim::LoadScenario(R"({
        "args": ["/x"], "clock": {"start": "31-12-2026 23:59:59", "step": 1},
        "drives": [{"name": "d", "version": "1.4", "frmw": "0x16", "fwug": "0xFF", "identify": {"0x40": 7}}],
        "inbox": [{"drive": "d", "deviceNumber": 4}],
        "faults": [{"call": "Control", "signature": "FIRMWARE", "function": 3, "returnCode": "0x20"}]})");
    ASSERT_TRUE(loaded.machine) << loaded.error;
    SimMachine& m = *loaded.machine;
    EXPECT_EQ(m.Argc(), 2);
    EXPECT_EQ(m.Clock().Now().Year, 2026);
    EXPECT_EQ(m.Clock().Now().Year, 2027);
    const sim::NvmeDriveConfig& c = m.FindDrive("d")->Config();
    EXPECT_EQ(c.version, 0x00010400u);
    EXPECT_EQ(c.frmw, 0x16);
    EXPECT_EQ(c.fwug, 0xFF);
    EXPECT_EQ(m.FindDrive("d")->IdentifyController()[0x40], 7);  // overrides are applied
    EXPECT_EQ(m.Faults().Size(), 1u);
    EXPECT_TRUE(m.Open(u"\\\\.\\PhysicalDrive4", kReadWrite, kShareReadWrite, 0).Handle.Valid());
}

}  // namespace

// Each reading advances the clock by its step across minutes, days, leap days and years, in
// wide arithmetic: the largest int step neither overflows nor loops a minute at a time.
TEST(SimClockTest, AdvancesByItsStepWithoutOverflow) {
    struct Row {
        platform::LocalTime start;
        int step;
        platform::LocalTime second;
    };
    const Row rows[] = {
        {{2026, 12, 31, 23, 59, 59}, 1, {2027, 1, 1, 0, 0, 0}},
        {{2028, 2, 28, 23, 59, 30}, 86400, {2028, 2, 29, 23, 59, 30}},
        {{2026, 12, 31, 23, 59, 59}, 2147483647, {2095, 1, 19, 3, 14, 6}},
        {{2026, 12, 6, 19, 4, 9}, -5, {2026, 12, 6, 19, 4, 9}},
    };
    for (const Row& row : rows) {
        sim::SimClock clock(row.start, row.step);
        clock.Now();
        const platform::LocalTime t = clock.Now();
        EXPECT_EQ(std::vector<int>({t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second}),
                  std::vector<int>({row.second.Year, row.second.Month, row.second.Day,
                                    row.second.Hour, row.second.Minute, row.second.Second}))
            << row.step;
    }
}
