// A stand-in for Program Manager on POSIX: listens on the "PROGMAN" socket, prints each
// command it receives on a line of its own and acknowledges it. A host tool, not installer code.
//
//   progman_standin [--count N] [SOCKET-PATH]
//
// Without a path it listens where the console installer looks (see ProgmanSocketPath). With
// --count it exits after N commands; otherwise it runs until interrupted. It prints "ready" on
// standard error once it listens, so scripts can wait for it.
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>

#include "shell/progman_socket.h"

namespace {

char socketPath[ProgmanSocketPathSize];

void RemoveSocketAndExit(int) {
  unlink(socketPath);
  _exit(0);
}

// Reads one zero-terminated command (or what arrives before the peer stops sending).
std::string ReadCommand(int connection) {
  std::string command;
  char block[4096];
  for (;;) {
    ssize_t received = recv(connection, block, sizeof block, 0);
    if (received <= 0) return command;
    const char* end = static_cast<const char*>(memchr(block, '\0', static_cast<size_t>(received)));
    if (end != nullptr) return command.append(block, static_cast<size_t>(end - block));
    command.append(block, static_cast<size_t>(received));
  }
}

}  // namespace

int main(int argc, char** argv) {
  long count = -1;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--count") == 0 && i + 1 < argc) {
      count = strtol(argv[++i], nullptr, 10);
    } else if (argv[i][0] != '-' && path == nullptr) {
      path = argv[i];
    } else {
      fprintf(stderr, "usage: %s [--count N] [SOCKET-PATH]\n", argv[0]);
      return 2;
    }
  }
  if (path != nullptr) {
    if (strlen(path) >= sizeof socketPath) {
      fprintf(stderr, "socket path too long: %s\n", path);
      return 1;
    }
    strcpy(socketPath, path);
  } else if (!ProgmanSocketPath(socketPath, sizeof socketPath)) {
    fprintf(stderr, "no folder for the PROGMAN socket (set XDG_RUNTIME_DIR)\n");
    return 1;
  }

  // A socket left by an earlier stand-in that was killed would make bind fail.
  struct stat status;
  if (lstat(socketPath, &status) == 0 && S_ISSOCK(status.st_mode)) unlink(socketPath);

  int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address;
  memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  strcpy(address.sun_path, socketPath);
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 16) != 0) {
    perror(socketPath);
    return 1;
  }
  signal(SIGINT, RemoveSocketAndExit);
  signal(SIGTERM, RemoveSocketAndExit);
  signal(SIGPIPE, SIG_IGN);
  setvbuf(stdout, nullptr, _IOLBF, 0);
  fprintf(stderr, "ready %s\n", socketPath);

  for (long served = 0; count < 0 || served < count;) {
    int connection = accept(listener, nullptr, nullptr);
    if (connection < 0) continue;
    ++served;
    std::string command = ReadCommand(connection);
    printf("%s\n", command.c_str());
    const unsigned char acknowledgement = ProgmanAcknowledgement;
    if (send(connection, &acknowledgement, 1, MSG_NOSIGNAL) != 1) perror("acknowledge");
    close(connection);
  }
  close(listener);
  unlink(socketPath);
  return 0;
}
