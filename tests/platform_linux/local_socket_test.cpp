// The instance endpoint: framed replies, answers from other threads, the
// bounds that keep one client from holding up the others, the client's
// time-outs, and (as root, with a second uid) that other users can neither
// talk to it nor stand in for it.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/session/local_socket.h"

namespace {

using platform::session::ListenResult;
using platform::session::LocalServer;
using platform::session::Responder;
using platform::session::SendLocalRequest;
using platform::session::SendRequestTo;
using Clock = std::chrono::steady_clock;

constexpr uid_t kOtherUid = 65534;

class LocalSocketTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Short: a socket path has room for about a hundred bytes.
        static int serial = 0;
        folder = std::filesystem::temp_directory_path() /
                 ("vmsock_" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder / "run");
        chmod((folder / "run").c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", (folder / "run").c_str(), 1);
        name = "test";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    static void Echo(const std::string& request, Responder reply) { reply("echo " + request); }

    // A connection that is made and then says nothing.
    static sockaddr_un AddressOf(const std::string& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
        return address;
    }

    int RawConnect(const std::string& path) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const sockaddr_un address = AddressOf(path);
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
        return fd;
    }

    // A listening socket of our own at `path` that stands in for a program;
    // -1 when it cannot be made.
    static int RawListen(const std::string& path, int backlog) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_un address = AddressOf(path);
        if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
            listen(fd, backlog) != 0) {
            close(fd);
            return -1;
        }
        return fd;
    }

    int64_t MsSince(Clock::time_point start) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    }

    std::filesystem::path folder;
    std::string name;
};

// Runs `body` in a child process as another user; its exit status.
int AsOtherUser(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(kOtherUid) != 0 || setuid(kOtherUid) != 0) {
            _exit(99);
        }
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

}  // namespace

TEST_F(LocalSocketTest, TheOwnerAnswersFramedRepliesAndASecondListenerFindsTheNameTaken) {
    LocalServer first;
    std::string error;
    ASSERT_EQ(first.Listen(name, &error), ListenResult::Listening) << error;
    ASSERT_TRUE(first.Start([](const std::string& request, Responder reply) {
        reply(request == "binary" ? std::string("ok\n\0\x89PNG\n", 9) : "echo " + request);
    }));
    LocalServer second;
    EXPECT_EQ(second.Listen(name), ListenResult::AlreadyTaken);
    EXPECT_EQ(SendLocalRequest(name, "raise", 2000), "echo raise");
    // Newlines inside a request are sent as spaces; a reply keeps every byte.
    EXPECT_EQ(SendLocalRequest(name, "a\nb", 2000), "echo a b");
    EXPECT_EQ(SendLocalRequest(name, "binary", 2000), std::string("ok\n\0\x89PNG\n", 9));

    first.Stop();
    EXPECT_EQ(SendLocalRequest(name, "raise", 500), std::nullopt);
    EXPECT_EQ(second.Listen(name), ListenResult::Listening);
}

TEST_F(LocalSocketTest, WordsWithSpacesTabsAndNewlinesSurviveTheRequestLine) {
    const std::vector<std::string> words = {"ui", "set", "name edit", "text", "a\tb\\c\nd"};
    const std::string line = platform::session::JoinRequestWords(words);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(platform::session::SplitRequestWords(line), words);
    EXPECT_EQ(platform::session::SplitRequestWords("sim  plug keyboard"),
              (std::vector<std::string>{"sim", "plug", "keyboard"}));
}

TEST_F(LocalSocketTest, ARequestAnsweredLaterHoldsUpNoOtherClient) {
    LocalServer server;
    ASSERT_EQ(server.Listen(name), ListenResult::Listening);
    std::vector<Responder> held;
    std::mutex lock;
    ASSERT_TRUE(server.Start([&](const std::string& request, Responder reply) {
        if (request == "slow") {
            std::lock_guard guard(lock);
            held.push_back(reply);
        } else {
            reply("fast");
        }
    }));
    std::optional<std::string> slow;
    std::thread client([&] { slow = SendLocalRequest(name, "slow", 5000); });
    while (true) {
        std::lock_guard guard(lock);
        if (!held.empty()) {
            break;
        }
    }
    const auto start = Clock::now();
    EXPECT_EQ(SendLocalRequest(name, "quick", 2000), "fast");
    EXPECT_LT(MsSince(start), 1000);
    std::thread([reply = held.front()] { reply("late"); }).join();
    client.join();
    EXPECT_EQ(slow, "late");
}

