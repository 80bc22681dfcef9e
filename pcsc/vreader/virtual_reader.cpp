#include "pcsc/vreader/virtual_reader.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

namespace vreader {

namespace {
// Reads exactly `n` bytes; false when the peer closed or `stop` was set.
bool readAll(int fd, std::uint8_t* out, std::size_t n, const std::atomic<bool>& stop) {
  std::size_t got = 0;
  while (got < n) {
    pollfd p{fd, POLLIN, 0};
    int ready = poll(&p, 1, 100);
    if (stop) return false;
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return false;
    if (ready == 0) continue;
    // vpcd writes a message's length and its payload apart: acknowledge at
    // once, or its second write waits for our delayed acknowledgement.
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof(one));
    ssize_t r = recv(fd, out + got, n - got, 0);
    if (r <= 0) return false;
    got += static_cast<std::size_t>(r);
  }
  return true;
}

bool sendMessage(int fd, const Bytes& payload) {
  Bytes m{static_cast<std::uint8_t>(payload.size() >> 8), static_cast<std::uint8_t>(payload.size())};
  m.insert(m.end(), payload.begin(), payload.end());
  for (std::size_t sent = 0; sent < m.size();) {
    ssize_t r = send(fd, m.data() + sent, m.size() - sent, MSG_NOSIGNAL);
    if (r <= 0) return false;
    sent += static_cast<std::size_t>(r);
  }
  return true;
}
}  // namespace

VirtualReader::VirtualReader(PseudoCard& card, int port, std::function<void()> afterAnswer)
    : card_(card), port_(port), afterAnswer_(std::move(afterAnswer)) {}

VirtualReader::~VirtualReader() { pull(); }

bool VirtualReader::insert() {
  pull();
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port_));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
    std::cerr << "virtual reader: vpcd does not answer on 127.0.0.1:" << port_ << ": " << std::strerror(errno)
              << "\n";
    close(fd);
    return false;
  }
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
  socket_ = fd;
  stop_ = false;
  thread_ = std::thread([this] { serve(); });
  return true;
}

void VirtualReader::pull() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (socket_ >= 0) close(socket_);
  socket_ = -1;
  std::lock_guard<std::mutex> guard(lock_);
  card_.powerOff();
}

void VirtualReader::serve() {
  for (;;) {
    std::uint8_t header[2];
    if (!readAll(socket_, header, 2, stop_)) return;
    Bytes payload(static_cast<std::size_t>(header[0] << 8 | header[1]));
    if (!payload.empty() && !readAll(socket_, payload.data(), payload.size(), stop_)) return;
    if (!message(payload)) return;
  }
}

bool VirtualReader::message(const Bytes& payload) {
  std::lock_guard<std::mutex> guard(lock_);
  if (payload.size() == 1) {
    switch (payload[0]) {
      case 0:
        card_.powerOff();
        return true;
      case 1:
      case 2:
        card_.powerOn();
        return true;
      case 4:
        return sendMessage(socket_, card_.atr());
      default:
        return true;
    }
  }
  Bytes answer = card_.answer(payload);
  ++apdus_;
  if (afterAnswer_) afterAnswer_();
  return sendMessage(socket_, answer);
}

}  // namespace vreader
