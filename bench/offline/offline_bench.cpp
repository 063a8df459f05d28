// The offline program's two costs, each against an outside yardstick in alternating runs so that
// the machine's state cancels out of the ratio: the scan of a system folder of 30,000 files
// against a bare readdir + stat walk of it, and the registry scan of two hives of many sub-keys
// (16,000 profiles; 6,000 Notify sub-keys) against reglookup dumping the same hive; and the scan
// of an NTFS disk image whose system folder holds 30,000 files, read through libtsk, against
// mounting that image afresh with ntfs-3g and running the scan of the mounted folder (needs
// FUSE; said so and left out where it is missing), with the same scan of a FAT32 image. Prints
// figures and judges nothing.
// usage: kr8_offline_bench [files] [runs]
#include <dirent.h>
#include <sys/stat.h>
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
#include "app/offline/OfflineTarget.h"
#include "scan/Findings.h"
#include "scan/ProfileTemps.h"
#include "sys/hive/HiveRegistry.h"
#include "sys/image/DiskImage.h"
#include "sys/image/ImageDrive.h"
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
        const auto sid = reg->GetSubKeyName(hklm, kr8::place::kProfileListKey, i);
        if (!sid) {
            break;
        }
        profiles += reg->ReadRegValue(hklm, kr8::place::kProfileListKey + *sid + "\\",
                                      kr8::place::kProfilePathValue) != kr8::kNotFound;
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

int FolderFigures(int files, int runs) {
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
        const kr8::Findings found = kr8::ScanMachine(target->Registry(), target->Files(), *target);
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

int HiveFigures(int runs) {
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

bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// The scan of the image's Windows folder, as kr8finder-offline --image runs it; the DLLs listed.
std::size_t ImageScan(const std::string& image) {
    std::string why;
    const auto disk = kr8::DiskImage::Open(image, &why);
    auto volume = disk ? disk->OpenVolume(disk->Partitions().front(), &why) : nullptr;
    std::vector<std::string> unreadable;
    const auto folders = volume ? volume->WindowsFolders(&unreadable) : std::nullopt;
    auto target = folders && !folders->empty()
                      ? kr8::OfflineTarget::OpenOn(std::make_unique<kr8::ImageDrive>(volume),
                                                   folders->front(), &why)
                      : nullptr;
    if (!target) {
        return 0;
    }
    return kr8::ScanMachine(target->Registry(), target->Files(), *target).dlls.size();
}

// The scan of the same folder on the image mounted afresh by ntfs-3g; the DLLs listed.
std::size_t MountAndScan(const std::string& image, const std::string& mount) {
    if (!Run("ntfs-3g -o ro '" + image + "' '" + mount + "'")) {
        return 0;
    }
    std::size_t listed = 0;
    {
        std::string why;
        auto target = kr8::OfflineTarget::Open(mount + "/WINDOWS", false, &why);
        if (target) {
            listed = kr8::ScanMachine(target->Registry(), target->Files(), *target).dlls.size();
        }
    }
    Run("umount '" + mount + "'");
    return listed;
}

int ImageFigures(int files, int runs) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kr8-image-XXXXXX").string();
    const std::filesystem::path root = mkdtemp(pattern.data());
    const std::filesystem::path tree = root / "tree", mount = root / "mnt";
    const std::filesystem::path system = tree / "WINDOWS" / "system32";
    std::filesystem::create_directories(system / "config");
    std::filesystem::create_directories(mount);
    kr8::test::WriteMinimalHive((system / "config" / "software").string());
    for (int i = 0; i < files; ++i) {
        const char* ext = i % 3 == 0 ? ".exe" : ".dll";
        std::ofstream(system / ("f" + std::to_string(i) + ext)) << std::string(i % 512, 'x');
    }
    const std::string ntfs = (root / "ntfs.img").string(), fat = (root / "fat32.img").string();
    const std::string m = mount.string();
    const bool fat32 = Run("mkfs.fat -F 32 -C '" + fat + "' 262144") &&
                       Run("mcopy -s -i '" + fat + "' '" + (tree / "WINDOWS").string() + "' ::/");
    const bool ntfsMade = Run("truncate -s 256M '" + ntfs + "'") &&
                          Run("mkntfs -F -Q -q '" + ntfs + "'") &&
                          Run("ntfs-3g '" + ntfs + "' '" + m + "'") &&
                          Run("cp -r '" + (tree / "WINDOWS").string() + "' '" + m + "/'") &&
                          Run("umount '" + m + "'");
    std::printf("Disk images whose system folder holds %d files, %d runs each, median ms:\n", files,
                runs);
    if (!ntfsMade) {
        std::printf("  NTFS: no image (mkntfs, or ntfs-3g through FUSE, is not usable here)\n");
    } else {
        std::vector<double> image, mounted;
        std::size_t a = 0, b = 0;
        for (int run = 0; run < runs; ++run) {
            const Clock::time_point t0 = Clock::now();
            a = ImageScan(ntfs);
            const Clock::time_point t1 = Clock::now();
            b = MountAndScan(ntfs, m);
            const Clock::time_point t2 = Clock::now();
            image.push_back(Ms(t1 - t0));
            mounted.push_back(Ms(t2 - t1));
        }
        const double i = Median(image), mo = Median(mounted);
        std::printf("  NTFS image scan (libtsk)            %8.2f   (%zu DLLs listed)\n", i, a);
        std::printf("  ntfs-3g mount afresh + mounted scan %8.2f   (%zu DLLs listed)\n", mo, b);
        std::printf("  ratio                               %8.2f   (goal: at most 1.00)\n", i / mo);
    }
    if (fat32) {
        std::vector<double> image;
        std::size_t a = 0;
        for (int run = 0; run < runs; ++run) {
            const Clock::time_point t0 = Clock::now();
            a = ImageScan(fat);
            image.push_back(Ms(Clock::now() - t0));
        }
        std::printf("  FAT32 image scan (libtsk)           %8.2f   (%zu DLLs listed)\n",
                    Median(image), a);
    } else {
        std::printf("  FAT32: no image (mkfs.fat or mtools missing)\n");
    }
    std::filesystem::remove_all(root);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 30000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 15;
    if (FolderFigures(files, runs) != 0 || HiveFigures(runs) != 0) {
        return 1;
    }
    return ImageFigures(files, runs);
}
