// The local stand-in for the service connection: a Unix-domain stream socket
// named after the service in the user's runtime folder, carrying
// length-prefixed frames (4-byte big-endian length, then the bytes). A request
// is two frames (method name, request string); the reply is one frame.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/unique_fd.h"

namespace platform::ipc {

// $XDG_RUNTIME_DIR when it is an absolute path to a real folder owned by this
// user and closed to others; otherwise /tmp/vn420p-<uid>, created with bits
// 0700 and accepted on the same terms. "" when neither is usable.
std::string RuntimeDirectory();
// /tmp/vn420p-<uid>, created with bits 0700 and accepted only when it is a
// real folder owned by this user and closed to others; "" otherwise. The
// same for every runtime folder.
std::string PrivateFolder();
// Whether `dir` is a real folder (no link) owned by this user and closed to
// others: nothing another user made or can enter.
bool IsPrivateFolder(const std::string& dir);
// RuntimeDirectory() + "/" + service_name, or in PrivateFolder() when that
// path is too long for a socket address; "" when there is no runtime folder.
std::string SocketPath(std::string_view service_name);

// A connected or listening socket: one owned descriptor.
using Socket = UniqueFd;

// Connects to the socket at `path`. On failure answers an invalid socket and
// leaves errno set (ENOENT or ECONNREFUSED when nothing listens there).
Socket Connect(const std::string& path);

// Binds and listens at `path`, first removing a socket file that nobody
// listens on any more. Invalid socket (errno set) on failure, also when
// another process already listens there. The socket is made 0600.
Socket Listen(const std::string& path);

// The first socket handed over by systemd socket activation (LISTEN_PID is
// this process, LISTEN_FDS >= 1), else -1. Clears the variables.
int ActivatedSocket();

// The peer's user and process id (SO_PEERCRED); false when unknown.
bool PeerCredentials(int fd, uid_t* uid, pid_t* pid);

enum class FrameStatus { kOk, kClosed, kTooLarge, kError };

// Reads one frame into *out. kClosed when the peer closed before the frame
// began (or in its middle), kTooLarge when its announced length exceeds
// max_bytes (nothing of it is read), kError on a read error or time-out.
// Memory grows with the bytes received, not with the announced length.
FrameStatus ReadFrame(int fd, std::string* out, size_t max_bytes);
// The same, and kError (errno ETIMEDOUT) once `deadline` has passed, however
// the bytes trickle in.
FrameStatus ReadFrameBy(int fd, std::string* out, size_t max_bytes, std::chrono::steady_clock::time_point deadline);
// Writes one frame; false on failure. Never raises SIGPIPE.
bool WriteFrame(int fd, std::string_view payload);

// Send and receive time-outs for fd (0: none).
bool SetTimeouts(int fd, int seconds);

}  // namespace platform::ipc
