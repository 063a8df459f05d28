// The offline scan of a system folder of 30,000 files, against a bare readdir + stat walk of the
// same folder, in alternating runs so that the machine's state cancels out of the ratio. Prints
// figures and judges nothing.
// usage: kr8_offline_bench [files] [runs]
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/offline/OfflineTarget.h"
#include "scan/Findings.h"
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

std::size_t BareWalk(const std::string& folder) {
    std::size_t adwareSized = 0;
    DIR* dir = opendir(folder.c_str());
    while (const dirent* e = readdir(dir)) {
        struct stat st;
        if (fstatat(dirfd(dir), e->d_name, &st, 0) == 0 && st.st_size == 320872) {
            ++adwareSized;
        }
    }
    closedir(dir);
    return adwareSized;
}

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 30000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 15;
    std::string pattern = (std::filesystem::temp_directory_path() / "kr8-bench-XXXXXX").string();
    const std::filesystem::path root = mkdtemp(pattern.data());
    const std::filesystem::path system = root / "WINDOWS" / "system32";
    std::filesystem::create_directories(system / "config");
    std::filesystem::create_directories(root / "WINDOWS" / "Temp");
    kr8::test::WriteMinimalHive((system / "config" / "software").string());
    for (int i = 0; i < files; ++i) {
        const char* ext = i % 3 == 0 ? ".exe" : ".dll";
        std::ofstream(system / ("f" + std::to_string(i) + ext)) << std::string(i % 512, 'x');
    }
    std::printf("System folder of %d files (two thirds DLLs), %d runs each, median ms:\n", files,
                runs);
    std::vector<double> bare, scan;
    std::size_t listed = 0;
    for (int run = 0; run < runs; ++run) {
        const Clock::time_point t0 = Clock::now();
        BareWalk(system.string());
        const Clock::time_point t1 = Clock::now();
        std::string why;
        auto target = kr8::OfflineTarget::Open((root / "WINDOWS").string(), false, &why);
        if (!target) {
            std::fprintf(stderr, "%s\n", why.c_str());
            return 1;
        }
        const kr8::Findings found = kr8::ScanMachine(target->Registry(), target->Drive(), *target);
        listed = found.dlls.size();
        const Clock::time_point t2 = Clock::now();
        bare.push_back(Ms(t1 - t0));
        scan.push_back(Ms(t2 - t1));
    }
    const double b = Median(bare), s = Median(scan);
    std::printf("  bare readdir + stat walk   %8.2f\n", b);
    std::printf("  kr8finder-offline scan     %8.2f   (%zu DLLs listed)\n", s, listed);
    std::printf("  ratio                      %8.2f   (goal: at most 1.30)\n", s / b);
    std::filesystem::remove_all(root);
    return 0;
}
