// platform/data/DataSetNavigation.cpp
//
// Cursor moves over the ring (First, Next, MoveBy, ...) and bookmarks.
#include "platform/data/DataSet.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "platform/data/DataLink.h"
#include "platform/data/DataMessages.h"
#include "platform/data/DataSource.h"
#include "platform/data/Fields.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"

// --- navigation ------------------------------------------------------------------

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  {
    TScopeExit done([this] {
      bof_ = true;
      DataEvent(deDataSetChange, 0);
    });
    InternalFirst();
    GetNextRecord();
    GetNextRecords();
  }
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  {
    TScopeExit done([this] {
      eof_ = true;
      DataEvent(deDataSetChange, 0);
    });
    InternalLast();
    GetPriorRecord();
    GetPriorRecords();
  }
  DoAfterScroll();
}

Integer TDataSet::MoveBy(Integer distance) {
  CheckBrowseMode();
  FillRing();
  Integer moved = 0;
  DoBeforeScroll();
  if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
    bof_ = eof_ = false;
    const Integer oldCount = record_count_;
    Integer shift = 0;  // how far the ring's indexes moved
    {
      TScopeExit announce([&] {
        if (record_count_ != oldCount || std::abs(shift) > buffer_count_)
          DataEvent(deDataSetChange, 0);
        else
          DataEvent(deDataSetScroll, shift);
      });
      while (distance > 0) {
        if (active_record_ < record_count_ - 1) {
          ++active_record_;
        } else {
          const bool rotates = record_count_ >= buffer_count_;
          if (!GetNextRecord()) {
            eof_ = true;
            break;
          }
          if (rotates) --shift;
          active_record_ = record_count_ - 1;
        }
        --distance;
        ++moved;
      }
      while (distance < 0) {
        if (active_record_ > 0) {
          --active_record_;
        } else {
          if (!GetPriorRecord()) {
            bof_ = true;
            break;
          }
          ++shift;
          active_record_ = 0;
        }
        ++distance;
        --moved;
      }
    }
    DoAfterScroll();
  }
  return moved;
}

bool TDataSet::FindFirst() {
  return FindRecord(true, true);
}
bool TDataSet::FindLast() {
  return FindRecord(true, false);
}
bool TDataSet::FindNext() {
  return FindRecord(false, true);
}
bool TDataSet::FindPrior() {
  return FindRecord(false, false);
}

bool TDataSet::FindRecord(bool, bool) {
  found_ = false;
  return false;
}

// --- bookmarks ---------------------------------------------------------------------

bool TDataSet::BookmarkAvailable() {
  return Active() && state_ != dsInsert && !IsEmpty() && bookmark_size_ > 0 &&
         GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() {
  if (!BookmarkAvailable()) return TBookmark();
  std::vector<Byte> data(static_cast<std::size_t>(bookmark_size_), 0);
  GetBookmarkData(ActiveBuffer(), data.data());
  return TBookmark(data.data(), data.size());
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.Empty()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(bookmark.Data());
  ResyncMoved();
  DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark&) {
  return false;
}

Integer TDataSet::CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) {
  if (bookmark1.Empty() || bookmark2.Empty()) {
    if (bookmark1.Empty() && bookmark2.Empty()) return 0;
    return bookmark1.Empty() ? -1 : 1;
  }
  if (bookmark1 == bookmark2) return 0;
  const std::size_t n = std::min(bookmark1.Size(), bookmark2.Size());
  const int c = std::memcmp(bookmark1.Data(), bookmark2.Data(), n);
  if (c != 0) return c < 0 ? -1 : 1;
  return bookmark1.Size() < bookmark2.Size() ? -1 : 1;
}

// --- reading every record ------------------------------------------------------------

void TDataSet::ReadRecords(const std::function<bool()>& visit) {
  CheckActive();
  DisableControls();
  TBookmark place = GetBookmark();
  TScopeExit back([&] {
    // The walk changed no record, so the bookmark still names one; a
    // dataset that refuses it all the same leaves the walk's last record
    // current rather than an error thrown from the way out.
    if (!place.Empty()) {
      try {
        GotoBookmark(place);
      } catch (const Exception&) {
      }
    }
    FreeBookmark(place);
    EnableControls();
  });
  for (First(); !Eof(); Next())
    if (!visit()) break;
}
