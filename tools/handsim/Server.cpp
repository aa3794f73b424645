#include "Server.h"

#include <cerrno>
#include <sys/socket.h>

namespace handsim {

bool Server::sendPending(int fd, std::string& out)
{
    while (!out.empty()) {
        const ssize_t n = send(fd, out.data(), out.size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return out.size() <= MAX_BACKLOG_BYTES;
            return false;
        }
        out.erase(0, static_cast<size_t>(n));
    }
    return true;
}

} // namespace handsim
