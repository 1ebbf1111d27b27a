// platform/controls/Dialogs.cpp
#include "platform/controls/Dialogs.h"

#include <algorithm>

#include "platform/controls/Application.h"
#include "platform/controls/Label.h"
#include "platform/controls/Screen.h"
#include "platform/rtl/Format.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBoxHook.h"
#include "platform/win/Metrics.h"
#include "platform/win/VirtualKeys.h"

namespace {

TDialogResponder& Responder() {
  static TDialogResponder responder;
  return responder;
}

TMessageBoxHandler& PreviousHandler() {
  static TMessageBoxHandler handler;
  return handler;
}

bool& Installed() {
  static bool installed = false;
  return installed;
}

constexpr Integer kButtonWidth = 75;
constexpr Integer kButtonHeight = 25;
constexpr Integer kButtonGap = 8;
constexpr Integer kMargin = 12;
constexpr Integer kIconSize = 32;

const char* const kButtonCaptions[] = {"&Yes",       "&No",         "OK",      "Cancel",
                                       "&Abort",     "&Retry",      "&Ignore", "&All",
                                       "N&o to All", "Yes to &All", "&Help"};
const Integer kButtonResults[] = {mrYes,    mrNo,  mrOk,      mrCancel,   mrAbort, mrRetry,
                                  mrIgnore, mrAll, mrNoToAll, mrYesToAll, mrNone};
const char* const kTypeCaptions[] = {"Warning", "Error", "Information", "Confirm", ""};

// A push button of the dialog: a click sets the form's modal result.
class TMsgDlgButton : public TCustomControl {
 public:
  TMsgDlgButton(TComponent* owner, Integer result) : TCustomControl(owner), result_(result) {
    SetTabStop(true);
    SetColor(clBtnFace);
  }
  Integer Result() const { return result_; }
  bool Default = false;
  bool Cancel = false;

  void Click() override {
    if (TCustomForm* form = GetParentForm(this); form && result_ != mrNone)
      form->SetModalResult(result_);
    TCustomControl::Click();
  }

 protected:
  void Paint() override {
    TCanvas* c = Canvas();
    RECT r = ClientRect();
    c->Brush()->SetColor(Color());
    c->FillRect(r);
    HDC dc = c->Handle();
    if (Default || Focused()) {
      c->Brush()->SetColor(clWindowFrame);
      c->FrameRect(r);
      r.left += 1;
      r.top += 1;
      r.right -= 1;
      r.bottom -= 1;
    }
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    c->Brush()->SetStyle(bsClear);
    c->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
    const String text = Caption();
    SetTextColor(dc, ColorToRGB(clBtnText));
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r,
             DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (Focused()) {
      RECT f = r;
      f.left += 2;
      f.top += 2;
      f.right -= 2;
      f.bottom -= 2;
      ::DrawFocusRect(dc, &f);
    }
  }

  void KeyDown(Word& key, TShiftState shift) override {
    if (key == VK_SPACE) {
      Click();
      key = 0;
      return;
    }
    TCustomControl::KeyDown(key, shift);
  }

 private:
  Integer result_;
};

// The dialog: an icon of its type, the message and a row of buttons.
class TMessageForm : public TCustomForm {
 public:
  TMessageForm(TComponent* owner, const String& text, const String& caption, TMsgDlgType type)
      : TCustomForm(owner), type_(type) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    SetCaption(caption);
    info_.Caption = caption;
    info_.Text = text;
    info_.Type = type;
    message_ = new TLabel(this);
    message_->SetParent(this);
    message_->SetShowAccelChar(false);
    message_->SetCaption(text);
  }

  void AddButtons(const std::vector<TMsgDlgBtn>& buttons, Integer defaultResult,
                  Integer cancelResult) {
    for (TMsgDlgBtn b : buttons) {
      auto* button = new TMsgDlgButton(this, kButtonResults[b]);
      button->SetParent(this);
      button->SetCaption(kButtonCaptions[b]);
      button->Default = kButtonResults[b] == defaultResult;
      button->Cancel = kButtonResults[b] == cancelResult;
      buttons_.push_back(button);
      info_.Buttons.push_back(kButtonCaptions[b]);
      info_.Results.push_back(kButtonResults[b]);
    }
    Layout();
  }

  const TDialogInfo& Info() const { return info_; }
  const String& Error() const { return error_; }

