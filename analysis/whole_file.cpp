#include "analysis/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string SystemError() {
    return std::strerror(errno);
}

std::string WriteAll(int fd, std::string_view bytes) {
    const char* data = bytes.data();
    for (size_t left = bytes.size(); left > 0;) {
        const ssize_t written = write(fd, data, left);
        if (written < 0 && errno != EINTR)
            return SystemError();
        if (written > 0) {
            data += written;
            left -= static_cast<size_t>(written);
        }
    }
    return {};
}

} // namespace

std::string WriteWhole(const std::string& path, std::string_view bytes) {
    struct stat status {};
    const bool exists = stat(path.c_str(), &status) == 0;
    const bool inPlace = exists && !S_ISREG(status.st_mode);
    std::error_code error;
    const std::filesystem::path target =
        exists && !inPlace ? std::filesystem::canonical(path, error) : std::filesystem::path(path);
    const std::string written =
        inPlace ? path : target.string() + ".part-" + std::to_string(getpid());
    const int fd = inPlace ? open(written.c_str(), O_WRONLY | O_CLOEXEC)
                           : open(written.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return SystemError();
    std::string problem = WriteAll(fd, bytes);
    if (problem.empty() && !inPlace && fsync(fd) != 0)
        problem = SystemError();
    if (close(fd) != 0 && problem.empty())
        problem = SystemError();
    if (problem.empty() && !inPlace && std::rename(written.c_str(), target.c_str()) != 0)
        problem = SystemError();
    if (!problem.empty() && !inPlace)
        unlink(written.c_str());
    return problem;
}
