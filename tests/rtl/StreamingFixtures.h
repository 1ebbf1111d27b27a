// tests/rtl/StreamingFixtures.h: small component classes with published
// properties, shared by the property-registry and streaming tests.
#pragma once

#include <functional>
#include <initializer_list>
#include <mutex>

#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Writer.h"

// Runs `write` on a fresh writer with a small buffer (so that flushing is
// exercised) and returns the bytes it produced.
inline String WrittenBy(const std::function<void(TWriter&)>& write) {
  TStringStream stream;
  {
    TWriter writer(&stream, 16);
    write(writer);
    writer.FlushBuffer();
  }
  return stream.DataString();
}

// Bytes given as numbers.
inline String B(std::initializer_list<int> bytes) {
  String s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

enum TDemoMode { dmNone, dmFast, dmSmall };
enum TDemoOption { doLoad, doSave, doCopy };
using TDemoOptions = Set<TDemoOption>;

class TDemoItem : public TCollectionItem {
  ZORVET_CLASS_NAME(TDemoItem)

 public:
  explicit TDemoItem(TCollection* collection) : TCollectionItem(collection) {}
  String DisplayName() const override { return name_; }
  void SetDisplayName(const String& v) override { name_ = v; }
  Integer Size() const { return size_; }
  void SetSize(Integer v) { size_ = v; }

 private:
  String name_;
  Integer size_ = 0;
};

class TDemoTable : public TComponent {
  ZORVET_CLASS_NAME(TDemoTable)

 public:
  explicit TDemoTable(TComponent* owner)
      : TComponent(owner), items_(this, TCollectionItemClass::Of<TDemoItem>()) {}

  bool Active() const { return active_; }
  void SetActive(bool v) { active_ = v; }
  Integer Count() const { return count_; }
  void SetCount(Integer v) { count_ = v; }
  Int64 Big() const { return big_; }
  void SetBig(Int64 v) { big_ = v; }
  String Caption() const { return caption_; }
  void SetCaption(const String& v) { caption_ = v; }
  double Ratio() const { return ratio_; }
  void SetRatio(double v) { ratio_ = v; }
  TDemoMode Mode() const { return mode_; }
  void SetMode(TDemoMode v) { mode_ = v; }
  TDemoOptions Options() const { return options_; }
  void SetOptions(TDemoOptions v) { options_ = v; }
  TStringList* Lines() { return &lines_; }
  TOwnedCollection* Items() { return &items_; }
  TDemoTable* Master() const { return master_; }
  void SetMaster(TDemoTable* v) {
    if (master_) master_->RemoveFreeNotification(this);
    master_ = v;
    if (master_) master_->FreeNotification(this);
  }
  // Stored only through DefineProperties, as raw bytes.
  String Data;
  // Accepted when read (sets Count), never written.
  bool sawLimit = false;
  // What the component saw when Loaded ran.
  bool loadedWithMaster = false;
  int loadedCalls = 0;

  void Loaded() override {
    TComponent::Loaded();
    ++loadedCalls;
    loadedWithMaster = master_ != nullptr;
  }

  void DefineProperties(TFiler* filer) override {
    TComponent::DefineProperties(filer);
    auto ancestor = dynamic_cast<TDemoTable*>(filer->Ancestor());
    const bool has_data = ancestor ? ancestor->Data != Data : !Data.empty();
    filer->DefineBinaryProperty(
        "Data",
        [this](TStream* s) {
          Data.assign(static_cast<std::size_t>(s->Size()), '\0');
          s->ReadBuffer(Data.data(), s->Size());
        },
        [this](TStream* s) { s->WriteBuffer(Data.data(), static_cast<Int64>(Data.size())); },
        has_data);
    filer->DefineProperty(
        "LimitOffset",
        [this](TReader* r) {
          count_ = r->ReadInteger();
          sawLimit = true;
        },
        nullptr, false);
  }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    if (operation == opRemove && component == master_) master_ = nullptr;
    TComponent::Notification(component, operation);
  }

 private:
  bool active_ = false;
  Integer count_ = 1;
  Int64 big_ = 0;
  String caption_;
  double ratio_ = 0;
  TDemoMode mode_ = dmFast;
  TDemoOptions options_{doLoad, doSave};
  TStringList lines_;
  TOwnedCollection items_;
  TDemoTable* master_ = nullptr;
};

// A descendant that declares nothing of its own.
class TDemoSubTable : public TDemoTable {
  ZORVET_CLASS_NAME(TDemoSubTable)

 public:
  using TDemoTable::TDemoTable;
};

class TDemoForm : public TComponent {
  ZORVET_CLASS_NAME(TDemoForm)

 public:
  using TComponent::TComponent;
};

inline void DeclareDemoClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    TPublishedClass<TDemoItem>()
        .AddString("DisplayName", &TDemoItem::DisplayName, &TDemoItem::SetDisplayName)
        .AddInteger("Size", &TDemoItem::Size, &TDemoItem::SetSize);
    TPublishedClass<TDemoTable, TComponent>()
        .AddBoolean("Active", &TDemoTable::Active, &TDemoTable::SetActive, false)
        .AddInteger("Count", &TDemoTable::Count, &TDemoTable::SetCount, 1)
        .AddInt64("Big", &TDemoTable::Big, &TDemoTable::SetBig)
        .AddString("Caption", &TDemoTable::Caption, &TDemoTable::SetCaption)
        .AddFloat("Ratio", &TDemoTable::Ratio, &TDemoTable::SetRatio)
        .AddEnum("Mode", &TDemoTable::Mode, &TDemoTable::SetMode, {"dmNone", "dmFast", "dmSmall"},
                 dmFast)
        .AddSet("Options", &TDemoTable::Options, &TDemoTable::SetOptions,
                {"doLoad", "doSave", "doCopy"}, TDemoOptions{doLoad, doSave}.Bits())
        .AddObject("Lines", &TDemoTable::Lines)
        .AddObject("Items", &TDemoTable::Items)
        .AddComponent("Master", &TDemoTable::Master, &TDemoTable::SetMaster);
    TPublishedClass<TDemoForm, TComponent>();
    RegisterClass<TDemoTable>();
    RegisterClass<TDemoSubTable>();
    RegisterClass<TDemoItem>();
  });
}
