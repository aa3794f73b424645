#pragma once
// The per-user socket folder used when XDG_RUNTIME_DIR is unset, /tmp/velmo-<uid>. Anyone may
// create names in /tmp, so the folder is only trusted when it is a real directory of this user
// that no one else may enter; shared by the controller's client and the simulator's service.

#include <string>

namespace Leap {
namespace detail {

std::string privateSocketDir();

// Creates dir with mode 0700 when missing. false, with a reason, when it is a symlink, not a
// directory, owned by another user, or open to group or others.
bool preparePrivateDir(const std::string& dir, std::string& error);

// Checks the folder of a socket path when it is the private socket folder (other folders are the
// user's choice), and that the path itself, when present, is a socket and not a link to one.
bool checkSocketPath(const std::string& path, std::string& error);

} // namespace detail
} // namespace Leap
