// oracle/LOBLocator.cpp
#include "oracle/LOBLocator.h"

#include <algorithm>
#include <limits>

#include "oracle/OciConstants.h"
#include "oracle/OciHandle.h"
#include "oracle/OracleText.h"
#include "oracle/OracleTypes.h"
#include "platform/rtl/Checked.h"

namespace {

constexpr ub1 kFormImplicit = 1;
// Flushed buffers stay allocated for the next writes.
constexpr ub4 kBufferNoFree = 2;

}  // namespace

TLOBLocator::TLOBLocator(TOracleSession* Session, Integer LOBType) {
  Oracle::CheckSessionRequirement(Session, "A TLOBLocator instance");
  if (LOBType != Oracle::otCLOB && LOBType != Oracle::otBLOB && LOBType != Oracle::otBFile)
    throw Exception("Type must be otCLOB, otBLOB or otBFile");
  session_ = Session;
  lob_type_ = LOBType;
  AllocateHandles();
  session_->AddDependent(sdLOBLocator, this);
}

TLOBLocator::~TLOBLocator() {
  if (object_id_) Oracle::ReleaseOracleObject(object_id_);
  if (!session_) return;
  try {
    if (session_->Connected()) {
      FlushBuffer();
      CloseFile();
    }
  } catch (...) {
    // A destructor cannot report; the file closes with the session in any
    // case.
  }
  ReleaseHandles();
  session_->RemoveDependent(sdLOBLocator, this);
}

ub4 TLOBLocator::DescriptorType() const {
  return lob_type_ == Oracle::otBFile ? kDtypeFile : kDtypeLob;
}

void TLOBLocator::AllocateHandles() {
  OCIEnv* env = session_->EnvHandle();
  session_->EnterCall(false);
  TOciHandle error(env, kHtypeError);
  TOciHandle descriptor = TOciHandle::Descriptor(env, DescriptorType());
  session_->LeaveCall(false);
  if (!error || !descriptor) throw Exception("The client could not allocate a LOB locator");
  error_ = error.Release<OCIError>();
  error_id_ = Oracle::RegisterOracleObject(error_);
  own_ = descriptor.Release<OCILobLocator>();
}

void TLOBLocator::ReleaseHandles() {
  if (OracleCI::OciLoaded()) {
    if (own_) OracleCI::OCIDescriptorFree(own_, DescriptorType());
    if (error_) OracleCI::OCIHandleFree(error_, kHtypeError);
  }
  if (error_id_) Oracle::ReleaseOracleObject(error_id_);
  own_ = nullptr;
  error_ = nullptr;
  error_id_ = 0;
  // Whatever the locator pointed at lived in the session's environment;
  // what is left is a null locator, which starts at the beginning.
  descriptor_ = &own_;
  position_ = 0;
  buffering_ = buffer_written_ = false;
  indicator_ = nullptr;
  in_object_ = false;
  modified_ = nullptr;
}

void TLOBLocator::NeedHandles() {
  Oracle::CheckSessionRequirement(session_, "A TLOBLocator instance");
  if (!error_) AllocateHandles();
}

void TLOBLocator::SessionClosing() {
  if (!error_) return;
  try {
    FlushBuffer();
    CloseFile();
  } catch (...) {
    // Logging off closes the session's files anyway.
  }
  ReleaseHandles();
}

void TLOBLocator::SessionDestroyed() {
  // The environment went with the session, and every handle made in it.
  if (error_id_) Oracle::ReleaseOracleObject(error_id_);
  own_ = nullptr;
  error_ = nullptr;
  error_id_ = 0;
  descriptor_ = &own_;
  buffering_ = buffer_written_ = false;
  indicator_ = nullptr;
  session_ = nullptr;
}

void TLOBLocator::CheckStatus(sword Status) {
  if (Status == OCI_INVALID_HANDLE) throw Exception("TLOBLocator: Invalid handle");
  if (Status == OCI_ERROR) Oracle::RaiseOracleError(session_, error_id_);
}

template <class Call>
sword TLOBLocator::Run(Call call) {
  session_->EnterCall(false);
  sword status;
  try {
    status = call();
  } catch (...) {
    session_->LeaveCall(false);
    throw;
  }
  session_->LeaveCall(false);
  CheckStatus(status);
  return status;
}

ub4 TLOBLocator::Offset() const {
  // A negative position has no offset; the client refuses offset 0.
  return position_ < 0 ? 0 : ub4(position_) + 1;
}