 protected:
  void DoShow() override {
    TCustomForm::DoShow();
    for (TMsgDlgButton* b : buttons_)
      if (b->Default) SetActiveControl(b);
    PostMessage(Handle(), CM_DIALOGREADY, 0, 0);
  }

  void Dispatch(TMessage& message) override {
    if (message.Msg == CM_DIALOGREADY) {
      Answer();
      return;
    }
    TCustomForm::Dispatch(message);
  }

  void KeyDown(Word& key, TShiftState shift) override {
    if (key == VK_RETURN) {
      for (TMsgDlgButton* b : buttons_)
        if (b->Focused() || (b->Default && !FocusedButton())) {
          b->Click();
          key = 0;
          return;
        }
    } else if (key == VK_ESCAPE) {
      key = 0;
      for (TMsgDlgButton* b : buttons_)
        if (b->Cancel) {
          b->Click();
          return;
        }
      SetModalResult(mrCancel);
      return;
    }
    TCustomForm::KeyDown(key, shift);
  }

  void Paint() override {
    TCustomForm::Paint();
    DrawIcon();
  }

 private:
  TMsgDlgButton* FocusedButton() const {
    for (TMsgDlgButton* b : buttons_)
      if (b->Focused()) return b;
    return nullptr;
  }

  void Answer() {
    TDialogResponder& responder = Responder();
    if (!responder) return;
    const Integer answer = responder(info_);
    if (answer == mrNone) return;
    for (TMsgDlgButton* b : buttons_)
      if (b->Result() == answer) {
        b->Click();
        return;
      }
    error_ = Format("The dialog \"%s\" has no button answering %d", info_.Text, answer);
    SetModalResult(mrCancel);
  }

  bool HasIcon() const { return type_ != mtCustom; }

  void Layout() {
    const Integer maxText = GetSystemMetrics(SM_CXSCREEN) / 2;
    message_->SetWordWrap(false);
    message_->SetAutoSize(true);
    if (message_->Width() > maxText) {
      message_->SetWidth(maxText);
      message_->SetWordWrap(true);
    }
    const Integer textLeft = kMargin + (HasIcon() ? kIconSize + kMargin : 0);
    const Integer textHeight = std::max(message_->Height(), HasIcon() ? kIconSize : 0);
    message_->SetLeft(textLeft);
    message_->SetTop(kMargin + (textHeight - message_->Height()) / 2);
    const Integer count = static_cast<Integer>(buttons_.size());
    const Integer buttonsWidth = count * kButtonWidth + (count > 0 ? (count - 1) * kButtonGap : 0);
    const Integer clientWidth =
        std::max(textLeft + message_->Width() + kMargin, buttonsWidth + 2 * kMargin);
    const Integer buttonsTop = kMargin + textHeight + kMargin;
    Integer x = (clientWidth - buttonsWidth) / 2;
    for (TMsgDlgButton* b : buttons_) {
      b->SetBounds(x, buttonsTop, kButtonWidth, kButtonHeight);
      x += kButtonWidth + kButtonGap;
    }
    const Integer clientHeight = buttonsTop + kButtonHeight + kMargin;
    SetClientSize(clientWidth, clientHeight);
  }

  void SetClientSize(Integer w, Integer h) {
    HandleNeeded();
    const RECT c = ClientRect();
    SetBounds(Left(), Top(), Width() + w - RectWidth(c), Height() + h - RectHeight(c));
  }

  // A round badge with the type's sign, in the type's colour.
  void DrawIcon() {
    if (!HasIcon()) return;
    static const TColor kColours[] = {clOlive, clRed, clBlue, clNavy};
    static const char* const kSigns[] = {"!", "X", "i", "?"};
    TCanvas* c = Canvas();
    c->Pen()->SetColor(kColours[type_]);
    c->Brush()->SetColor(kColours[type_]);
    c->Ellipse(kMargin, kMargin, kMargin + kIconSize, kMargin + kIconSize);
    c->Font()->SetStyle(TFontStyles{fsBold});
    c->Font()->SetColor(clWhite);
    c->Font()->SetHeight(-18);
    c->Brush()->SetStyle(bsClear);
    c->RequiredState(TCanvasState{csHandleValid, csFontValid, csBrushValid});
    RECT r{kMargin, kMargin, kMargin + kIconSize, kMargin + kIconSize};
    DrawText(c->Handle(), kSigns[type_], 1, &r,
             DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }

  TMsgDlgType type_;
  TLabel* message_ = nullptr;
  std::vector<TMsgDlgButton*> buttons_;
  TDialogInfo info_;
  String error_;
};

// Runs a dialog and frees it; raises what the responder got wrong.
Integer RunDialog(const String& text, const String& caption, TMsgDlgType type,
                  const std::vector<TMsgDlgBtn>& buttons, Integer defaultResult,
                  Integer cancelResult) {
  auto form = std::make_unique<TMessageForm>(nullptr, text, caption, type);
  form->AddButtons(buttons, defaultResult, cancelResult);
  const Integer result = form->ShowModal();
  const String error = form->Error();
  form.reset();
  if (!error.empty()) throw EInvalidOperation(error);
  return result;
}

std::vector<TMsgDlgBtn> InOrder(TMsgDlgButtons buttons) {
  std::vector<TMsgDlgBtn> list;
  for (TMsgDlgBtn b : buttons) list.push_back(b);
  return list;
}

}  // namespace

