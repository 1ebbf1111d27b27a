// tests/ui/ZxPropsTest.cpp
#include "ui/ZxProps.h"

#include <gtest/gtest.h>

#include <map>

#include "platform/controls/Application.h"
#include "platform/controls/DataModule.h"
#include "platform/controls/Form.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/RegistryClasses.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/WindowSystem.h"
#include "tests/rtl/ScopedEnv.h"
#include "tests/rtl/TempFolder.h"

namespace {

enum TDemoMode { dmOff, dmSlow, dmFast };
enum TDemoOpt { doFirst, doSecond, doThird };
using TDemoOpts = Set<TDemoOpt>;

class TDemoItem : public TCollectionItem {
  ZORVET_CLASS_NAME(TDemoItem)

 public:
  using TCollectionItem::TCollectionItem;
  String Caption;
  Integer Size = 0;
};

class TDemoFont : public TPersistent {
  ZORVET_CLASS_NAME(TDemoFont)

 public:
  Integer Size = 8;
};

class TDemoPanel : public TComponent {
  ZORVET_CLASS_NAME(TDemoPanel)

 public:
  using TComponent::TComponent;
  Integer Width = 0;
  char Letter = 'a';
  TDemoMode Mode = dmOff;
  double Ratio = 0;
  double Small = 0;
  String Caption;
  TDemoOpts Options;
  Variant Value;
  Int64 Big = 0;
  TDemoPanel* Buddy = nullptr;
  TStringList Lines;
  TCollection Items{TCollectionItemClass::Of<TDemoItem>()};
  TDemoFont Font;
  Integer Fixed = 5;
};

void Declare() {
  static bool done = false;
  if (done) return;
  done = true;
  TPublishedClass<TDemoItem>()
      .AddString(
          "Caption", [](TDemoItem* i) { return i->Caption; },
          [](TDemoItem* i, const String& v) { i->Caption = v; })
      .AddInteger(
          "Size", [](TDemoItem* i) { return i->Size; },
          [](TDemoItem* i, Integer v) { i->Size = v; });
  TPublishedClass<TDemoFont>().AddInteger(
      "Size", [](TDemoFont* f) { return f->Size; }, [](TDemoFont* f, Integer v) { f->Size = v; });
  using P = TDemoPanel;
  TPublishedClass<P, TComponent>()
      .AddInteger(
          "Width", [](P* p) { return p->Width; }, [](P* p, Integer v) { p->Width = v; })
      .AddChar(
          "Letter", [](P* p) { return p->Letter; }, [](P* p, char v) { p->Letter = v; })
      .AddEnum(
          "Mode", [](P* p) { return p->Mode; }, [](P* p, TDemoMode v) { p->Mode = v; },
          {"dmOff", "dmSlow", "dmFast"}, dmOff)
      .AddFloat(
          "Ratio", [](P* p) { return p->Ratio; }, [](P* p, double v) { p->Ratio = v; })
      .AddFloat(
          "Small", [](P* p) { return p->Small; }, [](P* p, double v) { p->Small = v; },
          TFloatType::ftSingle)
      .AddString(
          "Caption", [](P* p) { return p->Caption; }, [](P* p, const String& v) { p->Caption = v; })
      .AddSet(
          "Options", [](P* p) { return p->Options; }, [](P* p, TDemoOpts v) { p->Options = v; },
          {"doFirst", "doSecond", "doThird"})
      .AddVariant(
          "Value", [](P* p) { return p->Value; }, [](P* p, const Variant& v) { p->Value = v; })
      .AddInt64(
          "Big", [](P* p) { return p->Big; }, [](P* p, Int64 v) { p->Big = v; })
      .AddComponent(
          "Buddy", [](P* p) { return p->Buddy; }, [](P* p, P* v) { p->Buddy = v; })
      .AddObject("Lines", [](P* p) { return &p->Lines; })
      .AddObject("Items", [](P* p) { return &p->Items; })
      .AddObject("Font", [](P* p) { return &p->Font; })
      .AddInteger(
          "Fixed", [](P* p) { return p->Fixed; }, nullptr);
}

// Sections of idents in memory, counting the reads.
struct MemoryStore {
  std::map<String, std::map<String, String>> sections;
  int reads = 0;

