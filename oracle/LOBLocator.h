// oracle/LOBLocator.h
//
// TLOBLocator: one CLOB, BLOB or BFILE value on the server, read and written
// as a stream. The locator holds a client LOB descriptor (a file descriptor
// for a BFILE); a statement binds it to fill it (a "returning ... into" of a
// changed row, a PL/SQL out parameter) or to hand its value over, and a
// query's LOB column points its locator at the descriptor of the current
// row. Reading and writing go to the server through the descriptor; the
// locator itself keeps only its position.
//
// With buffering on (a CLOB or BLOB only), the client keeps what is written
// in its own buffer until FlushBuffer writes it to the server; the locator
// flushes before it lets go of a descriptor (pointed elsewhere, cleared,
// logged off or destroyed) and before buffering goes off, so that nothing
// written is lost.
//
// Positions count from 0 and lengths count characters for a CLOB (bytes for
// the other two); the client's offsets count from 1. A null value (a
// locator the server never filled, or a column whose indicator says null)
// reads as empty. A BFILE is opened read-only by the first read and closed
// when the locator goes; it cannot be written.
//
// The locator needs a session connected in the handle generation, registers
// with the session's LOB locator list for its whole life, and lets its
// client handles go when the session logs off: afterwards it is null, and it
// takes fresh handles on first use once the session is connected again.
//
// Threads: a locator is used by one thread at a time, the one its session
// runs on. Its client calls hold the session's call lock.
//
// Failures: client errors raise EOracleError (or EOracleWarning) with the
// server's code, an invalid handle raises Exception "TLOBLocator: Invalid
// handle", arithmetic past the 32-bit positions of the interface raises
// EIntOverflow or ERangeError.
#pragma once

#include <functional>

#include "oracle/OracleSession.h"
#include "platform/rtl/Streams.h"

class TLOBLocator : public TStream, public TSessionDependent {
  ZORVET_CLASS_NAME(TLOBLocator)

 public:
  // LOBType is otCLOB, otBLOB or otBFile (else Exception "Type must be
  // otCLOB, otBLOB or otBFile"); Session must be connected in the handle
  // generation (else the requirement message of "A TLOBLocator instance").
  TLOBLocator(TOracleSession* Session, Integer LOBType);
  ~TLOBLocator() override;
  TLOBLocator(const TLOBLocator&) = delete;
  TLOBLocator& operator=(const TLOBLocator&) = delete;

  // TStream. Read gives 0 bytes for a null value; Write and a growing
  // SetSize make the value non-null on the server only for a locator that
  // stands for a row (see the header comment).
  Int64 Read(void* Buffer, Int64 Count) override;
  Int64 Write(const void* Buffer, Int64 Count) override;
  // No bounds are checked: a position beyond the end reads nothing, and a
  // write there leaves a gap that the server fills (blanks in a CLOB, zero
  // bytes otherwise).
  Int64 Seek(Int64 Offset, Word Origin) override;
  // The length on the server (characters for a CLOB); 0 when null.
  Int64 Size() override;
  // Trims, or grows by writing one last blank (CLOB) or zero byte. The
  // position stays, but never beyond the new end.
  void SetSize(Int64 NewSize) override;

  Integer LOBType() const { return lob_type_; }
  TOracleSession* Session() const { return session_; }
  bool IsNull();
  // Whether the descriptor stands for a value on the server. An attribute
  // of an object gets its descriptor made first when it has none.
  bool IsInit();
  // Makes the locator null with a fresh descriptor (unbuffered; what was
  // written to the old one's buffer is dropped with it).
  void Clear();
  // The client's write buffer for this value; switching it off flushes.
  bool Buffering() const { return buffering_; }
  void SetBuffering(bool Value);
  // Writes what the buffer holds to the server, when buffering is on and
  // something was written since the last flush.
  void FlushBuffer();
  // The first Length characters (bytes for BLOB and BFILE) from the start;
  // a CLOB's line breaks as the session converts them.
  String AsString(Integer Length);

  // A BFILE's file on the server; for CLOB and BLOB these do nothing and
  // FileIsOpen is false.
  void OpenFile();
  void CloseFile();
  bool FileIsOpen();

  // Raises for a failed client status made on this locator's error handle.
  void CheckStatus(sword Status);

  // The column a query's locator stands for (empty for others).
  String FieldName;

  // What a statement binds: the address of the descriptor in use.
  OCILobLocator** DescriptorAddress();
  // Points the locator at a descriptor it does not own (a query row's) and
  // at the 16-bit null indicator that governs it (may be nil), rewinding
  // it. A BFILE the locator opened on its previous descriptor is closed.
  void Attach(OCILobLocator** Descriptor, sb2* Indicator);
  // Makes the locator an attribute of an object: Slot is where the
  // object's image keeps the LOB, Indicator the attribute's null indicator,
  // and Modified is called after each change of the value.
  void AttachToObject(OCILobLocator** Slot, sb2* Indicator, std::function<void()> Modified);
  // The id that stands for the locator in a complex variable.
  Integer ObjectId();

  // TSessionDependent
  void SessionClosing() override;
  void SessionDestroyed() override;

 private:
  // Makes sure the locator has its client handles (fresh ones after a
  // logoff), or raises the session requirement.
  void NeedHandles();
  void AllocateHandles();
  void ReleaseHandles();
  ub4 DescriptorType() const;
  OCILobLocator* Descriptor() const { return descriptor_ ? *descriptor_ : nullptr; }
  // After a change: the external indicator follows the value's null
  // state and an owning object hears of it.
  void Changed();
  // Runs one client call inside the session's call lock and raises a
  // failed status.
  template <class Call>
  sword Run(Call call);
  // The client's 1-based offset of the position.
  ub4 Offset() const;

  TOracleSession* session_ = nullptr;
  Integer lob_type_ = 0;
  OCILobLocator* own_ = nullptr;
  OCILobLocator** descriptor_ = &own_;
  OCIError* error_ = nullptr;
  Integer error_id_ = 0;  // error_ in the process-wide id table
  Integer position_ = 0;
  bool buffering_ = false;
  bool buffer_written_ = false;
  sb2* indicator_ = nullptr;
  bool in_object_ = false;
  std::function<void()> modified_;
  Integer object_id_ = 0;
};
