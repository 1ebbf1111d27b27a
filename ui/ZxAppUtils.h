// ui/ZxAppUtils.h
//
// Settings of the program's forms in an ini file or under a registry key:
// default names, reading and writing through either kind of storage, and a
// form's window placement.
//
// A storage is a TCustomIniFile (a TIniFile or a TRegIniFile), passed as a
// TObject; any other object (or none) reads every default and writes nothing. Writing a string
// to an ini file wraps a value that begins and ends with the same quote (" or
// ') in one more pair of double quotes, because reading an ini file strips
// one pair: the value reads back as written. The registry keeps values as
// given.
//
// Screen strings: a value that depends on the screen's size is written twice,
// under the ident followed by ScreenSizeSuffix ("(1024x768)") and under the
// plain ident; reading takes the suffixed one and, when it is empty, the
// plain one, so a screen of another size falls back to the last written.
//
// Placement idents in a form's section, in the order written: "Flags",
// "ShowCmd", "PixelsPerInch", "MinMaxPos" ("x,y,x,y": minimised and maximised
// positions) and "NormPos" ("left,top,right,bottom"), the last two as
// screen strings.
//
// Threads: GUI thread only.
#pragma once

#include <functional>

#include "platform/rtl/Types.h"

class TComponent;
class TCustomForm;
class TObject;
class TStrings;

namespace ZxAppUtils {

// Unit-wide settings of the default names. None is set by this program.
// Supplies the default ini file name instead of the executable's, when set.
extern std::function<String()> GetDefaultIniName;
// Put between "Software\" and the program's name in the default registry key.
extern String DefCompanyName;
// The default registry key ends in the application's title (when it has one)
// rather than the executable's name.
extern bool RegUseAppTitle;

// The executable's file name, without folder, its extension changed to ".INI".
String DefaultIniFileName();
// "Software\[company\]name": the program's name is its title (RegUseAppTitle)
// or the executable's file name without folder and extension.
String DefaultRegistryKey();
// The section of a component's settings: empty for none; a form's class
// name; for another control its form's class name followed by its name (or,
// without a form, its parent's name followed by its name); for a component
// owned by a form "FormClass.Name"; otherwise its name.
String DefaultIniSection(TComponent* component);

// "(width x height)" of the screen in pixels, without blanks: "(1024x768)".
String ScreenSizeSuffix();

String IniReadString(TObject* storage, const String& section, const String& ident,
                     const String& def);
void IniWriteString(TObject* storage, const String& section, const String& ident,
                    const String& value);
Integer IniReadInteger(TObject* storage, const String& section, const String& ident, Integer def);
void IniWriteInteger(TObject* storage, const String& section, const String& ident, Integer value);
void IniEraseSection(TObject* storage, const String& section);
// The idents of a section (none for a storage of another kind).
void IniReadSection(TObject* storage, const String& section, TStrings* idents);

// The suffixed ident first, then the plain one; empty when both are.
String IniReadScreenString(TObject* storage, const String& section, const String& ident);
void IniWriteScreenString(TObject* storage, const String& section, const String& ident,
                          const String& value);

// Writes the form's window placement (made when the form has no window).
// The application's main form is recorded minimised while the application
// is; a minimised MDI child keeps its minimised position.
void WritePlacement(TCustomForm* form, TObject* storage, const String& section);
// Restores what WritePlacement wrote. Position: applied only when it was
// found and was written at the screen's present PixelsPerInch; a form that
// cannot be resized keeps its size. State: a minimised main form is shown
// normal and the application minimises itself (a posted SC_MINIMIZE).
void ReadPlacement(TCustomForm* form, TObject* storage, const String& section, bool loadState,
                   bool loadPosition);

}  // namespace ZxAppUtils