  void Wire(TPropsStorage& s, bool withSectionReader = true) {
    s.OnReadString = [this](const String& sect, const String& ident, const String& def) {
      ++reads;
      auto section = sections.find(sect);
      if (section == sections.end()) return def;
      auto value = section->second.find(ident);
      return value == section->second.end() ? def : value->second;
    };
    s.OnWriteString = [this](const String& sect, const String& ident, const String& value) {
      sections[sect][ident] = value;
    };
    s.OnEraseSection = [this](const String& sect) { sections.erase(sect); };
    if (withSectionReader)
      s.OnReadSection = [this](const String& sect, TStrings* idents) {
        idents->Clear();
        for (auto& [ident, value] : sections[sect]) idents->Add(ident);
      };
  }
};

class ZxPropsTest : public ::testing::Test {
 protected:
  ZxPropsTest() {
    Declare();
    form_->SetName("Form1");
    panel_->SetName("Panel1");
    other_->SetName("Panel2");
    storage_.Section = "Form1";
    store_.Wire(storage_);
    storage_.AObject = panel_;
    storage_.Owner = form_.get();
    storage_.Prefix = "Panel1_";
  }

  void Fill() {
    panel_->Width = 120;
    panel_->Letter = 'x';
    panel_->Mode = dmFast;
    panel_->Ratio = 2.5;
    panel_->Small = 0.1;
    panel_->Caption = " Discs ";
    panel_->Options = {doFirst, doThird};
    panel_->Value = Variant(String("hello"));
    panel_->Big = Int64(1) << 40;
    panel_->Buddy = other_;
    panel_->Lines.SetCommaText("one,two");
    auto* item = static_cast<TDemoItem*>(panel_->Items.Add());
    item->Caption = "first";
    item->Size = 3;
    panel_->Font.Size = 12;
    panel_->Fixed = 9;
  }
  // Every property of the panel, as StoredProps lists them.
  void ListAll(TStringList& list) {
    for (const char* name : {"Width", "Letter", "Mode", "Ratio", "Small", "Caption", "Options",
                             "Value", "Big", "Buddy", "Lines", "Items", "Font", "Fixed"})
      list.Add(ZXProps::CreateStoredItem("Panel1", name));
    ZXProps::UpdateStoredList(form_.get(), &list, true);
  }
  String Stored(const String& ident, const String& section = "Form1") {
    return store_.sections[section][ident];
  }
  const TPropInfo* Prop(const char* name) { return GetPropInfo(panel_, name); }

