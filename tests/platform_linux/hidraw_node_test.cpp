#include "platform/hid/linux/hidraw_node.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "platform/hid/linux/hidraw_handle.h"
#include "platform/hid/linux/linux_hid_backend.h"
#include "platform/trace/trace.h"
#include "tests/platform_linux/test_descriptors.h"

using namespace platform::hid;
using namespace platform::hid::linux_hid;
using namespace std::chrono_literals;

// A socket pair stands in for the hidraw node: like the kernel's node it hands
// over one whole report per read, and closing the far end looks like an unplug.
class HidrawNodeTest : public ::testing::Test {
  protected:
    void Start(const std::vector<uint8_t>& descriptorBytes) {
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK, 0, fds), 0);
        m_device = fds[1];
        descriptor = descriptorBytes;
        const auto parsed = ReportDescriptor::Parse(descriptor);
        ASSERT_TRUE(parsed.has_value());
        node = std::make_shared<HidrawNode>(fds[0], MakeRouting(*parsed));
    }
    void TearDown() override {
        if (m_device >= 0) {
            ::close(m_device);
        }
    }

    std::unique_ptr<HidrawHandle> Handle(int collection, int writeFd = -1) {
        HidrawHandleSetup setup;
        setup.fd = writeFd;
        setup.node = node;
        setup.collectionIndex = collection;
        setup.descriptor = descriptor;
        setup.devnode = "/dev/hidraw-test";
        return std::make_unique<HidrawHandle>(std::move(setup));
    }
    void DeviceSends(const std::vector<uint8_t>& report) {
        ASSERT_EQ(::send(m_device, report.data(), report.size(), 0),
                  static_cast<ssize_t>(report.size()));
    }
    void Unplug() {
        ::close(m_device);
        m_device = -1;
    }
    static std::vector<uint8_t> ReadOne(HidHandle& handle, int timeoutMs, IoStatus& status) {
        std::vector<uint8_t> buffer(80);
        size_t got = 0;
        status = handle.Read(buffer.data(), buffer.size(), timeoutMs, got);
        buffer.resize(got);
        return buffer;
    }

    std::vector<uint8_t> descriptor;
    std::shared_ptr<HidrawNode> node;

  private:
    int m_device = -1;
};

TEST_F(HidrawNodeTest, RoutesEachReportToTheCollectionOwningItsId) {
    Start(ConsumerAndVendorDescriptor());
    auto events = Handle(0);
    auto commands = Handle(1);
    std::vector<uint8_t> reply(64, 0xAB);
    reply[0] = 0x04;
    DeviceSends({0x03, 0x05, 0x05});
    DeviceSends(reply);
    DeviceSends({0x09, 0x01});  // an ID nobody declares is dropped
    DeviceSends({0x03, 0x01, 0x04});

    IoStatus status;
    EXPECT_EQ(ReadOne(*commands, 1000, status), reply);
    EXPECT_EQ(status, IoStatus::Ok);
    EXPECT_EQ(ReadOne(*events, 1000, status), (std::vector<uint8_t>{0x03, 0x05, 0x05}));
    EXPECT_EQ(ReadOne(*events, 1000, status), (std::vector<uint8_t>{0x03, 0x01, 0x04}));
    ReadOne(*events, 50, status);
    EXPECT_EQ(status, IoStatus::Timeout);
    ReadOne(*commands, 50, status);
    EXPECT_EQ(status, IoStatus::Timeout);
}

TEST_F(HidrawNodeTest, EveryHandleOfACollectionGetsItsOwnCopy) {
    Start(ConsumerAndVendorDescriptor());
    auto first = Handle(0);
    auto second = Handle(0);
    DeviceSends({0x03, 0x01, 0x04});
    IoStatus a, b;
    EXPECT_EQ(ReadOne(*first, 1000, a), ReadOne(*second, 1000, b));
    EXPECT_EQ(a, IoStatus::Ok);
    EXPECT_EQ(b, IoStatus::Ok);
}

