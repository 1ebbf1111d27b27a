// ui/slDBTreePlace.h
//
// Helpers the data-bound tree uses around its own moves of the dataset:
// keeping the current record and keeping the dataset's controls quiet.
// Internal to ui/.
#pragma once

#include "platform/data/DataSet.h"

// Disables the dataset's controls unless they already are, and enables them
// again when it goes (on every way out).
class TControlsOff {
 public:
  explicit TControlsOff(TDataSet* dataSet) : ds_(dataSet), disabled_(!dataSet->ControlsDisabled()) {
    if (disabled_) ds_->DisableControls();
  }
  ~TControlsOff() {
    if (disabled_) ds_->EnableControls();
  }
  TControlsOff(const TControlsOff&) = delete;
  TControlsOff& operator=(const TControlsOff&) = delete;

 private:
  TDataSet* ds_;
  bool disabled_;
};

// Disables the dataset's controls unless they already are and marks the
// current record; the destructor goes back to it and enables the controls
// again, on every way out.
class TKeepPlace {
 public:
  explicit TKeepPlace(TDataSet* dataSet)
      : controls_(dataSet), ds_(dataSet), bookmark_(dataSet->GetBookmark()) {}
  ~TKeepPlace() {
    if (!bookmark_.Empty() && ds_->BookmarkValid(bookmark_)) ds_->GotoBookmark(bookmark_);
    ds_->FreeBookmark(bookmark_);
  }
  TKeepPlace(const TKeepPlace&) = delete;
  TKeepPlace& operator=(const TKeepPlace&) = delete;

 private:
  // First member, so the controls come back on only after the dataset is
  // back at its record.
  TControlsOff controls_;
  TDataSet* ds_;
  TBookmark bookmark_;
};
