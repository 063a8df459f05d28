#include "app/FileListBox.h"

#include "scan/NamePattern.h"

namespace kr8 {

void FileListBox::Configure(const std::string& folder, const std::string& pattern) {
    folder_ = folder;
    pattern_ = pattern;
    entries_.clear();
}

void FileListBox::Fill(const std::vector<FolderEntry>& listing) {
    entries_.clear();
    for (const FolderEntry& entry : listing) {
        if (!entry.isFolder && MatchesPattern(entry.name, pattern_)) {
            entries_.push_back(entry);
        }
    }
}

}  // namespace kr8
