// memtable/SerialIndex.cpp
#include "memtable/SerialIndex.h"

void TvomSerialIndex::Set(Integer serial, TvomRecord* record) {
  const auto page_no = static_cast<std::size_t>(serial) >> kPageBits;
  if (page_no >= pages_.size()) {
    if (record == nullptr) return;
    pages_.resize(page_no + 1);
  }
  std::unique_ptr<Page>& page = pages_[page_no];
  if (!page) {
    if (record == nullptr) return;
    page = std::make_unique<Page>();
  }
  TvomRecord*& slot = page->slots[static_cast<std::size_t>(serial) & kPageMask];
  page->live += (record != nullptr) - (slot != nullptr);
  slot = record;
  if (page->live == 0) page.reset();
}
