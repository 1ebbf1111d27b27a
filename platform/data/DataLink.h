// platform/data/DataLink.h
//
// TDataLink: how a control (or a detail dataset) follows a dataset through a
// data source. A descendant overrides the notifications it cares about:
//
//   ActiveChanged      the dataset opened or closed (or the link changed source)
//   DataSetChanged     the record set changed (open, refresh, post, ...);
//                      the base calls RecordChanged(nullptr)
//   DataSetScrolled    the current record moved within the ring; the base
//                      calls DataSetChanged
//   RecordChanged      a field (or, for nullptr, the whole current record) changed
//   LayoutChanged      fields were added, removed or rearranged; the base
//                      calls DataSetChanged
//   EditingChanged     the dataset entered or left an editing state
//   UpdateData         write the control's pending value to its field
//   CheckBrowseMode    the dataset is about to leave an editing state
//   FocusControl       a field asks its control for the focus
//
// Each link looks at a window of BufferCount records of the dataset's ring
// (a grid shows several, most controls one); the dataset keeps at least as
// many buffers as its largest link asks for.
//
// A visual link (VisualControl) is silenced by the dataset's DisableControls;
// a non-visual one is not.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/data/FieldTypes.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Persistent.h"

class TDataSet;
class TDataSource;
class TField;

class TDataLink : public TPersistent {
  ZORVET_CLASS_NAME(TDataLink)

 public:
  TDataLink() = default;
  // Leaves its data source.
  ~TDataLink() override;

  TDataSource* DataSource() const { return data_source_; }
  void SetDataSource(TDataSource* value);
  TDataSet* DataSet() const;
  // Whether the source has an open dataset.
  bool Active() const { return active_; }
  // Whether the dataset is in an editing state (and the link not read-only).
  bool Editing() const { return editing_; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value);
  bool VisualControl() const { return visual_control_; }
  void SetVisualControl(bool value) { visual_control_ = value; }

  // The link's window over the dataset's ring.
  Integer BufferCount() const { return buffer_count_; }
  void SetBufferCount(Integer value);
  // The active record's position in the window.
  Integer ActiveRecord() const;
  // Makes the record at that window position the dataset's active record.
  void SetActiveRecord(Integer value);
  // Records in the window.
  Integer RecordCount() const;

  // Puts the dataset in dsEdit through the source (AutoEdit permitting);
  // returns Editing.
  bool Edit();
  // Writes the control's pending value (UpdateData) without hearing of the
  // resulting field change itself.
  void UpdateRecord();
  Integer MoveBy(Integer distance);

 protected:
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(Integer distance) {
    (void)distance;
    DataSetChanged();
  }
  virtual void EditingChanged() {}
  virtual void FocusControl(TField** field) { (void)field; }
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* field) { (void)field; }
  virtual void UpdateData() {}
  // Dispatches a notification to the steps above.
  virtual void DataEvent(TDataEvent event, std::intptr_t info);

 private:
  friend class TDataSource;
  friend class TDataSet;

  void UpdateState();
  void SetActive(bool value);
  void SetEditing(bool value);
  // Keeps the active record inside the window; returns how far the window
  // moved forward.
  Integer UpdateRange(Integer shift);

  TDataSource* data_source_ = nullptr;
  Integer first_record_ = 0;
  Integer buffer_count_ = 1;
  bool active_ = false;
  bool editing_ = false;
  bool read_only_ = false;
  bool updating_ = false;
  bool visual_control_ = false;
};

// The link of a detail dataset to its master: it resolves FieldNames in the
// master and reports OnMasterChange when the master moves or one of those
// fields changes, and OnMasterDisable when the master closes (or the link
// loses its fields).
class TMasterDataLink : public TDataLink {
  ZORVET_CLASS_NAME(TMasterDataLink)

 public:
  // `detail` is the dataset that follows the master.
  explicit TMasterDataLink(TDataSet* detail) : detail_(detail) {}

  TDataSet* DetailDataSet() const { return detail_; }
  // The master's link fields, ';'-separated.
  const String& FieldNames() const { return field_names_; }
  void SetFieldNames(const String& value);
  // The master's fields named by FieldNames (resolved while active).
  const std::vector<TField*>& Fields() const { return fields_; }

  // Sender: the link.
  TNotifyEvent OnMasterChange;
  TNotifyEvent OnMasterDisable;

 protected:
  void ActiveChanged() override;
  void CheckBrowseMode() override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;

 private:
  TDataSet* detail_;
  String field_names_;
  std::vector<TField*> fields_;
};
