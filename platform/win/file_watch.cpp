#include "platform/win/file_watch.h"

#include <algorithm>
#include <filesystem>
#include <sys/inotify.h>
#include <unistd.h>

namespace win {
namespace {

// Everything an editor's save can do to a file in a folder.
constexpr uint32_t SAVE_EVENTS =
    IN_CLOSE_WRITE | IN_MODIFY | IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;

} // namespace

FileWatch::FileWatch() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

FileWatch::~FileWatch() {
    if (fd_ >= 0)
        close(fd_);
}

void FileWatch::Watch(const std::vector<std::string>& files) {
    for (int descriptor : descriptors_)
        inotify_rm_watch(fd_, descriptor);
    descriptors_.clear();
    folders_.clear();
    files_.clear();
    for (const std::string& file : files) {
        files_.insert(std::filesystem::path(file).lexically_normal().string());
        const std::string folder = std::filesystem::path(file).parent_path().string();
        if (std::find(folders_.begin(), folders_.end(), folder) != folders_.end())
            continue;
        const int descriptor = fd_ >= 0 ? inotify_add_watch(fd_, folder.c_str(), SAVE_EVENTS) : -1;
        folders_.push_back(folder);
        descriptors_.push_back(descriptor);
    }
    TakeChanged();
}

bool FileWatch::TakeChanged() {
    if (fd_ < 0)
        return false;
    bool changed = false;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t got = read(fd_, buffer, sizeof buffer);
        if (got <= 0)
            return changed;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            const auto found = std::find(descriptors_.begin(), descriptors_.end(), event->wd);
            if (found == descriptors_.end() || event->len == 0)
                continue;
            const std::filesystem::path folder = folders_[size_t(found - descriptors_.begin())];
            changed |= files_.count((folder / event->name).lexically_normal().string()) > 0;
        }
    }
}

} // namespace win
