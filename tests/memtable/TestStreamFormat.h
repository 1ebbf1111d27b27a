// tests/memtable/TestStreamFormat.h
//
// A small line format for testing the stream-format framework and the
// table's file entry points: a header line of the saved fields' display
// names, then one line per record, values joined by '|' and "\N" for null.
// On load, columns are matched to fields by name through the framework's
// load map. `FailAfter` makes a save raise after that many records.
#pragma once

#include <sstream>
#include <vector>

#include "memtable/MemTable.h"
#include "memtable/StreamFormat.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"

class TTestLineFormat : public TvomCustomStreamFormat {
 public:
  explicit TTestLineFormat(TComponent* owner = nullptr) : TvomCustomStreamFormat(owner) {}

  Integer FailAfter = -1;
  // The situations DetermineLoadFieldIDs was asked in, in order.
  std::vector<TvomDetermineLoadFieldsSituation> Situations;

  using TvomCustomStreamFormat::SaveFieldMap;

 protected:
  void SaveData(TvomCustomMemTable* table) override {
    std::vector<TField*> fields;
    for (Integer i : SaveFieldMap())
      if (i >= 0) fields.push_back(table->Fields(i));
    String header;
    for (TField* field : fields) header += (header.empty() ? "" : "|") + field->DisplayName();
    Write(header);
    table->SetSaveCount(0);
    TvomIndex* index = table->CurrentIndex();
    for (Integer p = 0; p < index->Count(); ++p) {
      TvomRecord* record = index->Refs(p);
      if (!table->FilterRecord(record, false)) continue;
      if (FailAfter >= 0 && table->SaveCount() >= FailAfter) throw EWriteError("disk full");
      table->SetOverrideRecord(record);
      String line;
      for (std::size_t i = 0; i < fields.size(); ++i)
        line += (i == 0 ? "" : "|") + (fields[i]->IsNull() ? String("\\N") : fields[i]->AsString());
      table->SetOverrideRecord(nullptr);
      Write(line);
      table->SetSaveCount(table->SaveCount() + 1);
    }
  }

  void LoadDef(TvomCustomMemTable*) override {
    lines_.clear();
    const Int64 size = WorkStream()->Size() - WorkStream()->Position();
    String text(static_cast<std::size_t>(size), '\0');
    WorkStream()->ReadBuffer(text.data(), size);
    std::istringstream in(text);
    for (String line; std::getline(in, line);) lines_.push_back(line);
  }

  void DetermineLoadFieldIDs(TvomCustomMemTable* table, TStrings* ids,
                             TvomDetermineLoadFieldsSituation situation) override {
    Situations.push_back(situation);
    if (situation == dlfBeforeLoad || lines_.empty()) {
      TvomCustomStreamFormat::DetermineLoadFieldIDs(table, ids, situation);
      return;
    }
    ids->Clear();
    if (!lines_[0].empty())
      for (const String& name : Split(lines_[0])) ids->Add(name);
  }

  void DetermineLoadFieldIndex(TvomCustomMemTable* table, const String& id, Integer, Integer,
                               Integer& fieldIndex,
                               TvomDetermineLoadFieldsSituation situation) override {
    if (situation != dlfAfterLoadDef) return;
    if (TField* field = table->FindField(id)) fieldIndex = field->Index();
  }

  void LoadData(TvomCustomMemTable* table) override {
    table->SetLoadCount(0);
    for (std::size_t l = 1; l < lines_.size(); ++l) {
      const std::vector<String> values = Split(lines_[l]);
      table->Append();
      for (std::size_t c = 0; c < values.size() && c < LoadFieldMap().size(); ++c) {
        const Integer f = LoadFieldMap()[c];
        if (f < 0) continue;
        if (values[c] == "\\N")
          table->Fields(f)->Clear();
        else
          table->Fields(f)->SetAsString(values[c]);
      }
      table->Post();
      table->SetLoadCount(table->LoadCount() + 1);
    }
  }

 private:
  void Write(const String& line) {
    const String text = line + "\n";
    WorkStream()->WriteBuffer(text.data(), static_cast<Int64>(text.size()));
  }

  static std::vector<String> Split(const String& line) {
    std::vector<String> parts;
    std::size_t start = 0;
    for (;;) {
      const std::size_t bar = line.find('|', start);
      parts.push_back(line.substr(start, bar - start));
      if (bar == String::npos) return parts;
      start = bar + 1;
    }
  }

  std::vector<String> lines_;
};

// The whole content of a stream, from its beginning.
inline String StreamText(TStream& stream) {
  const Int64 position = stream.Position();
  String text(static_cast<std::size_t>(stream.Size()), '\0');
  stream.SetPosition(0);
  stream.ReadBuffer(text.data(), static_cast<Int64>(text.size()));
  stream.SetPosition(position);
  return text;
}
