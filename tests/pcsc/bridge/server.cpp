#include "server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <list>
#include <mutex>
#include <thread>

#include "bridge.h"

namespace bridge {

namespace {

std::mutex logLock;

void log(const std::string& line) {
  std::lock_guard<std::mutex> guard(logLock);
  std::cerr << "winscard-bridge: " << line << std::endl;
}

// Waits for `events` on `fd` in short steps, so that `stop` is seen.
bool ready(int fd, short events, const std::atomic<bool>& stop) {
  while (!stop) {
    pollfd p{fd, events, 0};
    const int r = poll(&p, 1, 100);
    if (r > 0) return true;
    if (r < 0 && errno != EINTR) return false;
  }
  return false;
}

void serve(int fd, const std::atomic<bool>& stop, bool verbose) {
  const Transfer receive = [&](std::uint8_t* data, std::size_t n) -> long {
    return ready(fd, POLLIN, stop) ? static_cast<long>(recv(fd, data, n, 0)) : -1;
  };
  const Transfer send = [&](std::uint8_t* data, std::size_t n) -> long {
    return static_cast<long>(::send(fd, data, n, MSG_NOSIGNAL));
  };
  Bridge bridge;
  Bytes request;
  std::string why;
  while (readFrame(receive, request, why)) {
    std::optional<Bytes> answer = bridge.answer(request, why);
    if (!answer) break;
    if (verbose) {
      std::uint32_t rc = 0;
      Reader(*answer).u32(rc);
      log("operation " + std::to_string(request[0]) + ": " + std::to_string(rc));
    }
    if (!sendFrame(send, *answer)) break;
  }
  if (!why.empty()) log("request refused, connection closed: " + why);
  close(fd);
}

}  // namespace

Server::~Server() {
  if (socket_ >= 0) close(socket_);
}

bool Server::listen(int port, std::string& why) {
  socket_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof(address);
  if (socket_ < 0 || bind(socket_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::listen(socket_, 8) != 0 || getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    why = std::strerror(errno);
    return false;
  }
  port_ = ntohs(address.sin_port);
  return true;
}

void Server::run(const std::atomic<bool>& stop, bool verbose) {
  std::list<std::thread> connections;
  while (ready(socket_, POLLIN, stop)) {
    const int fd = accept(socket_, nullptr, nullptr);
    if (fd < 0) continue;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    if (verbose) log("a client connected");
    connections.emplace_back([fd, &stop, verbose] { serve(fd, stop, verbose); });
  }
  for (std::thread& t : connections) t.join();
}

}  // namespace bridge
