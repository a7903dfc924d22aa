// The client side of the floors: plain blocking POSIX I/O, no event loop, no toolkit, so it costs the
// same in every figure it stands beside.
#ifndef RDX480_BENCH_FLOORCLIENT_H
#define RDX480_BENCH_FLOORCLIENT_H

#include "link/Frame.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

class FloorClient
{
public:
    FloorClient() = default;
    FloorClient(const FloorClient&) = delete;
    FloorClient& operator=(const FloorClient&) = delete;
    ~FloorClient()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool openTcp(quint16 port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (m_fd < 0)
            return false;
        const int on = 1;
        ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }

    bool openLocal(const QString& path)
    {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (m_fd < 0 || size_t(name.size()) >= sizeof address.sun_path)
            return false;
        std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
        return ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }

    bool openSerial(const QString& path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY);
        termios settings{};
        if (m_fd < 0 || ::tcgetattr(m_fd, &settings) != 0)
            return false;
        ::cfmakeraw(&settings);
        ::cfsetispeed(&settings, B9600);
        ::cfsetospeed(&settings, B9600);
        settings.c_cc[VMIN] = 1;
        settings.c_cc[VTIME] = 0;
        ::tcflush(m_fd, TCIOFLUSH);
        return ::tcsetattr(m_fd, TCSANOW, &settings) == 0;
    }

    // Writes the frame, then reads until a whole reply is in: the reply, or an empty array on an error or
    // after `silenceMs` without a byte.
    QByteArray exchange(const QByteArray& frame, int silenceMs = 6000)
    {
        if (::write(m_fd, frame.constData(), size_t(frame.size())) != frame.size())
            return {};
        QByteArray reply(Rdx::FrameSize, '\0');
        int got = 0;
        while (got < Rdx::FrameSize) {
            pollfd waitFor{m_fd, POLLIN, 0};
            if (::poll(&waitFor, 1, silenceMs) <= 0)
                return {};
            const ssize_t n = ::read(m_fd, reply.data() + got, size_t(Rdx::FrameSize - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return {};
            got += int(n);
        }
        return reply;
    }
    bool exchange(const Rdx::Frame& frame)
    {
        return !exchange(QByteArray(reinterpret_cast<const char*>(frame.data()), Rdx::FrameSize), 2000).isEmpty();
    }

private:
    int m_fd = -1;
};

#endif
