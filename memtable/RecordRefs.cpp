// memtable/RecordRefs.cpp
#include "memtable/RecordRefs.h"

#include <algorithm>
#include <atomic>

std::size_t TvomRecordRefs::Locate(Integer pos) const {
  const std::size_t n = chunks_.size();
  if (hint_ < n) {
    // Walking forward or backward by one is the common case (navigation and
    // sequential scans); try the remembered chunk and its neighbours first.
    const Integer start = starts_[hint_];
    const auto size = static_cast<Integer>(chunks_[hint_].size());
    if (pos >= start && pos < start + size) return hint_;
    if (pos >= start + size && hint_ + 1 < n &&
        pos < starts_[hint_ + 1] + static_cast<Integer>(chunks_[hint_ + 1].size()))
      return ++hint_;
    // A walk that reads a little ahead of where it stands steps over a
    // chunk's end and back again at every chunk it passes.
    if (pos < start && hint_ > 0 && pos >= starts_[hint_ - 1]) return --hint_;
  }
  const auto it = std::upper_bound(starts_.begin(), starts_.end(), pos);
  hint_ = static_cast<std::size_t>(it - starts_.begin()) - 1;
  return hint_;
}

void TvomRecordRefs::ShiftStarts(std::size_t after, Integer delta) {
  for (std::size_t c = after + 1; c < starts_.size(); ++c) starts_[c] += delta;
}

void TvomRecordRefs::Set(Integer pos, TvomRecord* record) {
  stamp_ = 0;
  const std::size_t c = Locate(pos);
  chunks_[c][static_cast<std::size_t>(pos - starts_[c])] = record;
}

void TvomRecordRefs::Add(TvomRecord* record) {
  stamp_ = 0;
  // Appending never splits: a full last chunk is followed by a new one, so
  // lists built by appending stay made of full chunks.
  if (chunks_.empty() || chunks_.back().size() >= kChunkMax) {
    chunks_.emplace_back();
    chunks_.back().reserve(kChunkMax);
    starts_.push_back(count_);
  }
  chunks_.back().push_back(record);
  ++count_;
}

void TvomRecordRefs::Insert(Integer pos, TvomRecord* record) {
  stamp_ = 0;
  if (pos == count_) {
    Add(record);
    return;
  }
  const std::size_t c = Locate(pos);
  auto& chunk = chunks_[c];
  chunk.insert(chunk.begin() + (pos - starts_[c]), record);
  ++count_;
  ShiftStarts(c, 1);
  if (chunk.size() > kChunkMax) {
    const std::size_t half = chunk.size() / 2;
    std::vector<TvomRecord*> upper(chunk.begin() + static_cast<std::ptrdiff_t>(half), chunk.end());
    chunk.resize(half);
    const Integer upper_start = starts_[c] + static_cast<Integer>(half);
    chunks_.insert(chunks_.begin() + static_cast<std::ptrdiff_t>(c) + 1, std::move(upper));
    starts_.insert(starts_.begin() + static_cast<std::ptrdiff_t>(c) + 1, upper_start);
  }
}

void TvomRecordRefs::Delete(Integer pos) {
  stamp_ = 0;
  const std::size_t c = Locate(pos);
  auto& chunk = chunks_[c];
  chunk.erase(chunk.begin() + (pos - starts_[c]));
  --count_;
  ShiftStarts(c, -1);
  if (chunk.empty()) {
    chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(c));
    starts_.erase(starts_.begin() + static_cast<std::ptrdiff_t>(c));
    hint_ = 0;
    return;
  }
  // Keep chunks from thinning out after many deletes: a small chunk takes in
  // its successor when both fit in one.
  if (chunk.size() < kChunkMax / 4 && c + 1 < chunks_.size() &&
      chunk.size() + chunks_[c + 1].size() <= kChunkMax) {
    auto& next = chunks_[c + 1];
    chunk.insert(chunk.end(), next.begin(), next.end());
    chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(c) + 1);
    starts_.erase(starts_.begin() + static_cast<std::ptrdiff_t>(c) + 1);
    hint_ = 0;
  }
}

void TvomRecordRefs::Clear() {
  stamp_ = 0;
  chunks_.clear();
  starts_.clear();
  count_ = 0;
  hint_ = 0;
}

Integer TvomRecordRefs::IndexOf(const TvomRecord* record, Integer from) const {
  if (from >= count_) return -1;
  for (std::size_t c = from > 0 ? Locate(from) : 0; c < chunks_.size(); ++c) {
    const auto& chunk = chunks_[c];
    const auto first = chunk.begin() + std::max<Integer>(from - starts_[c], 0);
    const auto it = std::find(first, chunk.end(), record);
    if (it != chunk.end()) return starts_[c] + static_cast<Integer>(it - chunk.begin());
  }
  return -1;
}

std::vector<TvomRecord*> TvomRecordRefs::ToVector() const {
  std::vector<TvomRecord*> all;
  all.reserve(static_cast<std::size_t>(count_));
  for (const auto& chunk : chunks_) all.insert(all.end(), chunk.begin(), chunk.end());
  return all;
}

void TvomRecordRefs::Assign(const std::vector<TvomRecord*>& records) {
  stamp_ = 0;
  // Chunks already there are refilled rather than made anew: an index that
  // is sorted right after loading assigns twice, and a million references
  // are a thousand chunks.
  const std::size_t chunks = (records.size() + kChunkFill - 1) / kChunkFill;
  chunks_.resize(chunks);
  starts_.resize(chunks);
  for (std::size_t c = 0; c < chunks; ++c) {
    const std::size_t first = c * kChunkFill;
    const std::size_t end = std::min(records.size(), first + kChunkFill);
    std::vector<TvomRecord*>& chunk = chunks_[c];
    chunk.reserve(kChunkMax);
    chunk.assign(records.begin() + static_cast<std::ptrdiff_t>(first),
                 records.begin() + static_cast<std::ptrdiff_t>(end));
    starts_[c] = static_cast<Integer>(first);
  }
  count_ = static_cast<Integer>(records.size());
  hint_ = 0;
}

std::uint64_t TvomRecordRefs::Stamp() const {
  static std::atomic<std::uint64_t> stamps{0};
  if (stamp_ == 0) stamp_ = stamps.fetch_add(1, std::memory_order_relaxed) + 1;
  return stamp_;
}
