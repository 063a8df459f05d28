#include "app/FileListBox.h"

namespace kr8 {

void FileListBox::Configure(const std::string& folder, const std::string& pattern) {
    folder_ = folder;
    pattern_ = pattern;
    Refresh();
}

void FileListBox::Refresh() {
    names_.clear();
    for (FolderFile& file : files_.ListFiles(folder_, pattern_)) {
        names_.push_back(std::move(file.name));
    }
}

}  // namespace kr8
