// platform/rtl/Object.h
//
// TObject: the root of the program's class tree. It carries the class name
// by which a class is known in stored definitions, in messages ("Cannot
// assign a TFoo to a TBar") and in the class registry (ClassRegistry.h).
//
// Every class that has a name of its own declares it with ZORVET_CLASS_NAME
// as the first thing in its body:
//
//   class TvomMemTable : public TvomCustomMemTable {
//     ZORVET_CLASS_NAME(TvomMemTable)
//    public:
//     ...
//   };
//
// The macro leaves the access at `public`. A class without the macro answers
// with the nearest named ancestor's name.
#pragma once

#include "platform/rtl/Types.h"

class TObject {
 public:
  TObject() = default;
  virtual ~TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;

  static String StaticClassName() { return "TObject"; }
  // The name of the object's own (most derived, named) class.
  virtual String ClassName() const { return "TObject"; }
  // Whether ClassName() equals `name`, ignoring ASCII case as identifiers do.
  bool ClassNameIs(const String& name) const;
};

#define ZORVET_CLASS_NAME(Name)       \
 public:                              \
  static String StaticClassName() {   \
    return #Name;                     \
  }                                   \
  String ClassName() const override { \
    return #Name;                     \
  }

// Identifier rules shared by component names, property names and the streams:
// a letter or underscore, then letters, digits or underscores (ASCII only).
bool IsValidIdent(const String& ident);

// ASCII case-insensitive equality, for identifiers (names of classes,
// components and properties), which are ASCII by the rule above.
bool SameIdent(const String& a, const String& b);
