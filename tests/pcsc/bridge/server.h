// The bridge's TCP server: listens on 127.0.0.1 only and serves each
// connection (one winscard.dll in one process) with a Bridge of its own on
// a thread of its own.
#pragma once

#include <atomic>
#include <string>

namespace bridge {

class Server {
 public:
  Server() = default;
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Listens on 127.0.0.1:`port` (0: a free port). False and `why` when it
  // cannot.
  bool listen(int port, std::string& why);
  int port() const { return port_; }
  // Serves until `stop` is set, then ends every connection. With `verbose`
  // every call and its result goes to standard error.
  void run(const std::atomic<bool>& stop, bool verbose);

 private:
  int socket_ = -1;
  int port_ = 0;
};

}  // namespace bridge
