#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/mainthread.h"

namespace quillon {

namespace detail {
// What a subscription needs of its event, whatever the event's arguments.
class TSlotsBase {
 public:
  virtual ~TSlotsBase() = default;
  virtual void Remove(uint64_t id) = 0;
};
}  // namespace detail

// A subscriber's hold on one handler of a TSignal: destroying it (or Reset) ends the subscription,
// so a subscriber that keeps its subscriptions as members is never called once it is gone. Safe
// when the event went first. Move-only; main thread only, like the events themselves.
class TSubscription {
 public:
  TSubscription() = default;
  TSubscription(std::weak_ptr<detail::TSlotsBase> list, uint64_t id)
      : slots_(std::move(list)), id_(id) {}
  // A moved-from weak_ptr is empty: the source ends nothing.
  TSubscription(TSubscription&& other) noexcept = default;
  TSubscription& operator=(TSubscription&& other) noexcept;
  TSubscription(const TSubscription&) = delete;
  TSubscription& operator=(const TSubscription&) = delete;
  ~TSubscription() { Reset(); }
  void Reset();

 private:
  std::weak_ptr<detail::TSlotsBase> slots_;
  uint64_t id_ = 0;
};

// The subscriptions of one subscriber, ended together when it is destroyed:
// `subscriptions_ += source.OnSomething.Subscribe(...)`.
class TSubscriptions {
 public:
  TSubscriptions& operator+=(TSubscription subscription) {
    held_.push_back(std::move(subscription));
    return *this;
  }

 private:
  std::vector<TSubscription> held_;
};

// An event with any number of handlers, each held by the TSubscription that Subscribe returns.
// Raising it calls the handlers subscribed before the call that are still subscribed when their
// turn comes: a handler may subscribe, unsubscribe or destroy the event's owner meanwhile. Main
// thread only.
template <typename... Args>
class TSignal {
 public:
  TSignal() = default;
  TSignal(const TSignal&) = delete;
  TSignal& operator=(const TSignal&) = delete;
  // A raise in progress calls no further handler.
  ~TSignal() { slots_->EndAll(); }

  [[nodiscard]] TSubscription Subscribe(std::function<void(Args...)> handler) {
    CheckMainThread("TSignal::Subscribe");
    const uint64_t id = ++slots_->lastId;
    slots_->handlers.push_back(std::make_shared<THandler>(THandler{id, std::move(handler)}));
    return TSubscription(slots_, id);
  }

  void operator()(Args... args) const {
    CheckMainThread("TSignal::operator()");
    // Held here so that handlers may change the list, or end the event, while it is walked.
    const auto round = slots_->handlers;
    for (const auto& handler : round)
      if (!handler->ended) handler->call(args...);
  }

  explicit operator bool() const { return !slots_->handlers.empty(); }

 private:
  struct THandler {
    uint64_t id = 0;
    std::function<void(Args...)> call;
    bool ended = false;
  };
  struct TSlots final : detail::TSlotsBase {
    void Remove(uint64_t id) override {
      std::erase_if(handlers, [id](const std::shared_ptr<THandler>& handler) {
        if (handler->id != id) return false;
        handler->ended = true;
        return true;
      });
    }
    void EndAll() {
      for (const auto& handler : handlers) handler->ended = true;
    }
    std::vector<std::shared_ptr<THandler>> handlers;
    uint64_t lastId = 0;
  };

  std::shared_ptr<TSlots> slots_ = std::make_shared<TSlots>();
};

}  // namespace quillon