OCILobLocator** TLOBLocator::DescriptorAddress() {
  NeedHandles();
  return descriptor_;
}

void TLOBLocator::Attach(OCILobLocator** Descriptor, sb2* Indicator) {
  NeedHandles();
  if (Descriptor != descriptor_ && Descriptor) {
    // What the previous row's value holds in its buffer is written before
    // the locator moves on; its buffering belongs to that descriptor. A
    // file opened by reading the previous row would stay open on the
    // server until the session ends; a long fetch would run out of them.
    FlushBuffer();
    buffering_ = false;
    CloseFile();
  }
  descriptor_ = Descriptor ? Descriptor : &own_;
  indicator_ = Indicator;
  in_object_ = false;
  modified_ = nullptr;
  position_ = 0;
}

void TLOBLocator::AttachToObject(OCILobLocator** Slot, sb2* Indicator,
                                 std::function<void()> Modified) {
  NeedHandles();
  FlushBuffer();
  buffering_ = false;
  descriptor_ = Slot ? Slot : &own_;
  indicator_ = Indicator;
  in_object_ = Slot != nullptr;
  modified_ = std::move(Modified);
  position_ = 0;
}

Integer TLOBLocator::ObjectId() {
  if (!object_id_) object_id_ = Oracle::RegisterOracleObject(static_cast<TObject*>(this));
  return object_id_;
}

bool TLOBLocator::IsInit() {
  if (!session_ || !session_->Connected()) return false;
  NeedHandles();
  if (in_object_ && !*descriptor_) {
    void* made = nullptr;
    Run([&] {
      return OracleCI::OCIObjectNew(session_->EnvHandle(), error_, session_->ServiceHandle(),
                                    OCITypeCode(lob_type_), nullptr, nullptr, kDurationSession, 1,
                                    &made);
    });
    *descriptor_ = static_cast<OCILobLocator*>(made);
  }
  if (!Descriptor()) return false;
  boolean flag = 0;
  Run([&] {
    return OracleCI::OCILobLocatorIsInit(session_->EnvHandle(), error_, Descriptor(), &flag);
  });
  return flag != 0;
}

bool TLOBLocator::IsNull() {
  if (indicator_ && *indicator_ != 0) return true;
  return !IsInit();
}

void TLOBLocator::Changed() {
  if (indicator_) *indicator_ = IsInit() ? 0 : -1;
  if (modified_) modified_();
}

Int64 TLOBLocator::Read(void* Buffer, Int64 Count) {
  if (Count <= 0 || IsNull()) return 0;
  if (lob_type_ == Oracle::otBFile) OpenFile();
  ub4 amount = ub4(std::min<Int64>(Count, std::numeric_limits<ub4>::max()));
  const ub4 length = amount;
  const sword status = Run([&] {
    return OracleCI::OCILobRead(session_->ServiceHandle(), error_, Descriptor(), &amount, Offset(),
                                Buffer, length, nullptr, nullptr, 0, kFormImplicit);
  });
  // At the end the client answers "no data" and may leave the amount as
  // it was asked.
  if (status == OCI_NO_DATA) amount = 0;
  amount = std::min(amount, length);
  position_ = CheckedAdd(position_, RangeChecked<Integer>(amount));
  return amount;
}

Int64 TLOBLocator::Write(const void* Buffer, Int64 Count) {
  if (Count <= 0) return 0;
  NeedHandles();
  const ub4 length = RangeChecked<ub4>(Count);
  ub4 amount = length;
  Run([&] {
    return OracleCI::OCILobWrite(session_->ServiceHandle(), error_, Descriptor(), &amount, Offset(),
                                 const_cast<void*>(Buffer), length, kOnePiece, nullptr, nullptr, 0,
                                 kFormImplicit);
  });
  amount = std::min(amount, length);
  position_ = CheckedAdd(position_, RangeChecked<Integer>(amount));
  if (buffering_) buffer_written_ = true;
  Changed();
  return amount;
}

Int64 TLOBLocator::Seek(Int64 Offset, Word Origin) {
  Int64 base = 0;
  if (Origin == soFromCurrent) base = position_;
  if (Origin == soFromEnd) base = Size();
  position_ = RangeChecked<Integer>(CheckedAdd(base, Offset));
  return position_;
}

Int64 TLOBLocator::Size() {
  if (IsNull()) return 0;
  ub4 length = 0;
  Run([&] {
    return OracleCI::OCILobGetLength(session_->ServiceHandle(), error_, Descriptor(), &length);
  });
  return length;
}

