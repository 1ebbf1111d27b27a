// tests/ui/PlacemntTest.cpp
#include "ui/Placemnt.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/controls/Label.h"
#include "platform/controls/Panel.h"
#include "platform/controls/Screen.h"
#include "platform/controls/StatusBar.h"
#include "platform/controls/StdCtrls.h"
#include "platform/controls/Timer.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/RegistryClasses.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Writer.h"
#include "platform/win/Menu.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowSystem.h"
#include "tests/rtl/ScopedEnv.h"
#include "tests/rtl/TempFolder.h"
#include "ui/ZxAppUtils.h"
#include "ui/ZxHook.h"
#include "ui/ZxStrUtils.h"

namespace {

class TDemoFrm : public TForm {
  ZORVET_CLASS_NAME(TDemoFrm)

 public:
  using TForm::TForm;
};

constexpr const char* kIni = "Demo.ini";
constexpr const char* kSection = "TDemoFrm";

class PlacemntTest : public ::testing::Test {
 protected:
  PlacemntTest() {
    env_.Set("XDG_CONFIG_HOME", temp_.File("config").c_str());
    InitializeModules({ControlsModule(), ZxHookModule(), PlacemntModule()});
  }
  ~PlacemntTest() override {
    owner_.reset();
    FinalizeModules();
  }

