// oracle/OciHandle.h
//
// A handle or descriptor of the client held by the step that made it, and
// given back on every way out of that step, a failure included, unless the
// step hands it on to an object that keeps it (Release). Handles that an
// object keeps for its whole life are freed by that object's own release
// step; this holder serves the time between making them and handing them
// on, and handles that live for one step only.
#pragma once

#include <utility>

#include "oracle/OracleCI.h"

class TOciHandle {
 public:
  // Asks the client for a handle of `Type` in `Env`; Status() tells whether
  // one came.
  TOciHandle(OCIEnv* Env, ub4 Type) : type_(Type) {
    status_ = OracleCI::OCIHandleAlloc(Env, &handle_, Type, 0, nullptr);
    if (status_ != OCI_SUCCESS) handle_ = nullptr;
  }
  // The same for a descriptor.
  static TOciHandle Descriptor(OCIEnv* Env, ub4 Type) {
    TOciHandle held(Type, true);
    held.status_ = OracleCI::OCIDescriptorAlloc(Env, &held.handle_, Type, 0, nullptr);
    if (held.status_ != OCI_SUCCESS) held.handle_ = nullptr;
    return held;
  }
  // Takes over a handle made elsewhere (none when null).
  static TOciHandle Adopt(void* Handle, ub4 Type) {
    TOciHandle held(Type, false);
    held.handle_ = Handle;
    return held;
  }

  TOciHandle(TOciHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, nullptr)),
        type_(other.type_),
        descriptor_(other.descriptor_),
        status_(other.status_) {}
  TOciHandle(const TOciHandle&) = delete;
  TOciHandle& operator=(const TOciHandle&) = delete;
  TOciHandle& operator=(TOciHandle&&) = delete;
  ~TOciHandle() {
    if (!handle_) return;
    if (descriptor_)
      OracleCI::OCIDescriptorFree(handle_, type_);
    else
      OracleCI::OCIHandleFree(handle_, type_);
  }

  sword Status() const { return status_; }
  explicit operator bool() const { return handle_ != nullptr; }
  template <class T>
  T* As() const {
    return static_cast<T*>(handle_);
  }
  // Hands the handle on: the holder no longer frees it.
  template <class T>
  T* Release() {
    return static_cast<T*>(std::exchange(handle_, nullptr));
  }

 private:
  TOciHandle(ub4 Type, bool IsDescriptor) : type_(Type), descriptor_(IsDescriptor) {}

  void* handle_ = nullptr;
  ub4 type_;
  bool descriptor_ = false;
  sword status_ = OCI_SUCCESS;
};
