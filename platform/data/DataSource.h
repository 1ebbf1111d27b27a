// platform/data/DataSource.h
//
// TDataSource: the meeting point of one dataset and the data links of the
// controls (and detail datasets) that show it. The dataset tells its data
// sources what happened; a source keeps the dataset's state as its own,
// passes every notification on to its links and fires its events:
//
//   OnStateChange  after every change of the dataset's state, once the new
//                  state is set (for an insert: before OnNewRecord runs)
//   OnDataChange   after a field changed (with that field), the record or
//                  the record set changed, or the dataset scrolled (with no
//                  field)
//   OnUpdateData   when the dataset asks for pending control values (before
//                  a post)
//
// A disabled source (Enabled false) reports dsInactive to its links.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/data/FieldTypes.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"

class TDataLink;
class TDataSet;
class TField;

using TDataChangeEvent = std::function<void(TObject* Sender, TField* Field)>;

class TDataSource : public TComponent {
  ZORVET_CLASS_NAME(TDataSource)

 public:
  explicit TDataSource(TComponent* owner);
  // Detaches its links and its dataset.
  ~TDataSource() override;

  TDataSet* DataSet() const { return data_set_; }
  // EDatabaseError when `value` takes its master from this source
  // (a circular link).
  void SetDataSet(TDataSet* value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // Whether Edit (and controls through it) may put the dataset in dsEdit.
  bool AutoEdit() const { return auto_edit_; }
  void SetAutoEdit(bool value) { auto_edit_ = value; }
  // The dataset's state as last announced (dsInactive without a dataset or
  // while disabled).
  TDataSetState State() const { return state_; }

  // Puts a browsing dataset in dsEdit when AutoEdit allows.
  void Edit();
  // Whether `dataSet` is this source's dataset or takes its master from it.
  bool IsLinkedTo(TDataSet* dataSet) const;

  TNotifyEvent OnStateChange;
  TDataChangeEvent OnDataChange;
  TNotifyEvent OnUpdateData;

  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TDataSet;
  friend class TDataLink;

  void AddDataLink(TDataLink* link);
  void RemoveDataLink(TDataLink* link);
  // The dataset's notification: `visual` false while its controls are
  // disabled, when only the non-visual links hear of it.
  void DataEvent(TDataEvent event, std::intptr_t info, bool visual);
  void UpdateState();
  void NotifyLinks(TDataEvent event, std::intptr_t info, bool visual);
  // The state the links should see.
  TDataSetState LinkState() const;

  TDataSet* data_set_ = nullptr;
  bool enabled_ = true;
  bool auto_edit_ = true;
  TDataSetState state_ = dsInactive;
  std::vector<TDataLink*> links_;
};
