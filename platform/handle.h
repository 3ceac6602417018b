// Owner of one system handle: closed exactly once, whatever path the code
// takes. The invalid value is part of the type, since the system uses 0 for
// some handles and all-ones for others.
#pragma once

#include <utility>

namespace velquin {

template <typename Value, Value kInvalid, typename Closer>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Value value) : value_(value) {}
  UniqueHandle(UniqueHandle&& other) noexcept : value_(std::exchange(other.value_, kInvalid)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      reset();
      value_ = std::exchange(other.value_, kInvalid);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Value get() const { return value_; }
  bool valid() const { return value_ != kInvalid; }
  void reset() {
    if (value_ != kInvalid) Closer()(std::exchange(value_, kInvalid));
  }

 private:
  Value value_ = kInvalid;
};

}  // namespace velquin
