// An ordered collection of items under unique text keys, with the runtime's collection errors.
//
// Positions run from 1 to Count in insertion order. Keys are compared without regard to case by
// default (Unicode case folding, as the runtime's keyed collection compared them); a collection
// made with KeyCase::kSensitive compares them exactly. Failures raise the runtime's own errors,
// so that an operation's handler (ErrorPolicy) turns them into the owning class's errors:
//   457  a key that is already present (Add, Insert)
//   5    a key that is not present (Item, Remove by key), an insert position outside 1..Count+1
//   9    a position outside 1..Count (Item, KeyAt, Remove by position)
// Lookups by key take constant time (small collections, the common case, compare their few keys
// directly and build no hash index); removing or inserting in the middle moves the later items.
#pragma once

#include <cstddef>
#include <unordered_map>
#include <utility>
#include <vector>

#include "velko/frame/error.hpp"
#include "velko/frame/text.hpp"
#include "velko/frame/types.hpp"

namespace velko {

enum class KeyCase {
  kIgnore,     // "Inspection" and "INSPECTION" are the same key
  kSensitive,  // keys are equal only when their texts are
};

template <class T>
class KeyedCollection {
 public:
  struct Entry {
    String key;  // as given to Add
    T item;
    String lookup;  // the folded key of a case-ignoring collection (a sensitive one compares key)
  };

  explicit KeyedCollection(KeyCase keyCase = KeyCase::kIgnore) : keyCase_(keyCase) {}

  KeyCase KeyComparison() const { return keyCase_; }
  Long Count() const { return static_cast<Long>(entries_.size()); }
  bool Empty() const { return entries_.empty(); }

  // Appends `item` under `key`; raises 457 when the key is present.
  void Add(String key, T item) { Insert(Count() + 1, std::move(key), std::move(item)); }

  // Appends `item` under `key` unless the key is present; whether it did. One look-up where
  // Contains and Add would make two.
  bool TryAdd(String key, T item) {
    String folded;
    if (PositionOf(LookupKey(key, folded)) != kAbsent) return false;
    InsertNew(entries_.size(), std::move(key), std::move(folded), std::move(item));
    return true;
  }

  // Puts `item` at `position` (1..Count+1), moving the later items back; raises 457 when the key
  // is present and 5 for a position outside that range.
  void Insert(Long position, String key, T item) {
    if (position < 1 || position > Count() + 1) RaiseRuntimeError(rt::kInvalidCall);
    String folded;
    if (PositionOf(LookupKey(key, folded)) != kAbsent) RaiseRuntimeError(rt::kKeyAlreadyPresent);
    InsertNew(static_cast<std::size_t>(position - 1), std::move(key), std::move(folded),
              std::move(item));
  }

  // The item at a 1-based position; raises 9 outside 1..Count.
  const T& Item(Long position) const { return entries_[Checked(position)].item; }
  T& Item(Long position) { return entries_[Checked(position)].item; }
  // The item under a key; raises 5 when the key is not present.
  const T& Item(const String& key) const { return entries_[Located(key)].item; }
  T& Item(const String& key) { return entries_[Located(key)].item; }
  // The key of the item at a 1-based position, as it was added; raises 9 outside 1..Count.
  const String& KeyAt(Long position) const { return entries_[Checked(position)].key; }

  // The item under a key, or null when the key is not present (never raises).
  const T* Find(const String& key) const {
    const std::size_t at = PositionOfKey(key);
    return at == kAbsent ? nullptr : &entries_[at].item;
  }
  T* Find(const String& key) { return const_cast<T*>(std::as_const(*this).Find(key)); }
  // The 1-based position of a key, 0 when it is not present.
  Long IndexOf(const String& key) const {
    const std::size_t at = PositionOfKey(key);
    return at == kAbsent ? 0 : static_cast<Long>(at) + 1;
  }
  bool Contains(const String& key) const { return PositionOfKey(key) != kAbsent; }

  // Removes by position (raises 9 outside 1..Count) or by key (raises 5 when not present).
  void Remove(Long position) { EraseAt(Checked(position)); }
  void Remove(const String& key) { EraseAt(Located(key)); }
  void Clear() {
    entries_.clear();
    index_.clear();
    indexed_ = false;
  }

