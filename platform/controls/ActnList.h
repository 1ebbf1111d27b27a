// platform/controls/ActnList.h
//
// Actions: one command (its caption, hint, image, enabled and checked
// state, and what it does) shared by every control that offers it.
//   TBasicAction runs OnExecute and asks OnUpdate to bring its state up to
//     date; it tells its clients (action links) when it changes.
//   TCustomAction / TAction carry the state controls show.
//   TActionList holds the actions of a form; its own OnExecute / OnUpdate
//     see every action first and may handle it.
// A control follows an action through a link (TControl::SetAction): its
// caption, hint, enabled and visible state change with the action's, and a
// click without an OnClick of its own executes the action. While the
// program is idle every action list updates its actions, so an OnUpdate
// keeps buttons and menu items enabled as the program's state allows.
#pragma once

#include <functional>
#include <vector>

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"

class TBasicAction;
class TCustomActionList;

// Something that follows an action; Change is called whenever it changes.
class TBasicActionLink : public TObject {
 public:
  explicit TBasicActionLink(TObject* client) : client_(client) {}
  ~TBasicActionLink() override;
  TBasicActionLink(const TBasicActionLink&) = delete;
  TBasicActionLink& operator=(const TBasicActionLink&) = delete;

  TBasicAction* Action() const { return action_; }
  void SetAction(TBasicAction* value);
  TObject* Client() const { return client_; }
  // Runs the action for the client; false when nothing ran.
  bool Execute();
  virtual void Change() {
    if (OnChange) OnChange(this);
  }

  TNotifyEvent OnChange;

 private:
  TObject* client_;
  TBasicAction* action_ = nullptr;
};

class TBasicAction : public TComponent {
  ZORVET_CLASS_NAME(TBasicAction)

 public:
  explicit TBasicAction(TComponent* owner);
  ~TBasicAction() override;

  // Runs OnExecute; false when there is none.
  virtual bool Execute();
  // Runs OnUpdate; false when there is none.
  virtual bool Update();
  // The control or menu item that ran the action last (set during Execute).
  TObject* ActionComponent() const { return action_component_; }
  void SetActionComponent(TObject* value) { action_component_ = value; }

  TNotifyEvent OnExecute, OnUpdate;

 protected:
  // Tells every client that the action changed.
  void Change();

 private:
  friend class TBasicActionLink;
  std::vector<TBasicActionLink*> clients_;
  TObject* action_component_ = nullptr;
};

class TContainedAction : public TBasicAction {
  ZORVET_CLASS_NAME(TContainedAction)

 public:
  using TBasicAction::TBasicAction;
  ~TContainedAction() override;

  TCustomActionList* ActionList() const { return action_list_; }
  void SetActionList(TCustomActionList* value);
  const String& Category() const { return category_; }
  void SetCategory(const String& value);
  // The action's place in its list, -1 outside one.
  Integer Index() const;

  // The list's handlers first; the action's own when they leave it.
  bool Execute() override;
  bool Update() override;

 private:
  TCustomActionList* action_list_ = nullptr;
  String category_;
};

class TCustomAction : public TContainedAction {
  ZORVET_CLASS_NAME(TCustomAction)

 public:
  explicit TCustomAction(TComponent* owner);

  const String& Caption() const { return caption_; }
  void SetCaption(const String& value);
  const String& Hint() const { return hint_; }
  void SetHint(const String& value);
  Integer ImageIndex() const { return image_index_; }
  void SetImageIndex(Integer value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool Checked() const { return checked_; }
  // Checking an action of a GroupIndex above 0 unchecks the others of its
  // group in the same list.
  void SetChecked(bool value);
  Integer GroupIndex() const { return group_index_; }
  void SetGroupIndex(Integer value);
  bool AutoCheck() const { return auto_check_; }
  void SetAutoCheck(bool value) { auto_check_ = value; }

  // Brings the state up to date first; a disabled action does not run.
  bool Execute() override;

 private:
  String caption_, hint_;
  Integer image_index_ = -1;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  bool auto_check_ = false;
  Integer group_index_ = 0;
};

class TAction : public TCustomAction {
  ZORVET_CLASS_NAME(TAction)

 public:
  using TCustomAction::TCustomAction;
};

using TActionEvent = std::function<void(TBasicAction* Action, bool& Handled)>;

enum TActionListState { asNormal, asSuspended };

class TCustomActionList : public TComponent {
  ZORVET_CLASS_NAME(TCustomActionList)

 public:
  explicit TCustomActionList(TComponent* owner);
  ~TCustomActionList() override;

  Integer ActionCount() const { return static_cast<Integer>(actions_.size()); }
  TContainedAction* Actions(Integer index) const { return actions_.at(index); }
  // The image list the actions' ImageIndex refers to (not owned).
  TComponent* Images() const { return images_; }
  void SetImages(TComponent* value);
  // A suspended list neither executes nor updates its actions.
  TActionListState State() const { return state_; }
  void SetState(TActionListState value) { state_ = value; }

  // The list's handlers: true when they handled the action.
  virtual bool ExecuteAction(TBasicAction* action);
  virtual bool UpdateAction(TBasicAction* action);
  // Updates every action of the list (the idle step).
  void UpdateActions();

  void Notification(TComponent* component, TOperation operation) override;

  TActionEvent OnExecute, OnUpdate;

 private:
  friend class TContainedAction;
  std::vector<TContainedAction*> actions_;
  TComponent* images_ = nullptr;
  TActionListState state_ = asNormal;
};

class TActionList : public TCustomActionList {
  ZORVET_CLASS_NAME(TActionList)

 public:
  using TCustomActionList::TCustomActionList;
};

// Updates the actions of every action list of the process; the
// application's idle step calls it.
void UpdateActionListsOnIdle();
