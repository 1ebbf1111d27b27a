// platform/controls/Dialogs.h
//
// Message dialogs: MessageDlg, ShowMessage and the message box behind
// MessageBoxA (and Application->MessageBox) are real modal forms: a caption,
// an icon for the dialog's type, the message and a row of buttons, run
// through ShowModal. Enter presses the default button, Escape the cancel
// button (or closes the dialog as Cancel when there is none).
//
// The control layer's start installs ShowMessageBox as the handler of
// MessageBoxA (platform/win/MessageBoxHook.h), so every message box of the
// program is one of these dialogs; its end puts the previous handler back.
//
// Tests answer dialogs through a responder (SetDialogResponder): once a
// dialog is up and its modal loop runs, the responder is given what the
// dialog shows and answers the result of the button to press. A responder
// answering a result that no button has fails with EInvalidOperation.
#pragma once

#include <functional>
#include <vector>

#include "platform/controls/Form.h"
#include "platform/rtl/Set.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp
};
using TMsgDlgButtons = Set<TMsgDlgBtn>;

inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// Shows a modal message dialog and returns the modal result of the button
// pressed (mrYes, mrOk, ...; mrCancel when closed otherwise). The caption
// is the type's ("Warning", "Error", "Information", "Confirm"), or the
// application's title for mtCustom.
Integer MessageDlg(const String& msg, TMsgDlgType type, TMsgDlgButtons buttons,
                   Integer helpCtx = 0);
// An information-less dialog with an OK button, captioned with the application's title.
void ShowMessage(const String& msg);
// A message box with the MB_ flags of MessageBoxA; returns IDOK, IDYES, ...
int ShowMessageBox(const String& text, const String& caption, UINT flags);

// What a dialog shows, for a responder.
struct TDialogInfo {
  String Caption;
  String Text;
  TMsgDlgType Type = mtCustom;
  std::vector<String> Buttons;   // the buttons' captions, left to right
  std::vector<Integer> Results;  // their modal results
};
// Answers the modal result to press; mrNone leaves the dialog waiting.
using TDialogResponder = std::function<Integer(const TDialogInfo& dialog)>;
// Installs a responder (empty: none) and returns the one it replaces.
TDialogResponder SetDialogResponder(TDialogResponder responder);

// Installed and removed by the control layer's module.
void InstallMessageDialogs();
void RemoveMessageDialogs();
