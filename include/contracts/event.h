// Events raised by outside objects.
//
// An Event<Args...> is a public member of the raising object. A listener connects a handler
// and keeps the returned Connection; the handler stays connected until the Connection is
// destroyed or reset, or the event itself is destroyed. Handlers may take reference
// arguments, through which they hand values back to the raiser (bExecProc, lResult).
//
// Raise calls every handler connected when the raise began, in the order of connection,
// unless it was disconnected meanwhile. A handler may connect or disconnect handlers, and
// may destroy the listener that owns its Connection, while the event is being raised. An
// error thrown by a handler ends the raise and reaches the raiser.
#ifndef GLNAMELIST_CONTRACTS_EVENT_H_
#define GLNAMELIST_CONTRACTS_EVENT_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "contracts/api.h"

namespace glnamelist {

// A scoped connection: disconnects its handler when destroyed. Move-only.
class GLNAMELIST_API Connection {
 public:
  Connection() = default;
  explicit Connection(std::function<void()> disconnect) : disconnect_(std::move(disconnect)) {}
  Connection(Connection&& other) noexcept : disconnect_(std::exchange(other.disconnect_, {})) {}
  Connection& operator=(Connection&& other) noexcept {
    if (this != &other) {
      reset();
      disconnect_ = std::exchange(other.disconnect_, {});
    }
    return *this;
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() { reset(); }

  void reset() {
    if (auto d = std::exchange(disconnect_, {})) d();
  }
  bool connected() const { return static_cast<bool>(disconnect_); }

 private:
  std::function<void()> disconnect_;
};

template <class... Args>
class Event {
 public:
  using Handler = std::function<void(Args...)>;

  Event() : slots_(std::make_shared<Slots>()) {}
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  [[nodiscard]] Connection Connect(Handler handler) {
    uint64_t id = ++slots_->next_id;
    slots_->list.push_back({id, std::make_shared<Handler>(std::move(handler))});
    std::weak_ptr<Slots> weak = slots_;
    return Connection([weak, id] {
      if (auto s = weak.lock()) {
        for (auto it = s->list.begin(); it != s->list.end(); ++it) {
          if (it->id == id) {
            s->list.erase(it);
            break;
          }
        }
      }
    });
  }

  // Calls the connected handlers with the arguments (references reach the handlers as
  // references).
  template <class... CallArgs>
  void Raise(CallArgs&&... args) {
    std::shared_ptr<Slots> keep = slots_;
    std::vector<Slot> snapshot = keep->list;
    for (const Slot& slot : snapshot) {
      if (!Connected(*keep, slot.id)) continue;
      std::shared_ptr<Handler> h = slot.handler;
      (*h)(args...);
    }
  }

  size_t handler_count() const { return slots_->list.size(); }

 private:
  struct Slot {
    uint64_t id;
    std::shared_ptr<Handler> handler;
  };
  struct Slots {
    uint64_t next_id = 0;
    std::vector<Slot> list;
  };
  static bool Connected(const Slots& s, uint64_t id) {
    for (const Slot& slot : s.list)
      if (slot.id == id) return true;
    return false;
  }

  std::shared_ptr<Slots> slots_;
};

}  // namespace glnamelist

#endif  // GLNAMELIST_CONTRACTS_EVENT_H_