// The program quits from within a request (its close button clicked through
// the endpoint): the reply given just before the stop still reaches the client.
TEST_F(LocalSocketTest, AReplyGivenJustBeforeTheStopIsStillSent) {
    for (int round = 0; round < 20; ++round) {
        LocalServer server;
        ASSERT_EQ(server.Listen(name), ListenResult::Listening);
        std::mutex lock;
        std::optional<Responder> held;
        ASSERT_TRUE(server.Start([&](const std::string&, Responder reply) {
            std::lock_guard guard(lock);
            held = reply;
        }));
        std::optional<std::string> answer;
        std::thread client([&] { answer = SendLocalRequest(name, "click closebtn", 5000); });
        while (true) {
            std::lock_guard guard(lock);
            if (held) {
                break;
            }
        }
        (*held)("ok");
        server.Stop();
        client.join();
        ASSERT_EQ(answer, "ok") << "round " << round;
    }
}

TEST_F(LocalSocketTest, ASilentConnectionAndAFloodLeaveRequestsAnsweredAtOnce) {
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = std::min<rlim_t>(files.rlim_max, 4096);
    setrlimit(RLIMIT_NOFILE, &files);
    LocalServer server;
    ASSERT_EQ(server.Listen(name), ListenResult::Listening);
    ASSERT_TRUE(server.Start(&LocalSocketTest::Echo));

    const int silent = RawConnect(server.Path());
    auto start = Clock::now();
    EXPECT_EQ(SendLocalRequest(name, "after silence", 2000), "echo after silence");
    EXPECT_LT(MsSince(start), 1000);

    std::vector<int> flood;
    for (int i = 0; i < 1000 && files.rlim_cur > 1100; ++i) {
        flood.push_back(RawConnect(server.Path()));
    }
    start = Clock::now();
    EXPECT_EQ(SendLocalRequest(name, "in a flood", 2000), "echo in a flood");
    EXPECT_LT(MsSince(start), 1000);
    for (int fd : flood) {
        close(fd);
    }
    close(silent);
}

TEST_F(LocalSocketTest, OverlongLinesAndTooManyRequestsEndTheConnection) {
    platform::session::ServerLimits limits;
    limits.maxLine = 64;
    limits.maxRequests = 2;
    LocalServer server(limits);
    ASSERT_EQ(server.Listen(name), ListenResult::Listening);
    std::atomic<int> handled{0};
    ASSERT_TRUE(server.Start([&](const std::string& request, Responder reply) {
        ++handled;
        reply(request);
    }));
    EXPECT_EQ(SendLocalRequest(name, std::string(65, 'x'), 1000), std::nullopt);
    EXPECT_EQ(handled, 0);

    // Three requests in one write: two are answered, then the server hangs up.
    const int fd = RawConnect(server.Path());
    ASSERT_GT(fd, 0);
    const std::string three = "a\nb\nc\n";
    ASSERT_EQ(send(fd, three.data(), three.size(), MSG_NOSIGNAL), 6);
    std::string got;
    char buffer[64];
    for (auto until = Clock::now() + std::chrono::seconds(2); Clock::now() < until;) {
        const ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
        if (n == 0) {
            break;
        }
        if (n > 0) {
            got.append(buffer, static_cast<size_t>(n));
        }
    }
    close(fd);
    EXPECT_EQ(got, "1\na1\nb");
    EXPECT_EQ(handled, 2);
}

TEST_F(LocalSocketTest, ConnectingGivesUpWhenTheOwnerTakesNoConnections) {
    // A listener that never accepts: one connection fills its queue.
    const std::string path = (folder / "run" / "stuck.sock").string();
    const int listener = RawListen(path, 0);
    ASSERT_GE(listener, 0);
    std::vector<int> queued;
    for (int i = 0; i < 4; ++i) {
        queued.push_back(RawConnect(path));
    }
    const auto start = Clock::now();
    std::string error;
    EXPECT_EQ(SendRequestTo(path, "raise", 10000, &error), std::nullopt);
    EXPECT_LT(MsSince(start), platform::session::kConnectTimeoutMs + 500) << error;
    for (int fd : queued) {
        close(fd);
    }
    close(listener);
}

