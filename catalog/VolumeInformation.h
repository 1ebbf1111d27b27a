// catalog/VolumeInformation.h
//
// TVolumeInformation reads the label, the serial number and the file-system
// name of the volume in a drive, each afresh on every read, without letting
// the system show a box about a drive that is not ready; a network drive is
// resolved to its universal name first.
//
// The case of Drive chooses the case of the label and the file-system name:
// an upper-case letter (anything below 'a') gives them in upper case, a
// lower-case one in lower case, by full Unicode case mapping in the root
// locale ("é" to "É"), the same under every process locale.
//
// Failures never raise: each failed read reports the system's error number
// once, through OnError when it is assigned and otherwise in a message box
// (captioned "TVolumeInformation", see platform/win/MessageBoxHook.h), and
// returns empty text.
//
// Threads: the caller's thread.
#pragma once

#include <functional>

#include "platform/rtl/Component.h"

using TErrorEvent = std::function<void(Integer ErrorNumber)>;

class TVolumeInformation : public TComponent {
  ZORVET_CLASS_NAME(TVolumeInformation)

 public:
  explicit TVolumeInformation(TComponent* owner);

  char Drive() const { return drive_; }
  void SetDrive(char value) { drive_ = value; }
  // The root path prepared for the last read; empty before the first. A
  // universal name ("\\server\share\") comes back without its last character.
  String UNCDrive() const;

  TErrorEvent OnError;

  // Each a fresh read of the volume.
  String VolumeLabel();
  // The serial as eight upper-case hexadecimal digits with a colon after the
  // fourth ("1A2B:3C4D").
  String SerialNumber();
  String FileSystemName();

 protected:
  // Builds the root path of the next read from Drive.
  void PrepareRoot();
  // Reports the calling thread's last error number.
  void ProcessError();

 private:
  enum class TPart { Label, Serial, FileSystem };
  String Read(TPart part);

  char drive_ = 'C';
  String root_;
};

// Declares the published properties of TVolumeInformation (once; later calls do nothing).
void DeclareVolumeInformationProperties();