Integer MessageDlg(const String& msg, TMsgDlgType type, TMsgDlgButtons buttons, Integer) {
  if (buttons == TMsgDlgButtons{}) buttons = TMsgDlgButtons{mbOK};
  const String caption =
      type == mtCustom ? (Application ? Application->Title() : String()) : kTypeCaptions[type];
  Integer defaultResult = mrNone;
  if (buttons.Contains(mbOK))
    defaultResult = mrOk;
  else if (buttons.Contains(mbYes))
    defaultResult = mrYes;
  else
    defaultResult = kButtonResults[*buttons.begin()];
  Integer cancelResult = mrNone;
  if (buttons.Contains(mbCancel))
    cancelResult = mrCancel;
  else if (buttons.Contains(mbNo))
    cancelResult = mrNo;
  else if (buttons == TMsgDlgButtons{mbOK})
    cancelResult = mrOk;
  return RunDialog(msg, caption, type, InOrder(buttons), defaultResult, cancelResult);
}

void ShowMessage(const String& msg) {
  MessageDlg(msg, mtCustom, TMsgDlgButtons{mbOK});
}

int ShowMessageBox(const String& text, const String& caption, UINT flags) {
  std::vector<TMsgDlgBtn> buttons;
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL:
      buttons = {mbOK, mbCancel};
      break;
    case MB_ABORTRETRYIGNORE:
      buttons = {mbAbort, mbRetry, mbIgnore};
      break;
    case MB_YESNOCANCEL:
      buttons = {mbYes, mbNo, mbCancel};
      break;
    case MB_YESNO:
      buttons = {mbYes, mbNo};
      break;
    case MB_RETRYCANCEL:
      buttons = {mbRetry, mbCancel};
      break;
    default:
      buttons = {mbOK};
      break;
  }
  TMsgDlgType type = mtCustom;
  switch (flags & MB_ICONMASK) {
    case MB_ICONHAND:
      type = mtError;
      break;
    case MB_ICONQUESTION:
      type = mtConfirmation;
      break;
    case MB_ICONEXCLAMATION:
      type = mtWarning;
      break;
    case MB_ICONASTERISK:
      type = mtInformation;
      break;
    default:
      break;
  }
  const size_t def = std::min<size_t>((flags & MB_DEFMASK) >> 8, buttons.size() - 1);
  const Integer defaultResult = kButtonResults[buttons[def]];
  Integer cancelResult = mrNone;
  for (TMsgDlgBtn b : buttons)
    if (b == mbCancel) cancelResult = mrCancel;
  if (buttons.size() == 1) cancelResult = mrOk;
  // The modal results share the numbers of the IDOK ... IDNO answers.
  return static_cast<int>(RunDialog(text, caption, type, buttons, defaultResult, cancelResult));
}

TDialogResponder SetDialogResponder(TDialogResponder responder) {
  TDialogResponder old = std::move(Responder());
  Responder() = std::move(responder);
  return old;
}

void InstallMessageDialogs() {
  if (Installed()) return;
  Installed() = true;
  PreviousHandler() =
      SetMessageBoxHandler([](HWND, const String& text, const String& caption, UINT type) {
        return ShowMessageBox(text, caption, type);
      });
}

void RemoveMessageDialogs() {
  if (!Installed()) return;
  Installed() = false;
  SetMessageBoxHandler(std::move(PreviousHandler()));
  PreviousHandler() = nullptr;
}