TEST_F(LocalSocketTest, AFallbackFolderThatIsNotOursIsRefusedNotUsed) {
    unsetenv("XDG_RUNTIME_DIR");
    setenv("TMPDIR", folder.c_str(), 1);
    const auto own = folder / ("veldmark-" + std::to_string(geteuid()));
    std::filesystem::create_directories(own);
    chmod(own.c_str(), 0777);  // others may enter: a squatter could be inside
    LocalServer server;
    std::string error;
    EXPECT_EQ(server.Listen(name, &error), ListenResult::Failed);
    EXPECT_NE(error.find("other users"), std::string::npos) << error;
    chmod(own.c_str(), 0700);
    EXPECT_EQ(server.Listen(name, &error), ListenResult::Listening) << error;
    unsetenv("TMPDIR");
}

TEST_F(LocalSocketTest, AClientOfAnotherUserIsRefused) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as a second user (uid " << kOtherUid << ")";
    }
    // A folder everyone may enter, so that only the peer check stands in the way.
    const auto open = folder / "open";
    std::filesystem::create_directories(open);
    chmod(open.c_str(), 0777);
    const std::string path = (open / "veldmark-test.sock").string();
    LocalServer server;
    ASSERT_EQ(server.ListenAt(path), ListenResult::Listening);
    chmod(path.c_str(), 0777);
    std::atomic<int> handled{0};
    ASSERT_TRUE(server.Start([&](const std::string&, Responder reply) {
        ++handled;
        reply("unplugged");
    }));
    const int status = AsOtherUser([&] {
        std::string error;
        return SendRequestTo(path, "sim unplug keyboard", 2000, &error) ? 1 : 0;
    });
    EXPECT_EQ(status, 0) << "the other user got an answer";
    EXPECT_EQ(handled, 0);
    EXPECT_EQ(SendRequestTo(path, "raise", 2000), "unplugged");
}

TEST_F(LocalSocketTest, AServerOfAnotherUserIsNotTrusted) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as a second user (uid " << kOtherUid << ")";
    }
    const auto open = folder / "open";
    std::filesystem::create_directories(open);
    chmod(open.c_str(), 0777);
    const std::string path = (open / "veldmark-test.sock").string();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t squatter = fork();
    if (squatter == 0) {
        if (setgid(kOtherUid) != 0 || setuid(kOtherUid) != 0) {
            _exit(99);
        }
        LocalServer fake;
        if (fake.ListenAt(path) != ListenResult::Listening) {
            _exit(98);
        }
        chmod(path.c_str(), 0777);
        fake.Start([](const std::string&, Responder reply) { reply("ok"); });
        [[maybe_unused]] ssize_t n = write(ready[1], "x", 1);
        sleep(5);
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    std::string error;
    EXPECT_EQ(SendRequestTo(path, "raise", 2000, &error), std::nullopt);
    EXPECT_NE(error.find("uid 65534"), std::string::npos) << error;
    kill(squatter, SIGKILL);
    waitpid(squatter, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
}

// What the client says when a request fails tells the user which of three
// things happened: the program hung up, answered something that is no reply,
// or did not answer in time.
TEST_F(LocalSocketTest, AFailedRequestSaysWhetherTheProgramHungUpGarbledOrWasLate) {
    const std::string path = (folder / "run" / "raw.sock").string();
    const int listener = RawListen(path, 4);
    ASSERT_GE(listener, 0);
    struct Case {
        std::string answer;  // written after the request line; "-" leaves the line unanswered
        bool hangUp;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"", true, "closed the connection without answering"},
        {"12x\n", true, "reply was not understood"},
        {"99999999999\n", true, "reply was not understood"},         // above the reply limit
        {"5\nab", true, "closed the connection without answering"},  // cut short
        {"-", false, "no reply from the running program within 300 ms"},
    };
    for (const Case& c : cases) {
        std::thread server([&] {
            const int fd = accept(listener, nullptr, nullptr);
            char byte = 0;
            while (read(fd, &byte, 1) == 1 && byte != '\n') {
            }
            if (c.answer != "-") {
                ASSERT_EQ(write(fd, c.answer.data(), c.answer.size()),
                          static_cast<ssize_t>(c.answer.size()));
            }
            if (!c.hangUp) {
                std::this_thread::sleep_for(std::chrono::milliseconds(600));
            }
            close(fd);
        });
        std::string error;
        EXPECT_EQ(SendRequestTo(path, "raise", 300, &error), std::nullopt);
        EXPECT_NE(error.find(c.expected), std::string::npos)
            << "answer \"" << c.answer << "\": " << error;
        server.join();
    }
    close(listener);
}
