// catalog/VolumeInformation.cpp
#include "catalog/VolumeInformation.h"

#include <mutex>

#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/Drives.h"
#include "platform/win/MessageBoxHook.h"
#include "platform/win/Volumes.h"
#include "platform/win/WinError.h"

namespace {

constexpr DWORD kNameBufferSize = 261;  // MAX_PATH + 1
constexpr DWORD kUniversalNameBufferSize = 1024;
constexpr size_t kMaxUniversalName = 255;

}  // namespace

TVolumeInformation::TVolumeInformation(TComponent* owner) : TComponent(owner) {}

String TVolumeInformation::UNCDrive() const {
  if (root_.starts_with("\\\\")) return root_.substr(0, root_.size() - 1);
  return root_;
}

String TVolumeInformation::VolumeLabel() {
  return Read(TPart::Label);
}
String TVolumeInformation::SerialNumber() {
  return Read(TPart::Serial);
}
String TVolumeInformation::FileSystemName() {
  return Read(TPart::FileSystem);
}

void TVolumeInformation::PrepareRoot() {
  root_ = String(1, drive_) + ":\\";
  if (GetDriveTypeA(root_.c_str()) != DRIVE_REMOTE) return;
  alignas(UNIVERSAL_NAME_INFOA) char buffer[kUniversalNameBufferSize];
  DWORD size = sizeof buffer;
  if (WNetGetUniversalNameA(root_.c_str(), UNIVERSAL_NAME_INFO_LEVEL, buffer, &size) ==
      ERROR_SUCCESS) {
    String name = reinterpret_cast<UNIVERSAL_NAME_INFOA*>(buffer)->lpUniversalName;
    root_ = name.substr(0, kMaxUniversalName) + "\\";
  } else {
    ProcessError();
  }
}

void TVolumeInformation::ProcessError() {
  DWORD error = GetLastError();
  if (OnError) {
    OnError(Integer(error));
    return;
  }
  String text = "Error " + IntToStr(error) + " in GetVolumeInformation";
  MessageBoxA(nullptr, text.c_str(), "TVolumeInformation", MB_OK | MB_ICONEXCLAMATION);
}

String TVolumeInformation::Read(TPart part) {
  // The process error mode goes back on every way out.
  const UINT previous_mode = SetErrorMode(SEM_FAILCRITICALERRORS);
  TScopeExit restore_mode([previous_mode] { SetErrorMode(previous_mode); });
  PrepareRoot();
  char text[kNameBufferSize] = {};
  DWORD serial = 0;
  bool label = part == TPart::Label;
  bool file_system = part == TPart::FileSystem;
  if (!GetVolumeInformationA(root_.c_str(), label ? text : nullptr, label ? kNameBufferSize : 0,
                             part == TPart::Serial ? &serial : nullptr, nullptr, nullptr,
                             file_system ? text : nullptr, file_system ? kNameBufferSize : 0)) {
    ProcessError();
    return String();
  }
  if (part == TPart::Serial) {
    String digits = IntToHex(serial, 8);
    return digits.substr(0, 4) + ":" + digits.substr(4);
  }
  // The root locale's mapping, not the process locale's: a catalogue
  // compares the label with the one it stored, which a Turkish locale would
  // turn from "JOLIET" into "JOLİET".
  if (static_cast<unsigned char>(drive_) < 'a') return RootUpperCase(text);
  return RootLowerCase(text);
}

void DeclareVolumeInformationProperties() {
  static std::once_flag declared;
  std::call_once(declared, [] {
    TPublishedClass<TVolumeInformation, TComponent>()
        .AddChar("Drive", &TVolumeInformation::Drive, &TVolumeInformation::SetDrive, 'C')
        .AddString("UNCDrive", &TVolumeInformation::UNCDrive, nullptr)
        .NotStored();
  });
}
