#pragma once
// Tells when any of a set of files changes. The folders holding them are watched rather than
// the files, so a save that writes a new file and renames it over the old one is seen like
// one that writes in place, and a file that is missing now is seen when it appears.

#include <set>
#include <string>
#include <vector>

namespace win {

class FileWatch {
public:
    FileWatch();
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // Replaces the watched set with these files (absolute paths); forgets changes seen so far.
    void Watch(const std::vector<std::string>& files);
    // True when a watched file was written, created, renamed or removed since the last call.
    // Never blocks.
    bool TakeChanged();

private:
    int fd_;
    std::set<std::string> files_;
    std::vector<std::string> folders_; // by watch descriptor order of adding
    std::vector<int> descriptors_;
};

} // namespace win
