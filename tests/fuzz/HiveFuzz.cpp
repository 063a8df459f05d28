#include "tests/fuzz/HiveFuzz.h"

#include "app/Texts.h"
#include "scan/AdwarePlaces.h"
#include "scan/Findings.h"
#include "scan/ProfileTemps.h"
#include "sys/RegExport.h"
#include "sys/RegFile.h"
#include "sys/hive/HiveRegistry.h"
#include "tests/offline/HiveWriter.h"

namespace kr8::test {

void ReadHiveAsTheOfflineCleanDoes(const std::string& input) {
    std::string bytes = input;
    // The adversary writes a right checksum as easily: with it made right, a change to the base
    // block reaches past hivex's first check.
    if (bytes.size() >= 0x200) {
        SealBaseBlock(bytes);
    }
    CheckHiveBytes(bytes);
    const auto reg = HiveRegistry::FromBytes(bytes, false);
    if (!reg) {
        return;
    }
    Findings found;
    ScanRegistry(*reg, found);
    const RegRoot hklm = RegRoot::LocalMachine;
    for (std::int32_t i = 0;; ++i) {
        const auto sid = reg->GetSubKeyName(hklm, place::kProfileListKey, i);
        if (!sid) {
            break;
        }
        reg->ReadRegValue(hklm, place::kProfileListKey + *sid + "\\", place::kProfilePathValue);
    }
    if (!found.guardianKeyName.empty()) {
        const auto keys = ExportKey(*reg, hklm, place::kNotifyKey + found.guardianKeyName);
        std::string refused;
        if (keys) {
            WriteRegFile(*keys, refused);
        }
    }
}

std::vector<std::pair<std::string, std::string>> SeedHives() {
    const std::string notify = "Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify";
    const std::string profiles = "Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    const auto sz = [](const std::string& text) {
        return LittleEndianBytes(Utf16FromUtf8(text)) + std::string(2, '\0');
    };
    std::vector<HiveKey> machine{{"$$$PROTO.HIV", {}, {}}};
    machine[AddPath(machine, notify + "\\GuardSvc")].values = {
        {"Version", 4, std::string("\x7e\0\0\0", 4)},
        {"DLLName", 2, sz("%SystemRoot%\\system32\\guard.dll")},
        {"", 1, sz("default")},
        {"Blob", 3, std::string("\x01\x02\x03\x04\x05\x06", 6)},
        {"List", 7, sz("a") + sz("b")}};
    machine[AddPath(machine, notify + "\\GuardSvc\\Sub\\Deeper")].values = {{"x", 1, sz("y")}};
    machine[AddPath(machine, notify + "\\crypt32chain")].values = {{"Version", 1, sz("1")}};
    machine[AddPath(machine, notify + "\\\xD0\xA1vc")].values = {{"Version", 1, sz("126")}};
    machine[AddPath(machine, profiles + "\\S-1-5-18")].values = {
        {"ProfileImagePath", 2, sz("%SystemRoot%\\system32\\config\\systemprofile")}};
    machine[AddPath(machine, profiles + "\\S-1-5-21-1")].values = {
        {"ProfileImagePath", 2, sz("%SystemDrive%\\Documents and Settings\\u")}};
    machine[AddPath(machine,
                    "Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User "
                    "Agent\\Post Platform")]
        .values = {{"KR8", 1, sz("")}};

    std::vector<HiveKey> twice{{"$$$PROTO.HIV", {}, {}}};
    std::size_t deep = AddPath(twice, notify + "\\GuardTwice");
    for (int level = 0; level != 4; ++level) {
        twice[deep].children = {twice.size(), twice.size()};
        deep = twice.size();
        twice.push_back(HiveKey{"k", {}, {{"v", 4, std::string(4, '\0')}}});
    }
    twice[AddPath(twice, notify + "\\GuardTwice\\k\\Up")].children = {0};
    return {{"minimal.hiv", MinimalHive()},
            {"machine.hiv", BuildHive(machine).bytes},
            {"twice.hiv", BuildHive(twice).bytes}};
}

}  // namespace kr8::test
