// The password leaves no copy in memory the program gives back: while a PASS command is sent,
// every block the program frees is looked at for it. Replacing the allocator concerns this whole
// executable, so the check lives alone here.
#include "net/ftp_channel.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <malloc.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace {

constexpr char kMarker[] = "Zq7!mark";
std::atomic<bool> g_watch{false};
std::atomic<int> g_copies{0};

void look_into(void* block) {
    if (block != nullptr && g_watch &&
        ::memmem(block, ::malloc_usable_size(block), kMarker, sizeof kMarker - 1) != nullptr)
        ++g_copies;
}

} // namespace

void* operator new(std::size_t size) {
    if (void* block = std::malloc(size == 0 ? 1 : size))
        return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept {
    look_into(block);
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    look_into(block);
    std::free(block);
}

namespace {

TEST(PasswordCopies, ThePassLineIsWipedWithoutAFreedCopy) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), size), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &size), 0);
    qp::net::ControlChannel control(
        qp::net::Socket::connect_to("127.0.0.1", ntohs(addr.sin_port), qp::net::deadline_in(5000)),
        5000);
    const int server = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(server, 0);
    // Lengths around the points where appending the line end used to grow the buffer.
    for (const std::size_t length : {9U, 10U, 24U, 25U, 40U}) {
        std::string password(kMarker);
        password.resize(length, 'p');
        g_copies = 0;
        g_watch = true;
        const std::string error = control.send_command("PASS", password);
        g_watch = false;
        EXPECT_EQ(error, "");
        EXPECT_EQ(g_copies, 0) << "password of " << length << " characters";
        char sink[128];
        (void)!::read(server, sink, sizeof sink);
    }
    ::close(server);
    ::close(listener);
}

} // namespace