void TLOBLocator::SetSize(Int64 NewSize) {
  const Int64 size = Size();
  if (NewSize == size) return;
  if (NewSize < size) {
    const ub4 length = RangeChecked<ub4>(NewSize);
    Run([&] {
      return OracleCI::OCILobTrim(session_->ServiceHandle(), error_, Descriptor(), length);
    });
    // A later write must not land beyond the end and leave a gap.
    position_ = std::min<Integer>(position_, Integer(length));
    Changed();
    return;
  }
  const Integer kept = position_;
  const char last = lob_type_ == Oracle::otCLOB ? ' ' : '\0';
  Seek(NewSize - 1, soFromBeginning);
  try {
    Write(&last, 1);
  } catch (...) {
    position_ = kept;
    throw;
  }
  position_ = kept;
}

String TLOBLocator::AsString(Integer Length) {
  Integer bytes = Length;
  if (lob_type_ == Oracle::otCLOB && session_)
    bytes = CheckedMul(Length, session_->ActualBytesPerCharacter());
  Seek(0, soFromBeginning);
  String text(std::size_t(std::max(bytes, 0)), '\0');
  Int64 done = 0;
  // The client may hand a long value over in several reads.
  while (done < Int64(text.size())) {
    const Int64 read = Read(text.data() + done, Int64(text.size()) - done);
    if (read <= 0) break;
    done += read;
  }
  text.resize(std::size_t(done));
  if (lob_type_ == Oracle::otCLOB) text = Oracle::AdjustCRLF(text, session_);
  return text;
}

void TLOBLocator::Clear() {
  NeedHandles();
  buffering_ = buffer_written_ = false;
  if (in_object_) {
    if (*descriptor_) {
      Run([&] { return OracleCI::OCIObjectFree(session_->EnvHandle(), error_, *descriptor_, 0); });
      *descriptor_ = nullptr;
    }
    void* made = nullptr;
    Run([&] {
      return OracleCI::OCIObjectNew(session_->EnvHandle(), error_, session_->ServiceHandle(),
                                    OCITypeCode(lob_type_), nullptr, nullptr, kDurationSession, 1,
                                    &made);
    });
    *descriptor_ = static_cast<OCILobLocator*>(made);
  } else {
    CloseFile();
    void* fresh = nullptr;
    Run([&] {
      return OracleCI::OCIDescriptorAlloc(session_->EnvHandle(), &fresh, DescriptorType(), 0,
                                          nullptr);
    });
    if (*descriptor_) OracleCI::OCIDescriptorFree(*descriptor_, DescriptorType());
    *descriptor_ = static_cast<OCILobLocator*>(fresh);
  }
  position_ = 0;
  Changed();
  if (indicator_) *indicator_ = -1;
}

void TLOBLocator::SetBuffering(bool Value) {
  if (Value == buffering_ || lob_type_ == Oracle::otBFile) return;
  NeedHandles();
  if (!Value) {
    // The client drops a buffer that is switched off unflushed.
    FlushBuffer();
    Run([&] {
      return OracleCI::OCILobDisableBuffering(session_->ServiceHandle(), error_, Descriptor());
    });
    buffering_ = false;
    return;
  }
  Run([&] {
    return OracleCI::OCILobEnableBuffering(session_->ServiceHandle(), error_, Descriptor());
  });
  buffering_ = true;
  buffer_written_ = false;
}

void TLOBLocator::FlushBuffer() {
  if (!buffering_ || !buffer_written_) return;
  Run([&] {
    return OracleCI::OCILobFlushBuffer(session_->ServiceHandle(), error_, Descriptor(),
                                       kBufferNoFree);
  });
  buffer_written_ = false;
}

bool TLOBLocator::FileIsOpen() {
  if (lob_type_ != Oracle::otBFile || !session_ || !error_ || !Descriptor() || !IsInit())
    return false;
  boolean open = 0;
  Run([&] {
    return OracleCI::OCILobFileIsOpen(session_->ServiceHandle(), error_, Descriptor(), &open);
  });
  return open != 0;
}

void TLOBLocator::OpenFile() {
  if (lob_type_ != Oracle::otBFile || FileIsOpen()) return;
  NeedHandles();
  Run([&] {
    return OracleCI::OCILobFileOpen(session_->ServiceHandle(), error_, Descriptor(), kFileReadOnly);
  });
}

void TLOBLocator::CloseFile() {
  if (!FileIsOpen()) return;
  Run([&] { return OracleCI::OCILobFileClose(session_->ServiceHandle(), error_, Descriptor()); });
}