  // The entries (key and item) in order.
  const std::vector<Entry>& Entries() const { return entries_; }

  // Range-for over the items in order. Changing the collection invalidates the iterators.
  class const_iterator {
   public:
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    const_iterator() = default;
    explicit const_iterator(typename std::vector<Entry>::const_iterator at) : at_(at) {}
    const T& operator*() const { return at_->item; }
    const T* operator->() const { return &at_->item; }
    const_iterator& operator++() {
      ++at_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator before = *this;
      ++at_;
      return before;
    }
    bool operator==(const const_iterator&) const = default;

   private:
    typename std::vector<Entry>::const_iterator at_;
  };
  const_iterator begin() const { return const_iterator(entries_.begin()); }
  const_iterator end() const { return const_iterator(entries_.end()); }

 private:
  // Up to this many entries a key is found by comparing the folded keys one after the other:
  // cheaper than hashing, and most collections (a step's standards, a record's activities) are
  // this small. Beyond it the hash index is built and kept.
  static constexpr std::size_t kDirectLookupLimit = 16;
  static constexpr std::size_t kAbsent = static_cast<std::size_t>(-1);

  // The key as compared: folded into `folded` when letter case is ignored, else `key` itself.
  const String& LookupKey(const String& key, String& folded) const {
    if (keyCase_ == KeyCase::kSensitive) return key;
    folded = FoldCase(key);
    return folded;
  }
  const String& LookupOf(const Entry& entry) const {
    return keyCase_ == KeyCase::kSensitive ? entry.key : entry.lookup;
  }
  // Puts a new entry at the 0-based `at`; `folded` is its LookupKey's fold (empty when case
  // counts).
  void InsertNew(std::size_t at, String key, String folded, T item) {
    const auto place = entries_.begin() + static_cast<std::ptrdiff_t>(at);
    if (!indexed_) {
      entries_.insert(place, Entry{std::move(key), std::move(item), std::move(folded)});
      if (entries_.size() > kDirectLookupLimit) BuildIndex();
      return;
    }
    const auto slot = index_.emplace(keyCase_ == KeyCase::kSensitive ? key : folded, at).first;
    try {
      entries_.insert(place, Entry{std::move(key), std::move(item), std::move(folded)});
    } catch (...) {
      index_.erase(slot);  // nothing changed
      throw;
    }
    Reindex(at + 1);
  }
  std::size_t Checked(Long position) const {
    if (position < 1 || position > Count()) RaiseRuntimeError(rt::kSubscriptOutOfRange);
    return static_cast<std::size_t>(position - 1);
  }
  // The 0-based place of a key as given (PositionOf takes the key as compared), kAbsent if none.
  std::size_t PositionOfKey(const String& key) const {
    String folded;
    return PositionOf(LookupKey(key, folded));
  }
  std::size_t Located(const String& key) const {
    const std::size_t at = PositionOfKey(key);
    if (at == kAbsent) RaiseRuntimeError(rt::kInvalidCall);
    return at;
  }
  // The 0-based position of a lookup key, kAbsent when it is not present.
  std::size_t PositionOf(const String& lookup) const {
    if (indexed_) {
      const auto found = index_.find(lookup);
      return found == index_.end() ? kAbsent : found->second;
    }
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (LookupOf(entries_[i]) == lookup) return i;
    }
    return kAbsent;
  }
  void EraseAt(std::size_t at) {
    if (indexed_) index_.erase(LookupOf(entries_[at]));
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
    if (indexed_) Reindex(at);
  }
  // Once built, the index stays, even when removals make the collection small again.
  void BuildIndex() {
    std::unordered_map<String, std::size_t> index;
    index.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i)
      index.emplace(LookupOf(entries_[i]), i);
    index_ = std::move(index);
    indexed_ = true;
  }
  // Positions from `from` on have moved: refresh their index entries (allocates nothing).
  void Reindex(std::size_t from) {
    for (std::size_t i = from; i < entries_.size(); ++i) {
      index_.find(LookupOf(entries_[i]))->second = i;
    }
  }

  KeyCase keyCase_;
  std::vector<Entry> entries_;
  std::unordered_map<String, std::size_t> index_;  // lookup key -> 0-based position
  bool indexed_ = false;                           // index_ is built and kept up to date
};

}  // namespace velko
