// The simulator's driver functions (sim::api::IC_Read, ...), declared from
// the one function list so their types cannot drift from the driver table,
// and the frame every one of them runs in.
#pragma once

#include <mutex>
#include <utility>
#include <vector>

#include "reader/driver.h"
#include "sim/reader.h"

namespace sim::api {
#define PELOX_FN(ret, name, params, args, bytes) ret PELOX_API name params;
#include "reader/driver_functions.h"
#undef PELOX_FN
}  // namespace sim::api

namespace sim {

// A call that needs only the reader.
template <class F>
short readerCall(const char* name, int handle, F&& body) {
  std::lock_guard<std::mutex> guard(Reader::lock());
  Reader& r = Reader::get();
  if (auto fault = r.enter(name)) return *fault;
  if (short e = r.checkHandle(handle); e != err::kOk) return e;
  return body(r);
}

// A call on the inserted card; the card is saved afterwards when it changed.
template <class F>
short cardCall(const char* name, int handle, F&& body, bool mayChange = true) {
  return readerCall(name, handle, [&](Reader& r) -> short {
    Card* card = r.card();
    if (card == nullptr) return err::kNoCard;
    short result = body(r, *card);
    if (mayChange) r.persist();
    return result;
  });
}

// A call that only reads the card: nothing to save.
template <class F>
short readCall(const char* name, int handle, F&& body) {
  return cardCall(name, handle, std::forward<F>(body), false);
}

// A call that writes card data: under the drop_writes switch a successful
// write is undone, so the card answers but keeps its old contents.
template <class F>
short writeCall(const char* name, int handle, F&& body) {
  return cardCall(name, handle, [&](Reader& r, Card& card) -> short {
    if (!r.config().faults.dropWrites) return body(r, card);
    std::vector<Field> fields = card.fields();
    std::vector<std::pair<Bytes, int>> before;
    for (const Field& f : fields) before.emplace_back(f.bytes ? *f.bytes : Bytes{}, f.number ? *f.number : 0);
    short result = body(r, card);
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (fields[i].bytes) *fields[i].bytes = before[i].first;
      if (fields[i].number) *fields[i].number = before[i].second;
    }
    return result;
  });
}

// A host computation that touches no reader.
template <class F>
short hostCall(const char* name, F&& body) {
  std::lock_guard<std::mutex> guard(Reader::lock());
  Reader& r = Reader::get();
  if (auto fault = r.enter(name)) return *fault;
  return body(r);
}

}  // namespace sim
