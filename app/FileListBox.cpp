#include "app/FileListBox.h"

namespace kr8 {

void FileListBox::Configure(const std::string& folder, const std::string& pattern) {
    folder_ = folder;
    pattern_ = pattern;
    Refresh();
}

void FileListBox::Refresh() {
    names_.clear();
    for (FolderEntry& entry : files_.ListFolder(folder_, pattern_)) {
        if (!entry.isFolder) {
            names_.push_back(std::move(entry.name));
        }
    }
}

}  // namespace kr8
