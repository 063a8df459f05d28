// File1: the form's hidden list of the system folder's "*.dll" files, filled from each Find's
// findings, with each file's length as the folder listing gave it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "sys/FileSystem.h"

namespace kr8 {

class FileListBox {
  public:
    // Points the list at folder and pattern; the list is read by Fill.
    void Configure(const std::string& folder, const std::string& pattern);
    // Takes the files of a listing of the whole folder that match the pattern, one entry for
    // each file, in the listing's order.
    void Fill(const std::vector<FolderEntry>& listing);

    const std::string& Path() const { return folder_; }
    const std::string& Pattern() const { return pattern_; }
    std::size_t ListCount() const { return entries_.size(); }
    const FolderEntry& List(std::size_t index) const { return entries_.at(index); }

  private:
    std::string folder_;
    std::string pattern_;
    std::vector<FolderEntry> entries_;
};

}  // namespace kr8
