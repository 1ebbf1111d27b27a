// platform/data/Bookmark.h
//
// TBookmark: a dataset's bookmark as a value: BookmarkSize bytes copied
// from a record buffer, meaningful only to the dataset that made it. An
// empty bookmark stands for "none". FreeBookmark empties one.
#pragma once

#include <cstring>
#include <vector>

#include "platform/rtl/Types.h"

class TBookmark {
 public:
  TBookmark() = default;
  TBookmark(const void* data, std::size_t size)
      : bytes_(static_cast<const Byte*>(data), static_cast<const Byte*>(data) + size) {}

  bool Empty() const { return bytes_.empty(); }
  // The bytes, or nullptr for an empty bookmark.
  const Byte* Data() const { return bytes_.empty() ? nullptr : bytes_.data(); }
  Byte* Data() { return bytes_.empty() ? nullptr : bytes_.data(); }
  std::size_t Size() const { return bytes_.size(); }
  void Clear() { bytes_.clear(); }

  friend bool operator==(const TBookmark&, const TBookmark&) = default;

 private:
  std::vector<Byte> bytes_;
};