  // A form with a panel, a label, a timer, a check box and a status bar,
  // built as a stored definition would be, with a form storage on it.
  TDemoFrm* MakeForm(const std::function<void(TFormStorage*)>& setup = nullptr) {
    auto* form = new TDemoFrm(owner_.get());
    BeginLoading(form);
    form->SetName("Form1");
    form->SetBounds(100, 80, 400, 300);
    auto* panel = new TPanel(form);
    panel->SetName("Panel1");
    panel->SetParent(form);
    auto* label = new TLabel(form);
    label->SetName("Label1");
    label->SetParent(form);
    auto* timer = new TTimer(form);
    timer->SetName("Timer1");
    auto* box = new TCheckBox(form);
    box->SetName("CheckBox1");
    box->SetParent(form);
    auto* bar = new TStatusBar(form);
    bar->SetName("StatusBar1");
    bar->SetParent(form);
    storage_ = new TFormStorage(form);
    storage_->SetName("FormStorage1");
    storage_->SetIniFileName(kIni);
    for (const char* line : {"Panel1.Width", "Label1.Caption", "Timer1.Interval", "Timer1.Enabled",
                             "CheckBox1.Checked", "StatusBar1.Panels"})
      storage_->StoredProps()->Add(line);
    if (setup) setup(storage_);
    EndLoading(form);
    return form;
  }
  template <class T>
  T* Find(TComponent* form, const char* name) {
    return dynamic_cast<T*>(form->FindComponent(name));
  }
  String Stored(const String& ident, const String& section = kSection) {
    return TIniFile(kIni).ReadString(section, ident, "<none>");
  }
  void Store(const String& ident, const String& value, const String& section = kSection) {
    TIniFile(kIni).WriteString(section, ident, value);
  }
  // The ini file's raw text.
  String IniText() {
    std::ifstream in(TIniFile(kIni).NativeFileName());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  RECT Bounds(TCustomForm* form) { return form->BoundsRect(); }
  void Pump() { Application->ProcessMessages(); }

  TempFolder temp_;
  ScopedEnv env_;
  TWindowSystem system_;
  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(nullptr);
  TFormStorage* storage_ = nullptr;
};

TEST_F(PlacemntTest, DefaultsFollowTheOwnerAndTheExecutable) {
  TDemoFrm* form = MakeForm([](TFormStorage* s) { s->SetIniFileName(""); });
  EXPECT_EQ(storage_->Options(), (TPlacementOptions{fpState, fpPosition}));
  EXPECT_EQ(storage_->IniSection(), "TDemoFrm");
  const String exe = ExtractFileName(Application->ExeName());
  EXPECT_EQ(storage_->IniFileName(), ChangeFileExt(exe, ".INI"));
  storage_->SetUseRegistry(true);
  EXPECT_EQ(storage_->IniFileName(), "Software\\" + ChangeFileExt(exe, ""));

  ZxAppUtils::DefCompanyName = "Ternmark";
  Application->SetTitle("Zorvet");
  ZxAppUtils::RegUseAppTitle = true;
  EXPECT_EQ(ZxAppUtils::DefaultRegistryKey(), "Software\\Ternmark\\Zorvet");
  ZxAppUtils::DefCompanyName.clear();
  ZxAppUtils::RegUseAppTitle = false;

  EXPECT_EQ(ZxAppUtils::DefaultIniSection(Find<TPanel>(form, "Panel1")), "TDemoFrmPanel1");
  EXPECT_EQ(ZxAppUtils::DefaultIniSection(Find<TTimer>(form, "Timer1")), "TDemoFrm.Timer1");
  EXPECT_EQ(ZxAppUtils::DefaultIniSection(nullptr), "");
  auto* loose = new TPanel(owner_.get());
  loose->SetName("Loose");
  EXPECT_EQ(ZxAppUtils::DefaultIniSection(loose), "Loose");
  EXPECT_EQ(TFormPlacement(nullptr).Options(), TPlacementOptions());
}

TEST_F(PlacemntTest, StoredPropertiesOfTheControlsRoundTripThroughAnIniFileAndTheRegistry) {
  for (bool registry : {false, true}) {
    auto setup = [registry](TFormStorage* s) {
      s->SetUseRegistry(registry);
      if (registry) s->SetIniFileName("Software\\Zorvet");
    };
    TDemoFrm* form = MakeForm(setup);
    form->Show();  // nothing stored yet: the form keeps its looks
    EXPECT_EQ(Find<TPanel>(form, "Panel1")->Width(), 185);
    Find<TPanel>(form, "Panel1")->SetWidth(222);
    Find<TLabel>(form, "Label1")->SetCaption("Discs and 'quotes'");
    Find<TTimer>(form, "Timer1")->SetInterval(2000);
    Find<TTimer>(form, "Timer1")->SetEnabled(false);
    Find<TCheckBox>(form, "CheckBox1")->SetChecked(true);
    TStatusPanels* panels = Find<TStatusBar>(form, "StatusBar1")->Panels();
    panels->Add()->SetText("one");
    panels->Add()->SetWidth(120);
    form->Close();
    delete form;

    form = MakeForm(setup);
    form->Show();
    EXPECT_EQ(Find<TPanel>(form, "Panel1")->Width(), 222) << registry;
    EXPECT_EQ(Find<TLabel>(form, "Label1")->Caption(), "Discs and 'quotes'") << registry;
    EXPECT_EQ(Find<TTimer>(form, "Timer1")->Interval(), 2000u) << registry;
    EXPECT_FALSE(Find<TTimer>(form, "Timer1")->Enabled()) << registry;
    EXPECT_TRUE(Find<TCheckBox>(form, "CheckBox1")->Checked()) << registry;
    panels = Find<TStatusBar>(form, "StatusBar1")->Panels();
    ASSERT_EQ(panels->Count(), 2) << registry;
    EXPECT_EQ(panels->Items(0)->Text(), "one");
    EXPECT_EQ(panels->Items(1)->Width(), 120);
    delete form;
  }
  // The ini file holds the idents the form's section is known by.
  EXPECT_EQ(Stored("Panel1_Width"), "222");
  EXPECT_EQ(Stored("Timer1_Interval"), "2000");
  EXPECT_EQ(Stored("CheckBox1_Checked"), "True");
  EXPECT_EQ(Stored("Count", "TDemoFrm.StatusBar1_Panels"), "2");
  TRegIniFile reg("Software\\Zorvet", KEY_READ);
  EXPECT_EQ(reg.ReadString(kSection, "Panel1_Width", ""), "222");
}

TEST_F(PlacemntTest, AValueInQuotesIsWrappedOnceMoreInTheIniFileAndReadsBackAsItWas) {
  for (const char* caption : {"'single'", "\"double\"", "\"", "'mixed\""}) {
    TDemoFrm* form = MakeForm();
    form->Show();
    Find<TLabel>(form, "Label1")->SetCaption(caption);
    form->Close();
    delete form;
    const bool wrapped = String(caption) != "'mixed\"";
    EXPECT_EQ(IniText().find(String("Label1_Caption=") + (wrapped ? "\"" : "") + caption +
                             (wrapped ? "\"" : "") + "\r\n") != String::npos,
              true)
        << caption;
    form = MakeForm();
    form->Show();
    EXPECT_EQ(Find<TLabel>(form, "Label1")->Caption(), caption);
    delete form;
  }
}

TEST_F(PlacemntTest, SavingWritesThePlacementIdentsWithAndWithoutTheScreenSize) {
  TDemoFrm* form = MakeForm();
  form->Show();
  form->SetBounds(120, 90, 500, 350);
  form->Close();
  EXPECT_EQ(Stored("FormVersion"), "0");
  EXPECT_EQ(Stored("ShowCmd"), "1");
  EXPECT_EQ(Stored("PixelsPerInch"), "96");
  EXPECT_EQ(Stored("NormPos(1024x768)"), "120,90,620,440");
  EXPECT_EQ(Stored("NormPos"), "120,90,620,440");
  EXPECT_EQ(Stored("MinMaxPos(1024x768)"), Stored("MinMaxPos"));
  EXPECT_EQ(Stored("Visible"), "0");
  // The idents in the order they were written.
  const String text = IniText();
  std::size_t last = 0;
  for (const char* ident :
       {"FormVersion=", "Flags=", "ShowCmd=", "PixelsPerInch=", "MinMaxPos(1024x768)=",
        "MinMaxPos=", "NormPos(1024x768)=", "NormPos=", "Visible=", "Panel1_Width="}) {
    const std::size_t at = text.find(ident);
    ASSERT_NE(at, String::npos) << ident;
    EXPECT_GT(at, last) << ident;
    last = at;
  }
  delete form;
}

TEST_F(PlacemntTest, EachShowCommandRestoresItsState) {
  // The form is not the main form: minimised means minimised.
  auto* main = new TDemoFrm(owner_.get());
  Application->SetMainForm(main);
  struct Case {
    int showCmd;
    TWindowState state;
  } cases[] = {{SW_HIDE, wsNormal},
               {SW_SHOWNORMAL, wsNormal},
               {SW_SHOWMINIMIZED, wsMinimized},
               {SW_SHOWMAXIMIZED, wsMaximized},
               {SW_SHOWNOACTIVATE, wsNormal},
               {SW_SHOW, wsNormal},
               {SW_MINIMIZE, wsMinimized},
               {SW_SHOWMINNOACTIVE, wsMinimized},
               {SW_SHOWNA, wsNormal},
               {SW_RESTORE, wsNormal},
               {SW_SHOWDEFAULT, wsNormal},
               {SW_FORCEMINIMIZE, wsNormal},
               {42, wsNormal}};
  for (const Case& c : cases) {
    Store("ShowCmd", IntToStr(c.showCmd));
    Store("NormPos", "30,40,530,440");
    TDemoFrm* form = MakeForm();
    form->Show();
    EXPECT_EQ(form->WindowState(), c.state) << c.showCmd;
    ShowWindow(form->Handle(), SW_SHOWNORMAL);
    EXPECT_EQ(Bounds(form), (RECT{30, 40, 530, 440})) << c.showCmd;
    delete form;
  }
}

TEST_F(PlacemntTest, AMaximisedFormIsSavedMaximisedWithItsNormalRectangle) {
  TDemoFrm* form = MakeForm();
  form->Show();
  form->SetBounds(50, 60, 300, 200);
  form->SetWindowState(wsMaximized);
  form->Close();
  delete form;
  EXPECT_EQ(Stored("ShowCmd"), "3");
  EXPECT_EQ(Stored("NormPos"), "50,60,350,260");
  form = MakeForm();
  form->Show();
  EXPECT_EQ(form->WindowState(), wsMaximized);
  form->SetWindowState(wsNormal);
  EXPECT_EQ(Bounds(form), (RECT{50, 60, 350, 260}));
  delete form;
}

TEST_F(PlacemntTest, AMainFormClosedMinimisedComesBackNormalAndTheApplicationMinimises) {
  TDemoFrm* form = MakeForm();
  Application->SetMainForm(form);
  form->Show();
  Application->Minimize();
  EXPECT_TRUE(storage_->IsRestored());
  storage_->SaveFormPlacement();
  EXPECT_EQ(Stored("ShowCmd"), "2");
  Application->Restore();
  delete form;

  form = MakeForm();
  Application->SetMainForm(form);
  form->Show();
  EXPECT_EQ(form->WindowState(), wsNormal);
  EXPECT_FALSE(IsIconic(Application->Handle()));
  Pump();
  EXPECT_TRUE(IsIconic(Application->Handle()));
  Application->SetMainForm(nullptr);
  delete form;
}

TEST_F(PlacemntTest, PositionsOfAnotherResolutionAreDiscardedButTheStateIsKept) {
  Store("NormPos", "30,40,530,440");
  Store("ShowCmd", "3");
  Store("PixelsPerInch", "120");
  TDemoFrm* form = MakeForm();
  form->Show();
  EXPECT_EQ(form->WindowState(), wsMaximized);
  form->SetWindowState(wsNormal);
  EXPECT_EQ(Bounds(form), (RECT{100, 80, 500, 380}));
  delete form;
}

TEST_F(PlacemntTest, TheSizedIdentOfThisScreenWinsAndAnotherScreensIsIgnored) {
  Store("NormPos(800x600)", "1,2,301,202");
  Store("NormPos", "30,40,530,440");
  TDemoFrm* form = MakeForm();
  form->Show();
  EXPECT_EQ(Bounds(form), (RECT{30, 40, 530, 440}));
  delete form;
  Store("NormPos(1024x768)", "60,70,460,370");
  form = MakeForm();
  form->Show();
  EXPECT_EQ(Bounds(form), (RECT{60, 70, 460, 370}));
  delete form;
}

TEST_F(PlacemntTest, AFormThatCannotBeResizedKeepsItsSize) {
  Store("NormPos", "30,40,900,700");
  TDemoFrm* form = MakeForm();
  form->SetBorderStyle(bsSingle);
  form->Show();
  EXPECT_EQ(Bounds(form), (RECT{30, 40, 430, 340}));
  delete form;
}

TEST_F(PlacemntTest, AStoredPlacementOutOfReachComesBackOnTheScreenWithTheDesignedSize) {
  // Wholly off the screen, and with a stored height of less than nothing.
  Store("NormPos", "-6000,-6000,-5500,-6100");
  TDemoFrm* form = MakeForm();
  form->Show();
  EXPECT_EQ(Bounds(form), (RECT{0, 0, 500, 300}));
  delete form;
}

TEST_F(PlacemntTest, AnOlderStoredVersionRestoresNothingAndTheNextSaveWritesTheNewOne) {
  Store("FormVersion", "1");
  Store("NormPos", "30,40,530,440");
  Store("Panel1_Width", "99");
  auto setup = [](TFormStorage* s) { s->SetVersion(2); };
  TDemoFrm* form = MakeForm(setup);
  form->Show();
  EXPECT_EQ(Bounds(form), (RECT{100, 80, 500, 380}));
  EXPECT_EQ(Find<TPanel>(form, "Panel1")->Width(), 185);
  form->Close();
  delete form;
  EXPECT_EQ(Stored("FormVersion"), "2");
  EXPECT_EQ(Stored("Panel1_Width"), "185");
  form = MakeForm(setup);
  form->Show();
  EXPECT_EQ(Bounds(form), (RECT{100, 80, 500, 380}));
  delete form;
}

TEST_F(PlacemntTest, NothingIsSavedBeforeARestoreAndDestructionSavesWhatCloseDidNot) {
  TDemoFrm* form = MakeForm();
  storage_->SaveFormPlacement();  // never restored: the stored settings are kept
  EXPECT_EQ(Stored("FormVersion"), "<none>");
  form->Show();
  delete form;  // no close: saved on the way out
  EXPECT_EQ(Stored("Visible"), "1");

  form = MakeForm();
  form->Show();
  form->Close();
  Store("Visible", "unchanged");
  delete form;  // saved by the close already
  EXPECT_EQ(Stored("Visible"), "unchanged");
}

TEST_F(PlacemntTest, ARefusedCloseSavesNothingAndTheFormsOwnHandlersStillRun) {
  TDemoFrm* form = MakeForm();
  int shows = 0;
  bool allow = false;
  // Handlers set after loading come after the placement's: chain them by hand.
  form->OnShow = [&shows, previous = form->OnShow](TObject* s) {
    previous(s);
    ++shows;
  };
  form->OnCloseQuery = [&allow, previous = form->OnCloseQuery](TObject* s, bool& can) {
    can = allow;
    previous(s, can);
  };
  form->Show();
  EXPECT_EQ(shows, 1);
  form->Close();
  EXPECT_EQ(Stored("FormVersion"), "<none>");
  allow = true;
  form->Close();
  EXPECT_EQ(Stored("FormVersion"), "0");
  delete form;
}

TEST_F(PlacemntTest, TheFormGetsItsHandlersBackWhenThePlacementGoes) {
  auto* form = new TDemoFrm(owner_.get());
  int shows = 0;
  form->OnShow = [&shows](TObject*) { ++shows; };
  BeginLoading(form);
  auto* placement = new TFormPlacement(form);
  placement->SetIniFileName(kIni);
  EndLoading(form);
  form->Show();
  EXPECT_EQ(shows, 1);
  EXPECT_TRUE(placement->IsRestored());
  delete placement;
  form->Hide();
  form->Show();
  EXPECT_EQ(shows, 2);
  delete form;
}

TEST_F(PlacemntTest, LinkedObjectsAreToldOfEverySaveAndLoadWhileLinked) {
  TDemoFrm* form = MakeForm();
  int saves = 0, loads = 0;
  auto link = std::make_unique<TIniLink>();
  link->OnSave = [&saves](TObject*) { ++saves; };
  link->OnLoad = [&loads](TObject*) { ++loads; };
  link->SetStorage(storage_);
  form->Show();
  form->Close();
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(saves, 1);
  link.reset();  // leaves the placement
  form->Show();
  EXPECT_EQ(loads, 1);
  auto survivor = std::make_unique<TIniLink>();
  survivor->SetStorage(storage_);
  delete form;  // the placement goes first: the link forgets it
  EXPECT_EQ(survivor->Storage(), nullptr);
}

TEST_F(PlacemntTest, TheActiveControlIsRestoredWithItsOption) {
  auto setup = [](TFormStorage* s) { s->SetOptions(s->Options() + fpActiveControl); };
  TDemoFrm* form = MakeForm(setup);
  form->Show();
  form->SetActiveControl(Find<TCheckBox>(form, "CheckBox1"));
  form->Close();
  delete form;
  EXPECT_EQ(Stored("ActiveControl"), "CheckBox1");
  form = MakeForm(setup);
  form->Show();
  EXPECT_EQ(form->ActiveControl(), Find<TCheckBox>(form, "CheckBox1"));
  delete form;
  Store("ActiveControl", "Timer1");  // not a windowed control
  form = MakeForm(setup);
  form->Show();
  EXPECT_EQ(form->ActiveControl(), nullptr);
  delete form;
}

TEST_F(PlacemntTest, AnotherRegistryRootKeepsItsOwnSettings) {
  auto setup = [](TPlacementRegRoot root) {
    return [root](TFormStorage* s) {
      s->SetUseRegistry(true);
      s->SetIniFileName("Software\\Zorvet");
      s->SetRegistryRoot(root);
    };
  };
  TDemoFrm* form = MakeForm(setup(prLocalMachine));
  form->Show();
  Find<TPanel>(form, "Panel1")->SetWidth(250);
  form->Close();
  delete form;
  TRegistry reg(KEY_READ);
  EXPECT_FALSE(reg.KeyExists("\\Software\\Zorvet"));
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(reg.KeyExists("\\Software\\Zorvet\\TDemoFrm"));

  form = MakeForm(setup(prCurrentUser));
  form->Show();
  EXPECT_EQ(Find<TPanel>(form, "Panel1")->Width(), 185);
  delete form;
  form = MakeForm(setup(prLocalMachine));
  form->Show();
  EXPECT_EQ(Find<TPanel>(form, "Panel1")->Width(), 250);
  delete form;
}

TEST_F(PlacemntTest, ADamagedCountReadsNoMoreThanTheSectionHolds) {
  Store("Count", "2000000000", "TDemoFrm.StatusBar1_Panels");
  Store("Item0_Text", "kept", "TDemoFrm.StatusBar1_Panels");
  TDemoFrm* form = MakeForm();
  form->Show();
  TStatusPanels* panels = Find<TStatusBar>(form, "StatusBar1")->Panels();
  ASSERT_LE(panels->Count(), 2);
  EXPECT_EQ(panels->Items(0)->Text(), "kept");
  delete form;
}

TEST_F(PlacemntTest, ListedComponentsThatGoLeaveTheList) {
  TDemoFrm* form = MakeForm();
  EXPECT_EQ(storage_->StoredProps()->Count(), 6);
  delete Find<TTimer>(form, "Timer1");
  EXPECT_EQ(storage_->StoredProps()->IndexOf("Timer1.Interval"), -1);
  EXPECT_EQ(storage_->StoredProps()->Count(), 4);
  delete form;
}

TEST_F(PlacemntTest, TheStoredDefinitionKeepsRenamedComponentsAndReadsBack) {
  TDemoFrm* form = MakeForm([](TFormStorage* s) {
    s->SetVersion(3);
    s->SetOptions(TPlacementOptions{fpActiveControl});
    s->MinMaxInfo()->SetMinTrackWidth(200);
    TStoredValue* value = s->StoredValues()->Add();
    value->SetName("LastDrive");
    value->SetKeyString("k");
  });
  Find<TPanel>(form, "Panel1")->SetName("Splitter1");
  TMemoryStream stream;
  {
    TWriter writer(&stream, 4096);
    writer.WriteRootComponent(storage_);
  }
  // The line follows the component's new name.
  EXPECT_EQ(storage_->StoredProps()->Strings(0), "Splitter1.Width");

  const String lines = storage_->StoredProps()->Text();
  delete form;
  // Read on a form of the same shape: the lines find its components.
  TDemoFrm* other = MakeForm();
  Find<TPanel>(other, "Panel1")->SetName("Splitter1");
  TFormStorage& copy = *new TFormStorage(other);
  stream.SetPosition(0);
  {
    TReader reader(&stream, 4096);
    reader.ReadRootComponent(&copy);
  }
  EXPECT_EQ(copy.StoredProps()->Objects(0), Find<TPanel>(other, "Splitter1"));
  EXPECT_EQ(copy.Version(), 3);
  EXPECT_EQ(copy.Options(), TPlacementOptions{fpActiveControl});
  EXPECT_EQ(copy.MinMaxInfo()->MinTrackWidth(), 200);
  EXPECT_EQ(copy.StoredIniFileName(), kIni);
  EXPECT_EQ(copy.StoredIniSection(), "");  // the default is not written
  EXPECT_EQ(copy.StoredProps()->Text(), lines);
  ASSERT_EQ(copy.StoredValues()->Count(), 1);
  EXPECT_EQ(copy.StoredValues()->Items(0)->Name(), "LastDrive");
  EXPECT_EQ(copy.StoredValues()->Items(0)->KeyString(), "k");
  delete other;
}

// ---- stored values ----

TEST_F(PlacemntTest, StoredValuesWithAKeyAreEncodedAndEventsMayChangeThem) {
  auto setup = [](TFormStorage* s) {
    TStoredValue* plain = s->StoredValues()->Add();
    plain->SetName("LastDrive");
    plain->SetValue(Variant(String("E:")));
    TStoredValue* secret = s->StoredValues()->Add();
    secret->SetName("Password");
    secret->SetKeyString("key");
    secret->SetValue(Variant(String("tiger")));
  };
  TDemoFrm* form = MakeForm(setup);
  TStoredValues* values = storage_->StoredValues();
  form->Show();
  values->StoredValue("lastdrive")->OnSave = [](TStoredValue*, Variant& v) {
    v = Variant(v.AsString() + "\\");
  };
  form->Close();
  delete form;
  EXPECT_EQ(Stored("LastDrive"), "E:\\");
  EXPECT_EQ(Stored("Password"), ZxStrUtils::XorEncode("key", "tiger"));
  EXPECT_EQ(IniText().find("tiger"), String::npos);

  form = MakeForm([](TFormStorage* s) {
    s->StoredValues()->Add()->SetName("LastDrive");
    TStoredValue* secret = s->StoredValues()->Add();
    secret->SetName("Password");
    secret->SetKeyString("key");
    secret->OnRestore = [](TStoredValue*, Variant& v) { v = Variant(v.AsString() + "!"); };
  });
  form->Show();
  values = storage_->StoredValues();
  EXPECT_EQ(values->StoredValue("LastDrive")->Value().AsString(), "E:\\");
  EXPECT_EQ(values->StoredValue("Password")->Value().AsString(), "tiger!");
  EXPECT_EQ(values->Items(1)->DisplayName(), "Password");
  EXPECT_THROW(values->Items(0)->SetName("PASSWORD"), EStringListError);
  EXPECT_THROW(values->StoredValue("Nothing"), EListError);
  delete form;
}

// ---- the window hook ----

class PlacemntHookTest : public PlacemntTest {
 protected:
  MINMAXINFO Ask(TCustomForm* form) {
    MINMAXINFO info{};
    info.ptMaxSize = POINT{1, 2};
    info.ptMaxPosition = POINT{3, 4};
    info.ptMinTrackSize = POINT{5, 6};
    info.ptMaxTrackSize = POINT{7, 8};
    SendMessage(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    return info;
  }
};

TEST_F(PlacemntHookTest, MinMaxInfoReplacesTheValuesItSets) {
  TDemoFrm* form = MakeForm([](TFormStorage* s) {
    s->MinMaxInfo()->SetMinTrackWidth(300);
    s->MinMaxInfo()->SetMaxTrackHeight(500);
    s->MinMaxInfo()->SetMaxPosLeft(11);
  });
  EXPECT_TRUE(storage_->HookActive());
  form->Show();
  MINMAXINFO info = Ask(form);
  EXPECT_EQ(info.ptMinTrackSize.x, 300);
  EXPECT_EQ(info.ptMaxTrackSize.y, 500);
  EXPECT_EQ(info.ptMaxPosition.x, 11);
  // What MinMaxInfo leaves at 0 is the window system's.
  EXPECT_EQ(info.ptMaxPosition.y, 4);
  EXPECT_EQ(info.ptMaxSize.x, 1);

  // Sizing follows the limits.
  form->SetBounds(0, 0, 100, 700);
  EXPECT_EQ(form->Width(), 300);
  EXPECT_EQ(form->Height(), 500);

  TWinMinMaxInfo none;
  storage_->SetMinMaxInfo(&none);
  EXPECT_FALSE(storage_->HookActive());
  info = Ask(form);
  EXPECT_EQ(info.ptMinTrackSize.x, 5);
  delete form;
}

TEST_F(PlacemntHookTest, PreventResizeHoldsTheSizeBordersAndSystemMenu) {
  TDemoFrm* form = MakeForm([](TFormStorage* s) { s->SetPreventResize(true); });
  form->Show();
  EXPECT_TRUE(storage_->HookActive());
  EXPECT_FALSE(form->BorderIcons().Contains(biMaximize));
  MINMAXINFO info = Ask(form);
  EXPECT_EQ(info.ptMinTrackSize.x, form->Width());
  EXPECT_EQ(info.ptMaxTrackSize.y, form->Height());

  RECT r;
  GetWindowRect(form->Handle(), &r);
  const LRESULT border =
      SendMessage(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(r.right - 1, (r.top + r.bottom) / 2));
  EXPECT_EQ(border, HTNOWHERE);
  const LRESULT client = SendMessage(form->Handle(), WM_NCHITTEST, 0,
                                     MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
  EXPECT_EQ(client, HTCLIENT);

  HMENU menu = GetSystemMenu(form->Handle(), FALSE);
  SendMessage(form->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, 1));
  EXPECT_TRUE(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_TRUE(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND) & MF_GRAYED);

  storage_->SetPreventResize(false);
  EXPECT_FALSE(storage_->HookActive());
  EXPECT_TRUE(form->BorderIcons().Contains(biMaximize));
  const LRESULT sizing =
      SendMessage(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(r.right - 1, (r.top + r.bottom) / 2));
  EXPECT_EQ(sizing, HTRIGHT);
  delete form;
}

TEST_F(PlacemntHookTest, WithoutLimitsTheMaximisedFormHidesItsFrame) {
  TDemoFrm* form = MakeForm();
  EXPECT_FALSE(storage_->HookActive());
  form->Show();
  WINDOWPLACEMENT p;
  GetWindowPlacement(form->Handle(), &p);
  EXPECT_EQ(p.ptMaxPosition.x, -GetSystemMetrics(SM_CXFRAME));
  EXPECT_EQ(p.ptMaxPosition.y, -GetSystemMetrics(SM_CYFRAME));
  delete form;
}

}  // namespace
