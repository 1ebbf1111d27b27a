// app/Startup.cpp
#include "app/Startup.h"

#include "app/DmZorvet.h"
#include "app/MnFrm.h"
#include "catalog/FindFile.h"
#include "catalog/TableList.h"
#include "catalog/VolumeInformation.h"
#include "memtable/BinaryStreamFormat.h"
#include "memtable/CsvStreamFormat.h"
#include "memtable/MemTable.h"
#include "platform/controls/Application.h"
#include "platform/controls/Dialogs.h"
#include "platform/controls/ListView.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/Thread.h"
#include "platform/win/Message.h"
#include "platform/win/WinMessages.h"
#include "ui/DateUtil.h"
#include "ui/PickButton.h"
#include "ui/Placemnt.h"
#include "ui/ZxCursors.h"
#include "ui/ZxHook.h"
#include "ui/slDBTree.h"
#include "ui/slTree.h"
#include "ui/zAPIBalloon.h"

void DeclareZorvetProperties() {
  DeclareMemTableProperties();
  DeclareCsvStreamFormatProperties();
  DeclareBinaryStreamFormatProperties();
  InitializeTableList();
  DeclareFindFileProperties();
  DeclareVolumeInformationProperties();
  DeclareslTreeProperties();
  DeclareslDBTreeProperties();
  // The main window stores its lists' view styles.
  DeclareListViewProperties();
}

std::vector<TModuleInit> ZorvetModules() {
  return {
      ControlsModule(),
      DateUtil::DateUtilModule(),
      ZxCursorsModule(),
      ZxHookModule(),
      PlacemntModule(),
      slTreeModule(),
      PickButtonModule(),
      zAPIBalloonModule(),
      TModuleInit{"Published properties", [] { DeclareZorvetProperties(); }, nullptr},
  };
}

void WireSynchronize() {
  // The wake-up comes from the synchronising thread: posting is thread-safe,
  // and the empty message ends the loop's wait so that its idle step runs.
  const HWND target = Application->Handle();
  SetWakeMainThread([target] { PostMessage(target, WM_NULL, 0, 0); });
  TIdleEvent previous = Application->OnIdle;
  Application->OnIdle = [previous](TObject* sender, bool& done) {
    if (previous) previous(sender, done);
    CheckSynchronize();
  };
}

void UnwireSynchronize() {
  SetWakeMainThread(nullptr);
  // Methods still waiting run now, so their threads are not left blocked.
  CheckSynchronize();
}

TZorvetProgram::TZorvetProgram(const String& catalogueFolder)
    : folder_(catalogueFolder.empty() ? ExecutableFolder() : catalogueFolder) {}

TZorvetProgram::~TZorvetProgram() {
  delete main_form_;
  delete data_module_;
  lock_.Release();
}

bool TZorvetProgram::Start() {
  if (!lock_.Acquire(folder_)) {
    MessageDlg(lock_.Error(), mtError, TMsgDlgButtons{mbOK});
    return false;
  }
  Application->Initialize();
  Application->SetTitle("Zorvet");
  data_module_ = new TDmZorvet(nullptr, folder_);
  main_form_ = new TMnFrm(nullptr, data_module_);
  Application->SetMainForm(main_form_);
  return true;
}