  std::unique_ptr<TComponent> form_ = std::make_unique<TComponent>(nullptr);
  TDemoPanel* panel_ = new TDemoPanel(form_.get());
  TDemoPanel* other_ = new TDemoPanel(form_.get());
  MemoryStore store_;
  TPropsStorage storage_;
};

TEST_F(ZxPropsTest, EveryKindIsStoredAsItsTextAndLoadsBack) {
  Fill();
  TStringList list;
  ListAll(list);
  ASSERT_EQ(list.Count(), 14);
  storage_.StoreObjectsProps(form_.get(), &list);
  EXPECT_EQ(storage_.Owner, nullptr);  // only during the call

  const std::pair<const char*, const char*> expected[] = {{"Panel1_Width", "120"},
                                                          {"Panel1_Letter", "x"},
                                                          {"Panel1_Mode", "dmFast"},
                                                          {"Panel1_Ratio", "2.5"},
                                                          {"Panel1_Small", "0.1"},
                                                          {"Panel1_Caption", " Discs "},
                                                          {"Panel1_Options", "[doFirst,doThird]"},
                                                          {"Panel1_Value", "hello"},
                                                          {"Panel1_Big", "1099511627776"},
                                                          {"Panel1_Buddy", "Panel2"},
                                                          {"Panel1_FontSize", "12"},
                                                          {"Panel1_Fixed", "9"}};
  for (const auto& [ident, text] : expected) EXPECT_EQ(Stored(ident), text) << ident;
  EXPECT_EQ(store_.sections["Form1.Panel1_Lines"],
            (std::map<String, String>{{"Count", "2"}, {"Item0", "one"}, {"Item1", "two"}}));
  EXPECT_EQ(
      store_.sections["Form1.Panel1_Items"],
      (std::map<String, String>{{"Count", "1"}, {"Item0_Caption", "first"}, {"Item0_Size", "3"}}));

  TDemoPanel* fresh = new TDemoPanel(form_.get());
  panel_->SetName("");
  fresh->SetName("Panel1");
  ZXProps::UpdateStoredList(form_.get(), &list, true);
  storage_.LoadObjectsProps(form_.get(), &list);
  EXPECT_EQ(fresh->Width, 120);
  EXPECT_EQ(fresh->Letter, 'x');
  EXPECT_EQ(fresh->Mode, dmFast);
  EXPECT_EQ(fresh->Ratio, 2.5);
  EXPECT_FLOAT_EQ(fresh->Small, 0.1f);
  EXPECT_EQ(fresh->Caption, " Discs ");
  EXPECT_EQ(fresh->Options, (TDemoOpts{doFirst, doThird}));
  EXPECT_EQ(fresh->Value.AsString(), "hello");
  EXPECT_EQ(fresh->Big, Int64(1) << 40);
  EXPECT_EQ(fresh->Buddy, other_);
  EXPECT_EQ(fresh->Lines.CommaText(), "one,two");
  ASSERT_EQ(fresh->Items.Count(), 1);
  EXPECT_EQ(static_cast<TDemoItem*>(fresh->Items.Items(0))->Caption, "first");
  EXPECT_EQ(static_cast<TDemoItem*>(fresh->Items.Items(0))->Size, 3);
  EXPECT_EQ(fresh->Font.Size, 12);
  EXPECT_EQ(fresh->Fixed, 5);  // read-only: stored, never loaded
}

TEST_F(ZxPropsTest, TextsThatDoNotFitTheProperty) {
  struct Case {
    const char* prop;
    const char* text;
    std::function<bool(const TDemoPanel&)> check;
  } cases[] = {
      {"Width", "12x", [](const TDemoPanel& p) { return p.Width == 0; }},
      {"Big", "", [](const TDemoPanel& p) { return p.Big == 0; }},
      {"Mode", "DMSLOW", [](const TDemoPanel& p) { return p.Mode == dmSlow; }},
      {"Mode", "dmTurbo", [](const TDemoPanel& p) { return p.Mode == dmFast; }},
      {"Options", "[]", [](const TDemoPanel& p) { return p.Options.Empty(); }},
      {"Options", "doSecond bogus,[dothird]",
       [](const TDemoPanel& p) {
         return p.Options == TDemoOpts{doSecond, doThird};
       }},
      {"Letter", "", [](const TDemoPanel& p) { return p.Letter == 'q'; }},
      {"Letter", "zy", [](const TDemoPanel& p) { return p.Letter == 'z'; }},
  };
  for (const Case& c : cases) {
    panel_->Width = 7;
    panel_->Big = 7;
    panel_->Mode = dmFast;
    panel_->Options = {doFirst};
    panel_->Letter = 'q';
    store_.sections["Form1"][String("Panel1_") + c.prop] = c.text;
    storage_.LoadAnyProperty(Prop(c.prop));
    EXPECT_TRUE(c.check(*panel_)) << c.prop << "=" << c.text;
  }
  store_.sections["Form1"]["Panel1_Ratio"] = "1,5x";
  EXPECT_THROW(storage_.LoadAnyProperty(Prop("Ratio")), EConvertError);
  // An absent ident keeps the present value: it is the default of the read.
  store_.sections.clear();
  panel_->Caption = "kept";
  storage_.LoadAnyProperty(Prop("Caption"));
  EXPECT_EQ(panel_->Caption, "kept");
}

TEST_F(ZxPropsTest, FloatsTravelWithAPointWhateverTheLocaleSays) {
  const char saved = FormatSettings().DecimalSeparator;
  FormatSettings().DecimalSeparator = ',';
  panel_->Ratio = -1234.0625;
  storage_.StoreAnyProperty(Prop("Ratio"));
  EXPECT_EQ(Stored("Panel1_Ratio"), "-1234.0625");
  FormatSettings().DecimalSeparator = '.';
  panel_->Ratio = 0;
  storage_.LoadAnyProperty(Prop("Ratio"));
  EXPECT_EQ(panel_->Ratio, -1234.0625);
  FormatSettings().DecimalSeparator = saved;
}

class ZxPropsFormsTest : public ZxPropsTest {
 protected:
  ZxPropsFormsTest() { InitializeModules({ControlsModule()}); }
  ~ZxPropsFormsTest() override {
    forms_.reset();
    FinalizeModules();
  }
  TWindowSystem system_;
  std::unique_ptr<TComponent> forms_ = std::make_unique<TComponent>(nullptr);
};

TEST_F(ZxPropsFormsTest, ReferencesAcrossFormsAndOwnersThatCannotBeFound) {
  auto* form2 = new TCustomForm(forms_.get());
  form2->SetName("Form2");
  auto* edit = new TDemoPanel(form2);
  edit->SetName("Edit1");
  auto* plain = new TComponent(form2);
  plain->SetName("Plain");

  panel_->Buddy = edit;
  storage_.StoreAnyProperty(Prop("Buddy"));
  EXPECT_EQ(Stored("Panel1_Buddy"), "Form2.Edit1");
  panel_->Buddy = nullptr;
  storage_.LoadAnyProperty(Prop("Buddy"));
  EXPECT_EQ(panel_->Buddy, edit);

  // An unnamed owner is named by its class.
  TComponent unnamed(nullptr);
  auto* loose = new TDemoPanel(&unnamed);
  loose->SetName("Loose");
  panel_->Buddy = loose;
  storage_.StoreAnyProperty(Prop("Buddy"));
  EXPECT_EQ(Stored("Panel1_Buddy"), "Component.Loose");

  struct Case {
    const char* text;
    TDemoPanel* expected;
  } cases[] = {
      {"", other_},                // nothing stored: unchanged
      {"(NULL)", nullptr},         //
      {" form2 . Edit1 ", edit},   // parts trimmed, form names ignore case
      {"Nowhere.Edit1", nullptr},  // no such form: none
      {"Form2.Missing", nullptr},  //
      {"Form2.Plain", nullptr},    // not of the property's class
      {"Panel2", other_},          // the storage's owner
  };
  for (const Case& c : cases) {
    panel_->Buddy = other_;
    store_.sections["Form1"]["Panel1_Buddy"] = c.text;
    storage_.LoadAnyProperty(Prop("Buddy"));
    EXPECT_EQ(panel_->Buddy, c.expected) << c.text;
  }
  // Without an owner a plain name finds nothing and touches nothing.
  storage_.Owner = nullptr;
  store_.sections["Form1"]["Panel1_Buddy"] = "Panel2";
  storage_.LoadAnyProperty(Prop("Buddy"));
  EXPECT_EQ(panel_->Buddy, nullptr);
  EXPECT_EQ(ZXProps::FindGlobalComponent("FORM2"), form2);
  EXPECT_EQ(ZXProps::FindGlobalComponent("Panel2"), nullptr);
}

TEST_F(ZxPropsFormsTest, ReferencesIntoADataModule) {
  auto* module = new TDataModule(forms_.get());
  module->SetName("DmZorvet");
  auto* table = new TDemoPanel(module);
  table->SetName("MTFiles");
  panel_->Buddy = table;
  storage_.StoreAnyProperty(Prop("Buddy"));
  EXPECT_EQ(Stored("Panel1_Buddy"), "DmZorvet.MTFiles");
  panel_->Buddy = nullptr;
  storage_.LoadAnyProperty(Prop("Buddy"));
  EXPECT_EQ(panel_->Buddy, table);
}

TEST_F(ZxPropsTest, StringListsKeepTheirLinesWhenNothingWasStored) {
  panel_->Lines.SetCommaText("present");
  storage_.LoadAnyProperty(Prop("Lines"));
  EXPECT_EQ(panel_->Lines.CommaText(), "present");
  // Stored empty: the section is erased and no Count written.
  TDemoPanel empty(nullptr);
  storage_.AObject = &empty;
  store_.sections["Form1.Panel1_Lines"]["Item7"] = "old";
  storage_.StoreAnyProperty(Prop("Lines"));
  EXPECT_EQ(store_.sections.count("Form1.Panel1_Lines"), 0u);
  storage_.AObject = panel_;
  storage_.LoadAnyProperty(Prop("Lines"));
  EXPECT_EQ(panel_->Lines.CommaText(), "present");
  // Below the count a missing item reads as empty.
  store_.sections["Form1.Panel1_Lines"] = {{"Count", " 3 "}, {"Item0", "a"}, {"Item2", "c"}};
  storage_.LoadAnyProperty(Prop("Lines"));
  EXPECT_EQ(panel_->Lines.Count(), 3);
  EXPECT_EQ(panel_->Lines.Strings(1), "");
  EXPECT_EQ(panel_->Lines.Strings(2), "c");
}

TEST_F(ZxPropsTest, DamagedCountsAreCapped) {
  store_.sections["Form1.Panel1_Lines"] = {{"Count", "2000000000"}, {"Item0", "a"}};
  store_.sections["Form1.Panel1_Items"] = {{"Count", "2000000000"}, {"Item0_Size", "4"}};
  storage_.LoadAnyProperty(Prop("Lines"));
  EXPECT_EQ(panel_->Lines.Count(), 2);  // as many as the section has idents
  EXPECT_EQ(panel_->Lines.Strings(0), "a");
  storage_.LoadAnyProperty(Prop("Items"));
  EXPECT_EQ(panel_->Items.Count(), 2);

  // Without a section reader the fixed cap holds.
  TPropsStorage blind;
  MemoryStore plain;
  plain.Wire(blind, false);
  blind.AObject = panel_;
  blind.Section = "S";
  plain.sections["S.Lines"] = {{"Count", "2000000000"}};
  blind.LoadAnyProperty(Prop("Lines"));
  EXPECT_EQ(panel_->Lines.Count(), TPropsStorage::kMaxStoredCount);
  EXPECT_LE(plain.reads, TPropsStorage::kMaxStoredCount + 2);
}

TEST(ZxPropsItems, ParsedAtTheFirstPointAndTrimmed) {
  struct Case {
    const char* item;
    bool valid;
    const char* comp;
    const char* prop;
  } cases[] = {{"Panel1.Width", true, "Panel1", "Width"},
               {" Panel1 . Font.Size ", true, "Panel1", "Font.Size"},
               {"Panel1.", false, "", ""},
               {".Width", false, "", ""},
               {"NoPoint", false, "", ""},
               {"", false, "", ""}};
  for (const Case& c : cases) {
    String comp, prop;
    EXPECT_EQ(ZXProps::ParseStoredItem(c.item, comp, prop), c.valid) << c.item;
    if (c.valid) {
      EXPECT_EQ(comp, c.comp);
      EXPECT_EQ(prop, c.prop);
    }
  }
  EXPECT_EQ(ZXProps::CreateStoredItem("A", "B"), "A.B");
}

TEST_F(ZxPropsTest, StoredListFollowsTheFormsComponents) {
  TStringList list;
  list.SetCommaText("Panel1.Width,Gone.Width,bad,Panel2.Caption");
  ZXProps::UpdateStoredList(form_.get(), &list, true);
  ASSERT_EQ(list.CommaText(), "Panel1.Width,Panel2.Caption");
  EXPECT_EQ(list.Objects(0), panel_);
  EXPECT_EQ(list.Objects(1), other_);

  panel_->SetName("Renamed");
  list.Add("Loose.Width");  // no object: goes before the form is written
  ZXProps::UpdateStoredList(form_.get(), &list, false);
  EXPECT_EQ(list.CommaText(), "Renamed.Width,Panel2.Caption");
  EXPECT_EQ(list.Objects(0), panel_);
}

TEST_F(ZxPropsTest, UnknownComponentsAndPropertiesAreSkipped) {
  TStringList list;
  list.AddObject("Panel1.NoSuch", panel_);
  list.AddObject("Panel1.Width", nullptr);
  list.AddObject("Panel2.Width", other_);
  other_->Width = 3;
  panel_->Width = 4;
  storage_.StoreObjectsProps(form_.get(), &list);
  EXPECT_EQ(store_.sections["Form1"], (std::map<String, String>{{"Panel2_Width", "3"}}));
}

// The storage's callbacks on an ini file or an ini-like registry key.
template <class File>
void WireTo(File& file, TPropsStorage& s) {
  s.OnReadString = [&file](const String& a, const String& b, const String& c) {
    return file.ReadString(a, b, c);
  };
  s.OnWriteString = [&file](const String& a, const String& b, const String& c) {
    file.WriteString(a, b, c);
  };
  s.OnEraseSection = [&file](const String& a) { file.EraseSection(a); };
  s.OnReadSection = [&file](const String& a, TStrings* l) { file.ReadSection(a, l); };
}

class ZxPropsFilesTest : public ZxPropsTest {
 protected:
  ZxPropsFilesTest() { env_.Set("XDG_CONFIG_HOME", temp_.File("config").c_str()); }
  TempFolder temp_;
  ScopedEnv env_;
};

TEST_F(ZxPropsFilesTest, RoundTripThroughAnIniFileAndTheRegistry) {
  TIniFile ini("Zorvet.ini");
  TRegIniFile reg("Software\\Zorvet");
  struct Backend {
    const char* name;
    std::function<void(TPropsStorage&)> wire;
  } backends[] = {{"ini", [&ini](TPropsStorage& s) { WireTo(ini, s); }},
                  {"registry", [&reg](TPropsStorage& s) { WireTo(reg, s); }}};
  for (const Backend& b : backends) {
    Fill();
    panel_->Caption = "line one\r\nline two";
    TStringList list;
    ListAll(list);
    TPropsStorage storage;
    storage.Section = "TMnFrm";
    b.wire(storage);
    storage.StoreObjectsProps(form_.get(), &list);

    TDemoPanel* fresh = new TDemoPanel(form_.get());
    panel_->SetName("");
    fresh->SetName("Panel1");
    ZXProps::UpdateStoredList(form_.get(), &list, true);
    storage.LoadObjectsProps(form_.get(), &list);
    EXPECT_EQ(fresh->Width, 120) << b.name;
    EXPECT_EQ(fresh->Lines.CommaText(), "one,two") << b.name;
    EXPECT_EQ(fresh->Font.Size, 12) << b.name;
    EXPECT_EQ(fresh->Options, (TDemoOpts{doFirst, doThird})) << b.name;
    EXPECT_EQ(fresh->Buddy, other_) << b.name;
    // An ini value is one line; the registry keeps the text as given.
    EXPECT_EQ(fresh->Caption,
              String(b.name) == "ini" ? "line one  line two" : "line one\r\nline two");
    panel_ = fresh;
    panel_->Items.Clear();
  }
}

}  // namespace
