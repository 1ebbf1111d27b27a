// platform/rtl/Events.h
//
// Events are public members of std::function types, named as the component
// names them, the sender first:
//
//   table->OnProgress = [](TObject* sender, int pct, TvomProgressCode code) {...};
//
// An event is "assigned" when the function is not empty; a component fires
// an event only when it is assigned (`if (OnChange) OnChange(this);`).
// Arguments that the handler may change (a "var Accept") are references.
// Where assigning a handler must do something more, the component offers a
// virtual setter (SetOnFilterRecord) and keeps the member private.
#pragma once

#include <functional>

class TObject;

// The plain event: something happened to the sender.
using TNotifyEvent = std::function<void(TObject* Sender)>;
