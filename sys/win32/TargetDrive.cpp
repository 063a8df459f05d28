#include "sys/win32/TargetDrive.h"

#include <windows.h>

#include "sys/AsciiCase.h"
#include "sys/win32/Wide.h"

namespace kr8 {

namespace {

bool MeansAbsent(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

bool TargetDrive::Reachable(const std::string& path, HeldSteps& held) const {
    held.clear();
    if (root_.empty() || !StartsWithIgnoringAsciiCase(path, root_)) {
        return true;
    }
    const std::wstring wide = Wide(path);
    if (NeedsResolving(wide) || wide.find(L'\0') != std::wstring::npos) {
        return false;
    }
    const std::size_t rootLength = Wide(root_).size();
    for (std::size_t end = rootLength; end < wide.size();) {
        std::size_t next = wide.find(L'\\', end);
        const bool last = next == std::wstring::npos;
        next = last ? wide.size() : next;
        if (next == end) {  // a doubled backslash
            ++end;
            continue;
        }
        const std::wstring step = LongPath(wide.substr(0, next));
        // The step itself, never what it points at; the last one is only looked at, since the
        // caller may be about to delete or replace it.
        // A folder is opened for listing too: a handle that may only read attributes holds
        // nothing against a rename.
        UniqueHandle opened(::CreateFileW(
            step.c_str(), FILE_READ_ATTRIBUTES | (last ? 0 : FILE_LIST_DIRECTORY),
            FILE_SHARE_READ | FILE_SHARE_WRITE | (last ? FILE_SHARE_DELETE : 0), nullptr,
            OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!opened) {
            return MeansAbsent(::GetLastError());
        }
        // The handle's attributes are the system's answer; Wine reports a link only in the
        // name's, so both are asked.
        BY_HANDLE_FILE_INFORMATION information;
        const DWORD byName = ::GetFileAttributesW(step.c_str());
        if (!::GetFileInformationByHandle(opened.get(), &information) ||
            ((information.dwFileAttributes | byName) & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
            byName == INVALID_FILE_ATTRIBUTES) {
            return false;
        }
        if (!last) {
            held.push_back(std::move(opened));
        }
        end = next + 1;
    }
    return true;
}

}  // namespace kr8
