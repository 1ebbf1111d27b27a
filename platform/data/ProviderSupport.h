// platform/data/ProviderSupport.h
//
// TProviderSupport: what a dataset offers to a data provider, a component
// that packages the dataset's rows for someone else and resolves their
// changes back. Through it the provider reads the dataset's metadata (key
// fields, indexes, default order, table name, parameters), runs statements
// of its own on the dataset's connection, and brackets its work in a
// transaction of its own.
//
// A dataset that can serve a provider derives from TDataSet and from this
// class. Every operation runs on the dataset's thread. Objects handed back
// in a std::unique_ptr belong to the caller; the parameters of
// ProviderGetParams stay the dataset's.
#pragma once

#include <memory>

#include "platform/data/DataSet.h"
#include "platform/data/IndexDefs.h"
#include "platform/data/Params.h"

class TProviderSupport {
 public:
  virtual ~TProviderSupport() = default;

  // --- the provider's transaction ------------------------------------------
  virtual void ProviderStartTransaction() = 0;
  // Commits (true) or rolls back the work done since the start.
  virtual void ProviderEndTransaction(bool Commit) = 0;
  virtual bool ProviderInTransaction() = 0;

  // --- statements -------------------------------------------------------------
  // Runs `SQL` with one parameter for each "?" in it, in order. With
  // `ResultSet` a dataset with the statement's rows is handed back there and
  // the result is its record count; without, the rows it processed.
  virtual Integer ProviderExecuteStatement(const String& SQL, TParams* Params,
                                           std::unique_ptr<TDataSet>* ResultSet) = 0;
  // Runs the dataset's own command with the parameters last set.
  virtual void ProviderExecute() = 0;
  virtual void ProviderSetCommandText(const String& Text) = 0;
  virtual void ProviderSetParams(TParams* Params) = 0;
  // The dataset's parameters with their current values.
  virtual TParams* ProviderGetParams() = 0;
  // Forgets the rows read, so that the next read starts again.
  virtual void ProviderReset() = 0;
  virtual bool ProviderIsSQLBased() = 0;
  virtual bool ProviderIsSQLSupported() = 0;

  // --- metadata -----------------------------------------------------------------
  // The order the rows come in, or nullptr when the dataset does not know one.
  virtual std::unique_ptr<TIndexDef> ProviderGetDefaultOrder() = 0;
  // The names of the fields that identify a row, ';'-separated.
  virtual String ProviderGetKeyFields() = 0;
  // The indexes of the kinds asked for (ixPrimary, ixUnique) of the table the
  // dataset updates.
  virtual std::unique_ptr<TIndexDefs> ProviderGetIndexDefs(TIndexOptions IndexTypes) = 0;
  // What encloses a name that would otherwise not be read as one.
  virtual String ProviderGetQuoteChar() = 0;
  // The table that changes are written to.
  virtual String ProviderGetTableName() = 0;
};

// The fields of `dataSet` whose provider flags mark them as key, joined by
// ';' in field order: what a dataset reports as key fields when it knows
// nothing better.
String ProviderFlaggedKeyFields(TDataSet* dataSet);
