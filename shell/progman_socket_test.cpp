// The console edition's channel to a stand-in shell, against real listeners on local sockets.
#include "shell/progman_socket.h"

#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <functional>
#include <thread>
#include <utility>

#include "tests/support/temp_folder.h"

namespace {

// Generous for a local socket, yet bounds every wait so a fault fails the test instead of hanging it.
const int kGenerousWait = 5000;
// How long a command waits for a listener that never answers, kept short so the test is quick.
const int kShortTimeout = 100;

// A listener on a socket in the test's folder that serves `connections` conversations on its
// own thread, handing each accepted connection to `serve`, which closes it.
class Listener {
 public:
  Listener(const std::string& path, int connections, std::function<void(int)> serve) {
    listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    EXPECT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(listen(listener_, 4), 0);
    thread_ = std::thread([this, connections, serve = std::move(serve)] {
      for (int i = 0; i < connections; ++i) {
        pollfd ready = {listener_, POLLIN, 0};
        if (poll(&ready, 1, kGenerousWait) != 1) return;
        serve(accept(listener_, nullptr, nullptr));
      }
    });
  }
  ~Listener() {
    thread_.join();
    close(listener_);
  }

 private:
  int listener_;
  std::thread thread_;
};

// Reads everything the client sends up to and including the terminating zero.
std::string ReceiveCommand(int connection) {
  std::string received;
  char byte;
  pollfd ready = {connection, POLLIN, 0};
  while (poll(&ready, 1, kGenerousWait) == 1 && recv(connection, &byte, 1, 0) == 1) {
    received.push_back(byte);
    if (byte == '\0') break;
  }
  return received;
}

void Answer(int connection, unsigned char byte) {
  EXPECT_EQ(send(connection, &byte, 1, MSG_NOSIGNAL), 1);
  close(connection);
}

class ProgmanSocketTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    hadRuntime_ = runtime != nullptr;
    if (hadRuntime_) runtime_ = runtime;
  }
  void TearDown() override {
    if (hadRuntime_) {
      setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
    TempFolderTest::TearDown();
  }
  std::string Path() const { return Root() + "/PROGMAN"; }

 private:
  bool hadRuntime_ = false;
  std::string runtime_;
};

TEST_F(ProgmanSocketTest, EachCommandTravelsWithItsTerminatorInAConversationOfItsOwn) {
  const std::string longCommand = "[AddItem(\"C:\\" + std::string(3000, 'd') + "\\tov32.exe\",Tovalin,,,,,\"C:\\x\")]";
  std::vector<std::string> received;
  {
    Listener listener(Path(), 3, [&](int connection) {
      received.push_back(ReceiveCommand(connection));
      Answer(connection, ProgmanAcknowledgement);
    });
    EXPECT_TRUE(SendOverProgmanSocket(Path().c_str(), "[CreateGroup(Tovalin)]", kGenerousWait));
    EXPECT_TRUE(SendOverProgmanSocket(Path().c_str(), "[ShowGroup(Tovalin,5)]", kGenerousWait));
    EXPECT_TRUE(SendOverProgmanSocket(Path().c_str(), longCommand.c_str(), kGenerousWait));
  }
  ASSERT_EQ(received.size(), 3u);
  // The literal's own terminating zero is part of what travels.
  EXPECT_EQ(received[0], std::string("[CreateGroup(Tovalin)]", 23));  // NOLINT(bugprone-string-constructor)
  EXPECT_EQ(received[1], std::string("[ShowGroup(Tovalin,5)]", 23));  // NOLINT(bugprone-string-constructor)
  EXPECT_EQ(received[2], longCommand + '\0');
}

TEST_F(ProgmanSocketTest, NothingListeningMeansNothingAnswers) {
  EXPECT_FALSE(SendOverProgmanSocket(Path().c_str(), "[CreateGroup(Tovalin)]", kGenerousWait));
  // A socket left behind by a stand-in that has gone refuses the connection.
  { Listener gone(Path(), 0, [](int) {}); }
  EXPECT_FALSE(SendOverProgmanSocket(Path().c_str(), "[CreateGroup(Tovalin)]", kGenerousWait));
  // So does a path that is no socket at all, and one too long to be a socket address.
  WriteBytes(Path(), "not a socket");
  EXPECT_FALSE(SendOverProgmanSocket(Path().c_str(), "[CreateGroup(Tovalin)]", kGenerousWait));
  EXPECT_FALSE(SendOverProgmanSocket((Root() + "/" + std::string(200, 'p')).c_str(), "[x]", kGenerousWait));
  EXPECT_FALSE(SendOverProgmanSocket("", "[x]", kGenerousWait));
}

TEST_F(ProgmanSocketTest, OnlyTheAcknowledgementCountsAsDone) {
  int turn = 0;
  Listener listener(Path(), 3, [&turn](int connection) {
    ReceiveCommand(connection);
    switch (turn++) {
      case 0:
        Answer(connection, ProgmanAcknowledgement + 1);  // refused
        break;
      case 1:
        close(connection);  // hung up without a word
        break;
      default: {
        // Silent until the client gives up and closes its end.
        pollfd gone = {connection, POLLIN, 0};
        poll(&gone, 1, kGenerousWait);
        close(connection);
      }
    }
  });
  EXPECT_FALSE(SendOverProgmanSocket(Path().c_str(), "[CreateGroup(Tovalin)]", kGenerousWait));
  EXPECT_FALSE(SendOverProgmanSocket(Path().c_str(), "[CreateGroup(Tovalin)]", kGenerousWait));
  EXPECT_FALSE(SendOverProgmanSocket(Path().c_str(), "[CreateGroup(Tovalin)]", kShortTimeout));
}

TEST_F(ProgmanSocketTest, SocketLivesInTheRuntimeFolderElseTheProfileFolder) {
  char path[ProgmanSocketPathSize];
  setenv("XDG_RUNTIME_DIR", Root().c_str(), 1);
  ASSERT_TRUE(ProgmanSocketPath(path, sizeof path));
  EXPECT_EQ(std::string(path), Root() + "/PROGMAN");

  setenv("XDG_RUNTIME_DIR", "relative/run", 1);
  ASSERT_TRUE(ProgmanSocketPath(path, sizeof path));
  EXPECT_EQ(std::string(path), Root() + "/config/PROGMAN");

  unsetenv("XDG_RUNTIME_DIR");
  unsetenv("XDG_CONFIG_HOME");
  ASSERT_TRUE(ProgmanSocketPath(path, sizeof path));
  EXPECT_EQ(std::string(path), Root() + "/home/.config/PROGMAN");

  setenv("XDG_RUNTIME_DIR", ("/" + std::string(ProgmanSocketPathSize, 'r')).c_str(), 1);
  EXPECT_FALSE(ProgmanSocketPath(path, sizeof path));
  EXPECT_STREQ(path, "");
}

}  // namespace
