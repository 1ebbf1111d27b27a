// platform/controls/DataModule.cpp
#include "platform/controls/DataModule.h"

#include "platform/controls/Application.h"
#include "platform/controls/Screen.h"

TDataModule::TDataModule(TComponent* owner) : TComponent(owner) {
  if (Screen) Screen->AddDataModule(this);
}

TDataModule::~TDataModule() {
  if (Screen) Screen->RemoveDataModule(this);
  // The handler still finds every component of the module.
  Destroying();
  DoDestroy();
}

void TDataModule::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TDataModule::DoDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (!OnDestroy) return;
  try {
    OnDestroy(this);
  } catch (...) {
    HandleApplicationException(this);
  }
}
