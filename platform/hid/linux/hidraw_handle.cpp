#include "platform/hid/linux/hidraw_handle.h"

#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/trace/trace.h"

namespace platform::hid::linux_hid {

HidrawHandle::HidrawHandle(HidrawHandleSetup setup)
    : m_setup(std::move(setup)), m_cancel(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (m_setup.node) {
        m_queue = m_setup.node->Subscribe(m_setup.collectionIndex);
    }
}

HidrawHandle::~HidrawHandle() {
    if (m_queue) {
        m_setup.node->Unsubscribe(m_queue);
    }
    if (m_setup.fd >= 0) {
        ::close(m_setup.fd);
    }
    ::close(m_cancel);
}

IoStatus HidrawHandle::Read(uint8_t* buffer, size_t length, int timeoutMs, size_t& got) {
    got = 0;
    if (!m_queue) {
        SetError(EBADF, "read " + m_setup.devnode + ": not opened for reading");
        return IoStatus::Failed;
    }
    m_setup.node->EnsureReading();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<uint8_t> report;
    while (!m_queue->Pop(report)) {
        if (const int failed = m_queue->FailedWith()) {
            SetError(failed, "read " + m_setup.devnode + ": " + std::strerror(failed));
            return IoStatus::Failed;
        }
        int left = timeoutMs;
        if (timeoutMs >= 0) {
            const auto now = std::chrono::steady_clock::now();
            left = now >= deadline
                       ? 0
                       : static_cast<int>(
                             std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count());
        }
        const IoStatus waited = Wait(m_queue->ReadyFd(), POLLIN, left);
        if (waited != IoStatus::Ok) {
            return waited;
        }
    }
    got = std::min(length, report.size());
    std::copy_n(report.begin(), got, buffer);
    if (report.size() > length) {
        // The caller's buffer decides; the rest is lost, but not silently.
        const uint64_t count = m_truncated.fetch_add(1) + 1;
        platform::trace::Format("read %s: report of %zu bytes cut to %zu (%llu so far)",
                                m_setup.devnode.c_str(), report.size(), length,
                                static_cast<unsigned long long>(count));
    }
    return IoStatus::Ok;
}

IoStatus HidrawHandle::Write(const uint8_t* buffer, size_t length, int timeoutMs, size_t& written) {
    written = 0;
    if (m_setup.fd < 0) {
        SetError(EBADF, "write " + m_setup.devnode + ": not opened for writing");
        return IoStatus::Failed;
    }
    const IoStatus waited = Wait(m_setup.fd, POLLOUT, timeoutMs);
    if (waited != IoStatus::Ok) {
        return waited;
    }
    // The kernel sends one report per write and returns when it has been
    // handed to the device.
    ssize_t n = 0;
    do {
        n = ::write(m_setup.fd, buffer, length);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        SetError(errno, "write " + m_setup.devnode + ": " + std::strerror(errno));
        return IoStatus::Failed;
    }
    written = static_cast<size_t>(n);
    if (written != length) {
        // Half a report is no report: the device would take it as another.
        SetError(EIO, "write " + m_setup.devnode + ": " + std::to_string(written) + " of " +
                          std::to_string(length) + " bytes written");
        return IoStatus::Failed;
    }
    return IoStatus::Ok;
}

bool HidrawHandle::SetOutputReport(const uint8_t* buffer, size_t length) {
    if (m_setup.fd < 0) {
        SetError(EBADF, "output report " + m_setup.devnode + ": not opened for writing");
        return false;
    }
#ifdef HIDIOCSOUTPUT
    // The control pipe, as the device expects for its output reports; kernels
    // before 5.11 do not know the request and take the report as a write.
    std::vector<uint8_t> report(buffer, buffer + length);
    int sent = -1;
    do {
        sent = ::ioctl(m_setup.fd, HIDIOCSOUTPUT(report.size()), report.data());
    } while (sent < 0 && errno == EINTR);
    if (sent >= 0) {
        return true;
    }
    if (errno != ENOTTY && errno != EINVAL) {
        SetError(errno, "output report " + m_setup.devnode + ": " + std::strerror(errno));
        return false;
    }
#endif
    ssize_t n = 0;
    do {
        n = ::write(m_setup.fd, buffer, length);
    } while (n < 0 && errno == EINTR);
    if (n != static_cast<ssize_t>(length)) {
        SetError(n < 0 ? errno : EIO,
                 "output report " + m_setup.devnode + ": " + std::strerror(n < 0 ? errno : EIO));
        return false;
    }
    return true;
}

void HidrawHandle::Cancel() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_cancel, &one, sizeof one);
}

Error HidrawHandle::LastError() const {
    std::lock_guard<std::mutex> guard(m_errorLock);
    return m_error;
}

IoStatus HidrawHandle::Wait(int fd, short events, int timeoutMs) {
    pollfd fds[2] = {{m_cancel, POLLIN, 0}, {fd, events, 0}};
    int ready;
    do {
        ready = ::poll(fds, 2, timeoutMs < 0 ? -1 : timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) {
        SetError(errno, "poll " + m_setup.devnode + ": " + std::strerror(errno));
        return IoStatus::Failed;
    }
    if (fds[0].revents != 0) {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t n = ::read(m_cancel, &count, sizeof count);
        return IoStatus::Cancelled;
    }
    if (ready == 0) {
        return IoStatus::Timeout;
    }
    if ((fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 && (fds[1].revents & events) == 0) {
        SetError(ENODEV, m_setup.devnode + ": device is gone");
        return IoStatus::Failed;
    }
    return IoStatus::Ok;
}

void HidrawHandle::SetError(int code, const std::string& what) {
    std::lock_guard<std::mutex> guard(m_errorLock);
    m_error = Error{code, what};
}

}  // namespace platform::hid::linux_hid
