// platform/rtl/Set.h
//
// Two kinds of sets, as the program uses them:
//
// - Set<E>: a set over an enumeration whose members run 0, 1, 2, ... (a plain
//   enum or an enum class), at most 256 members. Member k is bit k, so the
//   low 64 members convert to and from an integer with Bits()/FromBits(); a
//   set stored "in one byte, bit 0 = first member" is Set<E>::FromBits(b).
//
//     Set<TOpenOption> o{ooFromList, ooChild};
//     if (o.Contains(ooChild)) ...; o += ooFromDataSet; for (auto m : o) ...
//
// - ZORVET_ENUM_BITMASK(E): for enumerations whose members have given bit
//   values (mtcoDescending = 0x01, ...): the enumeration itself is the set,
//   combined with | & ^ ~ and tested with HasFlag(value, flag). The
//   enumeration needs a fixed underlying type (enum E : Word {...}) so that
//   every combination of bits is a value of it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <type_traits>

template <class E>
class Set {
  static_assert(std::is_enum_v<E>, "Set<E> needs an enumeration");

 public:
  static constexpr std::size_t kMaxMembers = 256;

  constexpr Set() = default;
  constexpr Set(std::initializer_list<E> members) {
    for (E m : members) Include(m);
  }

  // The low 64 members from an integer: bit k is member k.
  static constexpr Set FromBits(std::uint64_t bits) {
    Set s;
    s.words_[0] = bits;
    return s;
  }
  // The low 64 members as an integer (members above 63 are not represented).
  constexpr std::uint64_t Bits() const { return words_[0]; }

  constexpr bool Contains(E m) const {
    const std::size_t k = Index(m);
    return k < kMaxMembers && (words_[k / 64] >> (k % 64)) & 1u;
  }
  constexpr Set& Include(E m) {
    const std::size_t k = Index(m);
    if (k < kMaxMembers) words_[k / 64] |= std::uint64_t{1} << (k % 64);
    return *this;
  }
  constexpr Set& Exclude(E m) {
    const std::size_t k = Index(m);
    if (k < kMaxMembers) words_[k / 64] &= ~(std::uint64_t{1} << (k % 64));
    return *this;
  }
  constexpr bool Empty() const {
    for (auto w : words_)
      if (w) return false;
    return true;
  }
  constexpr std::size_t Count() const {
    std::size_t n = 0;
    for (auto w : words_) n += static_cast<std::size_t>(__builtin_popcountll(w));
    return n;
  }
  constexpr void Clear() { words_ = {}; }

  // Set algebra: union, difference, intersection.
  friend constexpr Set operator+(Set a, const Set& b) {
    for (std::size_t i = 0; i < kWords; ++i) a.words_[i] |= b.words_[i];
    return a;
  }
  friend constexpr Set operator-(Set a, const Set& b) {
    for (std::size_t i = 0; i < kWords; ++i) a.words_[i] &= ~b.words_[i];
    return a;
  }
  friend constexpr Set operator*(Set a, const Set& b) {
    for (std::size_t i = 0; i < kWords; ++i) a.words_[i] &= b.words_[i];
    return a;
  }
  friend constexpr Set operator+(Set a, E m) { return a.Include(m); }
  friend constexpr Set operator-(Set a, E m) { return a.Exclude(m); }
  constexpr Set& operator+=(const Set& b) { return *this = *this + b; }
  constexpr Set& operator-=(const Set& b) { return *this = *this - b; }
  constexpr Set& operator*=(const Set& b) { return *this = *this * b; }
  constexpr Set& operator+=(E m) { return Include(m); }
  constexpr Set& operator-=(E m) { return Exclude(m); }
  friend constexpr bool operator==(const Set& a, const Set& b) = default;
  // Whether every member of this set is in `other`.
  constexpr bool SubsetOf(const Set& other) const { return (*this - other).Empty(); }

  // Iteration visits the members in ascending order.
  class iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = E;
    using difference_type = std::ptrdiff_t;
    using pointer = const E*;
    using reference = E;

    constexpr iterator() = default;
    constexpr iterator(const Set* s, std::size_t k) : set_(s), k_(k) { Skip(); }
    constexpr E operator*() const { return static_cast<E>(k_); }
    constexpr iterator& operator++() {
      ++k_;
      Skip();
      return *this;
    }
    constexpr iterator operator++(int) {
      iterator old = *this;
      ++*this;
      return old;
    }
    constexpr bool operator==(const iterator& o) const { return k_ == o.k_; }

   private:
    constexpr void Skip() {
      while (k_ < kMaxMembers && !((set_->words_[k_ / 64] >> (k_ % 64)) & 1u)) ++k_;
    }
    const Set* set_ = nullptr;
    std::size_t k_ = kMaxMembers;
  };
  constexpr iterator begin() const { return iterator(this, 0); }
  constexpr iterator end() const { return iterator(this, kMaxMembers); }

 private:
  static constexpr std::size_t kWords = kMaxMembers / 64;
  static constexpr std::size_t Index(E m) {
    return static_cast<std::size_t>(static_cast<std::underlying_type_t<E>>(m));
  }
  std::array<std::uint64_t, kWords> words_{};
};

// Declares the bitwise operators for an enumeration with given bit values.
// Use at namespace scope after the enumeration; in an unnamed namespace a
// file may leave some of them unused.
#define ZORVET_ENUM_BITMASK(E)                                    \
  [[maybe_unused]] constexpr E operator|(E a, E b) {              \
    using U = std::underlying_type_t<E>;                          \
    return static_cast<E>(static_cast<U>(a) | static_cast<U>(b)); \
  }                                                               \
  [[maybe_unused]] constexpr E operator&(E a, E b) {              \
    using U = std::underlying_type_t<E>;                          \
    return static_cast<E>(static_cast<U>(a) & static_cast<U>(b)); \
  }                                                               \
  [[maybe_unused]] constexpr E operator^(E a, E b) {              \
    using U = std::underlying_type_t<E>;                          \
    return static_cast<E>(static_cast<U>(a) ^ static_cast<U>(b)); \
  }                                                               \
  [[maybe_unused]] constexpr E operator~(E a) {                   \
    using U = std::underlying_type_t<E>;                          \
    return static_cast<E>(~static_cast<U>(a));                    \
  }                                                               \
  [[maybe_unused]] constexpr E& operator|=(E& a, E b) {           \
    return a = a | b;                                             \
  }                                                               \
  [[maybe_unused]] constexpr E& operator&=(E& a, E b) {           \
    return a = a & b;                                             \
  }                                                               \
  [[maybe_unused]] constexpr E& operator^=(E& a, E b) {           \
    return a = a ^ b;                                             \
  }                                                               \
  /* Whether every bit of `flag` is set in `value`. */            \
  [[maybe_unused]] constexpr bool HasFlag(E value, E flag) {      \
    return (value & flag) == flag;                                \
  }                                                               \
  /* Whether any bit is set. */                                   \
  [[maybe_unused]] constexpr bool HasAny(E value) {               \
    return static_cast<std::underlying_type_t<E>>(value) != 0;    \
  }
