// File1: the hidden list of the system folder's "*.dll" files that the size pass walks.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "sys/FileSystem.h"

namespace kr8 {

class FileListBox {
  public:
    explicit FileListBox(FileSystem& files) : files_(files) {}

    // Points the list at folder and pattern and reads the folder.
    void Configure(const std::string& folder, const std::string& pattern);
    // Reads the folder again, so that the list holds the files that are there now.
    void Refresh();

    const std::string& Path() const { return folder_; }
    const std::string& Pattern() const { return pattern_; }
    std::size_t ListCount() const { return names_.size(); }
    const std::string& List(std::size_t index) const { return names_.at(index); }

  private:
    FileSystem& files_;
    std::string folder_;
    std::string pattern_;
    std::vector<std::string> names_;
};

}  // namespace kr8
