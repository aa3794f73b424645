#include "LeapPrivateDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace Leap {
namespace detail {

std::string privateSocketDir() { return "/tmp/velmo-" + std::to_string(getuid()); }

bool preparePrivateDir(const std::string& dir, std::string& error)
{
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot create " + dir + ": " + std::strerror(errno);
        return false;
    }
    struct stat st{};
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() || (st.st_mode & 077) != 0) {
        error = dir + " is not a private directory of this user (mode 0700, owned by uid " +
                std::to_string(getuid()) + ")";
        return false;
    }
    return true;
}

bool checkSocketPath(const std::string& path, std::string& error)
{
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && path.substr(0, slash) == privateSocketDir() &&
        !preparePrivateDir(path.substr(0, slash), error))
        return false;
    struct stat st{};
    if (lstat(path.c_str(), &st) == 0 && !S_ISSOCK(st.st_mode)) {
        error = path + " is not a socket" + (S_ISLNK(st.st_mode) ? " (a symbolic link)" : "");
        return false;
    }
    return true;
}

} // namespace detail
} // namespace Leap
