// platform/controls/DataModule.h
//
// TDataModule: a container of non-visual components (tables, data sources,
// image lists) that forms share. Like a form it is built in code and then
// told DoCreate, which fires OnCreate; freeing it fires OnDestroy before
// its components go. Every data module is listed in Screen->DataModules
// while it exists.
#pragma once

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"

class TDataModule : public TComponent {
  ZORVET_CLASS_NAME(TDataModule)

 public:
  explicit TDataModule(TComponent* owner);
  ~TDataModule() override;

  // Fires OnCreate; the code that built the module calls it once it is complete.
  void DoCreate();
  // Fires OnDestroy (once); the destructor calls it when the owner did not.
  void DoDestroy();

  TNotifyEvent OnCreate, OnDestroy;

 private:
  bool destroyed_ = false;
};
