// The offline registry scan of two hives of many sub-keys, against reglookup dumping the same hive,
// in alternating runs: a SOFTWARE hive of 16,000 profiles and one of 6,000 Notify sub-keys. Prints
// figures and judges nothing.
// usage: kr8_hive_bench [runs]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/Texts.h"
#include "scan/Findings.h"
#include "sys/hive/HiveRegistry.h"
#include "tests/offline/HiveWriter.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// What kr8finder-offline reads of the hive: the scan, and the profiles' folders.
std::size_t OurScan(const std::string& hive) {
    auto reg = kr8::HiveRegistry::Open(hive, false);
    if (!reg) {
        return 0;
    }
    kr8::Findings found;
    kr8::ScanRegistry(*reg, found);
    const kr8::RegRoot hklm = kr8::RegRoot::LocalMachine;
    std::size_t profiles = 0;
    for (std::int32_t i = 0;; ++i) {
        const auto sid = reg->GetSubKeyName(hklm, kr8::text::kProfileListKey, i);
        if (!sid) {
            break;
        }
        profiles += reg->ReadRegValue(hklm, kr8::text::kProfileListKey + *sid + "\\",
                                      kr8::text::kProfilePathValue) != kr8::kNotFound;
    }
    return found.notifyKeys.size() + profiles;
}

std::string Hive(const std::string& parent, int count, const std::string& value, std::uint32_t type,
                 const std::string& data) {
    std::vector<kr8::test::HiveKey> keys{{"$$$PROTO.HIV", {}, {}}};
    const std::size_t at = kr8::test::AddPath(keys, parent);
    for (int i = 0; i < count; ++i) {
        keys[at].children.push_back(keys.size());
        keys.push_back({"S-1-5-21-" + std::to_string(1000 + i), {}, {{value, type, data}}});
    }
    return kr8::test::BuildHive(keys).bytes;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 7;
    const std::string path =
        kr8::LittleEndianBytes(kr8::Utf16FromUtf8("%SystemDrive%\\Documents and Settings\\u")) +
        std::string(2, '\0');
    const struct {
        const char* what;
        std::string bytes;
    } hives[] = {
        {"16,000 ProfileList sub-keys", Hive("Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
                                             16000, "ProfileImagePath", 2, path)},
        {" 6,000 Notify sub-keys     ",
         Hive("Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify", 6000, "Version", 4,
              std::string("\x01\0\0\0", 4))},
    };
    const std::string file =
        (std::filesystem::temp_directory_path() / ("kr8-hive-bench-" + std::to_string(getpid())))
            .string();
    std::printf("Median of %d runs, ms: our scan of the hive  |  reglookup dumping it  |  ratio\n",
                runs);
    for (const auto& hive : hives) {
        std::ofstream(file, std::ios::binary) << hive.bytes;
        std::vector<double> ours, theirs;
        std::size_t keys = 0;
        for (int run = 0; run < runs; ++run) {
            const Clock::time_point t0 = Clock::now();
            keys = OurScan(file);
            const Clock::time_point t1 = Clock::now();
            const int status = std::system(("reglookup '" + file + "' >/dev/null").c_str());
            const Clock::time_point t2 = Clock::now();
            if (status != 0) {
                std::fprintf(stderr, "reglookup failed\n");
                return 1;
            }
            ours.push_back(Ms(t1 - t0));
            theirs.push_back(Ms(t2 - t1));
        }
        const double o = Median(ours), t = Median(theirs);
        std::printf("  %s (%zu KB, %zu keys read)  %8.2f  |  %8.2f  |  %5.2f  (goal: at most 3)\n",
                    hive.what, hive.bytes.size() / 1024, keys, o, t, o / t);
    }
    std::filesystem::remove(file);
    return 0;
}
