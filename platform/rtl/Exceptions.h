// platform/rtl/Exceptions.h
//
// The error classes of the runtime layer. Every error the program raises is an
// `Exception` (or a descendant) carrying a fixed English message; callers catch
// the most specific class they handle and let the rest reach the application's
// exception handling (see `HandleException`).
#pragma once

#include <exception>
#include <functional>

#include "platform/rtl/Types.h"

class Exception : public std::exception {
 public:
  explicit Exception(String message) : message_(std::move(message)) {}
  ~Exception() override = default;

  const String& Message() const { return message_; }
  void SetMessage(String message) { message_ = std::move(message); }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  String message_;
};

// Declares `Name` as a descendant of `Base` that takes its message as given.
#define ZORVET_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {                 \
   public:                                   \
    using Base::Base;                        \
  }

// The silent exception: unwinds without a message being shown.
ZORVET_DECLARE_EXCEPTION(EAbort, Exception);
[[noreturn]] void Abort();

ZORVET_DECLARE_EXCEPTION(EConvertError, Exception);
ZORVET_DECLARE_EXCEPTION(EInvalidOperation, Exception);
ZORVET_DECLARE_EXCEPTION(EInvalidPointer, Exception);
ZORVET_DECLARE_EXCEPTION(EOutOfMemory, Exception);

// Integer arithmetic and range checks (see Checked.h).
ZORVET_DECLARE_EXCEPTION(EIntError, Exception);
ZORVET_DECLARE_EXCEPTION(ERangeError, EIntError);
ZORVET_DECLARE_EXCEPTION(EIntOverflow, EIntError);
ZORVET_DECLARE_EXCEPTION(EDivByZero, EIntError);
ZORVET_DECLARE_EXCEPTION(EMathError, Exception);
ZORVET_DECLARE_EXCEPTION(EZeroDivide, EMathError);
ZORVET_DECLARE_EXCEPTION(EOverflow, EMathError);
ZORVET_DECLARE_EXCEPTION(EInvalidOp, EMathError);

// Values (see Variant.h).
ZORVET_DECLARE_EXCEPTION(EVariantError, Exception);
ZORVET_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);
ZORVET_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError);
ZORVET_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError);
ZORVET_DECLARE_EXCEPTION(EBcdException, Exception);

// Streams and files (see Streams.h and Filer.h).
ZORVET_DECLARE_EXCEPTION(EStreamError, Exception);
ZORVET_DECLARE_EXCEPTION(EFileStreamError, EStreamError);
ZORVET_DECLARE_EXCEPTION(EFCreateError, EFileStreamError);
ZORVET_DECLARE_EXCEPTION(EFOpenError, EFileStreamError);
ZORVET_DECLARE_EXCEPTION(EFilerError, EStreamError);
ZORVET_DECLARE_EXCEPTION(EReadError, EFilerError);
ZORVET_DECLARE_EXCEPTION(EWriteError, EFilerError);
ZORVET_DECLARE_EXCEPTION(EClassNotFound, EFilerError);
// Published properties reached by name (see PropertyRegistry.h).
ZORVET_DECLARE_EXCEPTION(EPropertyError, Exception);

// Containers (see List.h, StringList.h, Collection.h).
ZORVET_DECLARE_EXCEPTION(EListError, Exception);
ZORVET_DECLARE_EXCEPTION(EStringListError, Exception);
ZORVET_DECLARE_EXCEPTION(EComponentError, Exception);

// File-name masks (see Masks.h).
ZORVET_DECLARE_EXCEPTION(EMaskException, Exception);

// The dataset model's error; the dataset layer derives its own from it.
ZORVET_DECLARE_EXCEPTION(EDatabaseError, Exception);

// An operating-system call failed; `ErrorCode` is the system's error number.
class EOSError : public Exception {
 public:
  EOSError(String message, int error_code)
      : Exception(std::move(message)), error_code_(error_code) {}
  int ErrorCode() const { return error_code_; }

 private:
  int error_code_;
};

// The application's exception handling: what happens to an exception that
// reached the message loop (or any place that stands for it). The default
// writes the message to standard error; the application object takes it over.
// EAbort is silent under every handler.
using TExceptionHandler = std::function<void(const std::exception&)>;

// Installs `handler` and returns the one it replaces. An empty handler restores the default.
TExceptionHandler SetExceptionHandler(TExceptionHandler handler);

// Hands the exception to the current handler (EAbort is dropped).
void HandleException(const std::exception& e);

// Calls HandleException for the exception being handled; use in a catch (...) block.
void HandleCurrentException();
