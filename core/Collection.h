#pragma once
// An ordered collection with optional text keys, as the system's lists of
// programs, components and names use it: items keep the order in which they
// were added, positions count from 1, and keys are matched without regard to
// case. A duplicate key, a missing key or a position out of range raises
// RuntimeError, so the caller's procedure ends there.
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/VBRuntime.h"

namespace mv {

constexpr int errKeyInUse = 457;

template <class T>
class Collection {
 public:
  using iterator = typename std::vector<T>::iterator;
  using const_iterator = typename std::vector<T>::const_iterator;

  long Count() const { return static_cast<long>(items_.size()); }

  // Appends the item; an empty key adds it without a key.
  void Add(T item, const std::string& key = std::string()) {
    std::string k = LCase(key);
    if (!k.empty()) {
      if (index_.count(k))
        throw RuntimeError(errKeyInUse, "This key is already associated with an element of this collection");
      index_.emplace(k, items_.size());
    }
    items_.push_back(std::move(item));
    keys_.push_back(std::move(k));
  }

  bool Contains(const std::string& key) const { return index_.count(LCase(key)) != 0; }

  // The 1-based position of the item under the key, 0 when there is none.
  long PositionOf(const std::string& key) const {
    auto it = index_.find(LCase(key));
    return it == index_.end() ? 0 : static_cast<long>(it->second) + 1;
  }

  T& Item(const std::string& key) { return items_[slotOf(key)]; }
  const T& Item(const std::string& key) const { return items_[slotOf(key)]; }
  T& Item(long position) { return items_[slotAt(position)]; }
  const T& Item(long position) const { return items_[slotAt(position)]; }

  void Remove(const std::string& key) { eraseSlot(slotOf(key)); }
  void Remove(long position) { eraseSlot(slotAt(position)); }

  void Clear() {
    items_.clear();
    keys_.clear();
    index_.clear();
  }

  iterator begin() { return items_.begin(); }
  iterator end() { return items_.end(); }
  const_iterator begin() const { return items_.begin(); }
  const_iterator end() const { return items_.end(); }

 private:
  size_t slotOf(const std::string& key) const {
    auto it = index_.find(LCase(key));
    if (it == index_.end()) RaiseError(errInvalidCall);
    return it->second;
  }
  size_t slotAt(long position) const {
    if (position < 1 || position > Count()) RaiseError(errSubscript);
    return static_cast<size_t>(position - 1);
  }
  void eraseSlot(size_t slot) {
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(slot));
    keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(slot));
    // Items behind the removed one move up by one place.
    index_.clear();
    for (size_t i = 0; i < keys_.size(); ++i)
      if (!keys_[i].empty()) index_.emplace(keys_[i], i);
  }

  std::vector<T> items_;
  std::vector<std::string> keys_;  // lower-cased; "" for an item without key
  std::unordered_map<std::string, size_t> index_;
};

}  // namespace mv