TEST_F(HidrawNodeTest, ReportsWithoutIdsGetALeadingZero) {
    Start(UnnumberedDescriptor());
    auto handle = Handle(0);
    DeviceSends({1, 2, 3, 4, 5, 6, 7, 8});
    IoStatus status;
    EXPECT_EQ(ReadOne(*handle, 1000, status), (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(HidrawNodeTest, ShortBufferTakesTheStartOfTheReportAndCountsTheCut) {
    Start(ConsumerAndVendorDescriptor());
    auto handle = Handle(0);
    std::vector<std::string> lines;
    platform::trace::SetSink([&](std::string_view line) { lines.emplace_back(line); });
    DeviceSends({0x03, 0x05, 0x05});
    DeviceSends({0x03, 0x06});
    uint8_t two[2] = {};
    size_t got = 0;
    EXPECT_EQ(handle->Read(two, sizeof two, 1000, got), IoStatus::Ok);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(two[1], 0x05);
    EXPECT_EQ(handle->Read(two, sizeof two, 1000, got), IoStatus::Ok);
    platform::trace::SetSink({});
    EXPECT_EQ(handle->TruncatedReports(), 1u) << "a report that fits is not counted";
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "read /dev/hidraw-test: report of 3 bytes cut to 2 (1 so far)");
}

// A write the kernel takes only in part (here a file at its size limit) is
// a failed write of that many bytes, not a sent report.
TEST_F(HidrawNodeTest, PartialWriteFailsWithTheCountWritten) {
    Start(ConsumerAndVendorDescriptor());
    char name[] = "/tmp/veldmark-hidraw-XXXXXX";
    const int fd = ::mkstemp(name);
    ASSERT_GE(fd, 0);
    ::unlink(name);
    ASSERT_EQ(::write(fd, std::vector<uint8_t>(100).data(), 100), 100);
    auto handle = Handle(1, fd);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old;
    limit.rlim_cur = 120;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::vector<uint8_t> report(64, 0x04);
    size_t written = 0;
    const IoStatus status = handle->Write(report.data(), report.size(), 1000, written);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(status, IoStatus::Failed);
    EXPECT_EQ(written, 20u);
    EXPECT_EQ(handle->LastError().code, EIO);
    EXPECT_EQ(handle->LastError().context, "write /dev/hidraw-test: 20 of 64 bytes written");
}

TEST_F(HidrawNodeTest, CancelIsRememberedOnceLikeAnAutoResetEvent) {
    Start(ConsumerAndVendorDescriptor());
    auto handle = Handle(0);
    handle->Cancel();
    handle->Cancel();
    IoStatus status;
    ReadOne(*handle, 1000, status);
    EXPECT_EQ(status, IoStatus::Cancelled);
    ReadOne(*handle, 20, status);
    EXPECT_EQ(status, IoStatus::Timeout);
}

TEST_F(HidrawNodeTest, CancelFromAnotherThreadWakesABlockedRead) {
    Start(ConsumerAndVendorDescriptor());
    auto handle = Handle(0);
    std::thread canceller([&] {
        std::this_thread::sleep_for(50ms);
        handle->Cancel();
    });
    IoStatus status;
    const auto start = std::chrono::steady_clock::now();
    ReadOne(*handle, -1, status);
    canceller.join();
    EXPECT_EQ(status, IoStatus::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST_F(HidrawNodeTest, UnplugFailsPendingAndLaterReadsOfEveryHandle) {
    Start(ConsumerAndVendorDescriptor());
    auto events = Handle(0);
    auto commands = Handle(1);
    IoStatus blocked = IoStatus::Ok;
    std::thread reader([&] { ReadOne(*events, -1, blocked); });
    std::this_thread::sleep_for(50ms);
    Unplug();
    reader.join();
    EXPECT_EQ(blocked, IoStatus::Failed);
    IoStatus later;
    ReadOne(*commands, 1000, later);
    EXPECT_EQ(later, IoStatus::Failed);
    EXPECT_NE(commands->LastError().code, 0);
    EXPECT_TRUE(node->IsDead());
    // A handle that joins a dead node fails at once instead of waiting.
    auto late = Handle(1);
    ReadOne(*late, -1, later);
    EXPECT_EQ(later, IoStatus::Failed);
}

TEST_F(HidrawNodeTest, QueueKeepsTheNewestReportsWhenNobodyReads) {
    Start(ConsumerAndVendorDescriptor());
    // Subscribed first, so each report reaches it before the reader sees it.
    auto idle = Handle(0);
    auto reader = Handle(0);
    node->EnsureReading();
    const int total = static_cast<int>(ReportQueue::kCapacity) + 6;
    IoStatus status;
    for (int i = 0; i < total; ++i) {
        DeviceSends({0x03, static_cast<uint8_t>(i), 0x05});
        // Keep the other handle drained so that delivery is known to have happened.
        EXPECT_EQ(ReadOne(*reader, 1000, status)[1], i);
    }
    EXPECT_EQ(ReadOne(*idle, 1000, status)[1], 6);
}

TEST_F(HidrawNodeTest, WriteHandsTheReportOverUnchanged) {
    Start(ConsumerAndVendorDescriptor());
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair), 0);
    auto handle = Handle(1, pair[0]);
    std::vector<uint8_t> request(64, 0);
    request[0] = 0x04;
    request[3] = 0x03;
    size_t written = 0;
    EXPECT_EQ(handle->Write(request.data(), request.size(), 1000, written), IoStatus::Ok);
    EXPECT_EQ(written, 64u);
    std::vector<uint8_t> received(100);
    EXPECT_EQ(::recv(pair[1], received.data(), received.size(), 0), 64);
    received.resize(64);
    EXPECT_EQ(received, request);

    handle->Cancel();
    EXPECT_EQ(handle->Write(request.data(), request.size(), 1000, written), IoStatus::Cancelled);
    EXPECT_EQ(written, 0u);
    ::close(pair[1]);
}

TEST_F(HidrawNodeTest, HandleWithoutReadAccessCannotRead) {
    Start(ConsumerAndVendorDescriptor());
    HidrawHandleSetup setup;
    setup.devnode = "/dev/hidraw-test";
    HidrawHandle handle(std::move(setup));
    IoStatus status;
    ReadOne(handle, 10, status);
    EXPECT_EQ(status, IoStatus::Failed);
    size_t written = 0;
    const uint8_t report[2] = {4, 0};
    EXPECT_EQ(handle.Write(report, 2, 10, written), IoStatus::Failed);
}
