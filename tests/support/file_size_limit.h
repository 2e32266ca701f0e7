// A full disk for tests: a file-size limit on the process.
#pragma once
#include <signal.h>
#include <sys/resource.h>

/// Runs `body` with a file-size limit of `bytes`: writes past it come up short (SIGXFSZ ignored),
/// as on a disk that fills up there. The limit and the signal's handling are restored after.
template <typename Body>
void WithFileSizeLimit(rlim_t bytes, Body body) {
  struct sigaction ignore = {}, previousAction;
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previousAction);
  rlimit previousLimit;
  getrlimit(RLIMIT_FSIZE, &previousLimit);
  rlimit limit = {bytes, previousLimit.rlim_max};
  setrlimit(RLIMIT_FSIZE, &limit);
  body();
  setrlimit(RLIMIT_FSIZE, &previousLimit);
  sigaction(SIGXFSZ, &previousAction, nullptr);
}
