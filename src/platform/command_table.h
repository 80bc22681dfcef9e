// A table from command id to handler, one per class that handles commands
// (the idea of a message map, in plain C++).
#pragma once

#include <functional>
#include <map>

class CommandTable {
 public:
  using Handler = std::function<void()>;
  void add(int id, Handler h) { handlers_[id] = std::move(h); }
  bool has(int id) const { return handlers_.count(id) != 0; }
  // Runs the handler of `id`; false when there is none.
  bool run(int id) const {
    const auto it = handlers_.find(id);
    if (it == handlers_.end()) return false;
    it->second();
    return true;
  }

 private:
  std::map<int, Handler> handlers_;
};
