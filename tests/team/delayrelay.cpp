// A TCP relay on the loopback address that holds every byte for a chosen time in each
// direction, as a distant share would: `delayrelay LISTEN_PORT TARGET_PORT MILLISECONDS`.
// Bytes keep their order; each connection is relayed until either side closes it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Chunk
{
    Clock::time_point due;
    std::vector<char> bytes;
};

// One direction of one connection: a reader stamps what arrives, a writer sends it when due.
struct Direction
{
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Chunk> chunks;
    bool ended = false;
};

void readInto(int from, Direction& direction, std::chrono::milliseconds delay)
{
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        std::lock_guard<std::mutex> guard(direction.lock);
        if (got <= 0) {
            direction.ended = true;
            direction.changed.notify_all();
            return;
        }
        direction.chunks.push_back({Clock::now() + delay, {buffer.begin(), buffer.begin() + got}});
        direction.changed.notify_all();
    }
}

void writeFrom(Direction& direction, int to)
{
    for (;;) {
        Chunk chunk;
        {
            std::unique_lock<std::mutex> guard(direction.lock);
            direction.changed.wait(guard,
                                   [&] { return direction.ended || !direction.chunks.empty(); });
            if (direction.chunks.empty()) {
                ::shutdown(to, SHUT_WR);
                return;
            }
            chunk = std::move(direction.chunks.front());
            direction.chunks.pop_front();
        }
        std::this_thread::sleep_until(chunk.due);
        for (std::size_t sent = 0; sent < chunk.bytes.size();) {
            const ssize_t wrote = ::write(to, chunk.bytes.data() + sent, chunk.bytes.size() - sent);
            if (wrote <= 0)
                return;
            sent += std::size_t(wrote);
        }
    }
}

int connectTo(int port)
{
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket);
        return -1;
    }
    return socket;
}

void relay(int client, int targetPort, std::chrono::milliseconds delay)
{
    const int server = connectTo(targetPort);
    if (server < 0) {
        ::close(client);
        return;
    }
    const int on = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    auto up = std::make_shared<Direction>();
    auto down = std::make_shared<Direction>();
    std::thread([=] { readInto(client, *up, delay); }).detach();
    std::thread([=] { readInto(server, *down, delay); }).detach();
    std::thread([=] { writeFrom(*up, server); }).detach();
    std::thread([=] { writeFrom(*down, client); }).detach();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: delayrelay LISTEN_PORT TARGET_PORT MILLISECONDS\n");
        return 2;
    }
    const int listenPort = std::atoi(argv[1]);
    const int targetPort = std::atoi(argv[2]);
    const std::chrono::milliseconds delay(std::atoi(argv[3]));
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(listenPort));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 8) != 0) {
        std::perror("delayrelay");
        return 1;
    }
    for (;;) {
        const int client = ::accept(listener, nullptr, nullptr);
        if (client >= 0)
            relay(client, targetPort, delay);
    }
}
