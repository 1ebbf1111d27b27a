// tests/controls/DialogScript.h
//
// Answers the program's message dialogs in a test: each Expect names a part
// of the text of the next dialog and the button to press. A dialog that no
// expectation matches fails the test (and is cancelled); expectations left
// over at the end fail it too. Every dialog seen is kept in Seen.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "platform/controls/Dialogs.h"

class TDialogScript {
 public:
  TDialogScript() {
    previous_ = SetDialogResponder([this](const TDialogInfo& d) { return Respond(d); });
  }
  ~TDialogScript() {
    SetDialogResponder(std::move(previous_));
    for (const auto& e : expected_)
      ADD_FAILURE() << "Expected dialog never appeared: \"" << e.text << "\"";
  }
  TDialogScript(const TDialogScript&) = delete;
  TDialogScript& operator=(const TDialogScript&) = delete;

  // The next dialog shows `textPart` somewhere in its text; press `answer`.
  void Expect(const String& textPart, Integer answer) { expected_.push_back({textPart, answer}); }

  std::vector<TDialogInfo> Seen;

 private:
  struct TExpected {
    String text;
    Integer answer;
  };

  Integer Respond(const TDialogInfo& d) {
    Seen.push_back(d);
    if (expected_.empty() || d.Text.find(expected_.front().text) == String::npos) {
      ADD_FAILURE() << "Unexpected dialog \"" << d.Caption << "\": \"" << d.Text << "\"";
      for (Integer r : d.Results)
        if (r == mrCancel) return r;
      return d.Results.empty() ? mrCancel : d.Results.back();
    }
    const Integer answer = expected_.front().answer;
    expected_.pop_front();
    return answer;
  }

  std::deque<TExpected> expected_;
  TDialogResponder previous_;
};
