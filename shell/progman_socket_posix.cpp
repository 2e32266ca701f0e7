// The local socket that carries shell commands to a stand-in for Program Manager on POSIX.
// Only POSIX calls belong here.
#include "shell/progman_socket.h"

#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include "platform/user_folders_posix.h"

static_assert(ProgmanSocketPathSize == sizeof(sockaddr_un{}.sun_path), "socket path room");

namespace {

int64_t NowMilliseconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Bounds the next blocking connect, send or receive on `channel` by what is left before
// `deadline`. Returns false when no time is left.
bool LimitTo(int channel, int64_t deadline) {
  int64_t left = deadline - NowMilliseconds();
  if (left <= 0) return false;
  timeval limit = {static_cast<time_t>(left / 1000), static_cast<suseconds_t>((left % 1000) * 1000)};
  return setsockopt(channel, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit) == 0 &&
         setsockopt(channel, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) == 0;
}

bool Connect(int channel, const sockaddr_un& address, int64_t deadline) {
  // A blocking connect to a local socket waits (within the send limit) while the listener's
  // queue is full, instead of failing at once as a non-blocking one would.
  while (LimitTo(channel, deadline)) {
    if (connect(channel, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return true;
    if (errno != EINTR) return false;
  }
  return false;
}

bool SendAll(int channel, const char* data, size_t count, int64_t deadline) {
  while (count > 0) {
    if (!LimitTo(channel, deadline)) return false;
    // MSG_NOSIGNAL: a listener that hangs up early must not end the installer with SIGPIPE.
    ssize_t sent = send(channel, data, count, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    data += sent;
    count -= static_cast<size_t>(sent);
  }
  return true;
}

bool ReceiveAcknowledgement(int channel, int64_t deadline) {
  while (LimitTo(channel, deadline)) {
    unsigned char answer = 0;
    ssize_t received = recv(channel, &answer, 1, 0);
    if (received < 0 && errno == EINTR) continue;
    return received == 1 && answer == ProgmanAcknowledgement;
  }
  return false;
}

}  // namespace

bool ProgmanSocketPath(char* buffer, size_t size) {
  char folder[ProgmanSocketPathSize];
  const bool found = RuntimeFolder(folder, sizeof folder);
  const int length = found ? snprintf(buffer, size, "%s/PROGMAN", folder) : -1;
  if (length < 0 || static_cast<size_t>(length) >= size) {
    if (size > 0) buffer[0] = '\0';
    return false;
  }
  return true;
}

bool SendOverProgmanSocket(const char* socketPath, const char* command, int timeoutMilliseconds) {
  sockaddr_un address;
  memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  size_t pathLength = strlen(socketPath);
  if (pathLength == 0 || pathLength >= sizeof address.sun_path) return false;
  memcpy(address.sun_path, socketPath, pathLength + 1);

  const int64_t deadline = NowMilliseconds() + timeoutMilliseconds;
  int channel = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (channel < 0) return false;
  bool acknowledged = Connect(channel, address, deadline) &&
                      SendAll(channel, command, strlen(command) + 1, deadline) &&
                      ReceiveAcknowledgement(channel, deadline);
  close(channel);
  return acknowledged;
}
