// oracle/standin/StandinControl.h
//
// The control interface of the stand-in client, for the tests: plain C
// functions that a test reaches with dlsym on the loaded client (or calls
// directly when it links the model). Each works on the model of the
// process; every call but ZorvetStandinReset needs one installed by it.
#pragma once

extern "C" {
// Installs a fresh server model: an empty database, no users, the Oracle8
// banner. Returns 0.
int ZorvetStandinReset(void);
// Adds a user (schema) with its password; `expiring` makes its logon
// answer ORA-28002. Returns 0, or -1 without a model.
int ZorvetStandinAddUser(const char* user, const char* password, int expiring);
// Runs a script of Oracle SQL as `user` and commits: statements end with ";"
// at a line's end or with a line holding "/". Returns 0, or the Oracle error
// number with its message copied (null-terminated) into `error`.
int ZorvetStandinLoadFixture(const char* user, const char* script, char* error, int error_size);
// The text OCIServerVersion gives. Returns 0, or -1 without a model.
int ZorvetStandinSetBanner(const char* banner);
// Adds a rule that answers statements ahead of the SQL: `match` 0 takes
// `text` as the exact statement, 1 as a regular expression (ECMAScript)
// searched in it. `answer` is the answer's text form (see StandinRules.h).
// Returns 0, or -1 with the faulty line or pattern in `fault`.
int ZorvetStandinAddRule(int match, const char* text, const char* answer, char* fault,
                         int fault_size);
// A rule computed by `function`: it answers when it returns nonzero, with
// the text form of the answer written into `answer` (at most `size` bytes).
typedef int (*ZorvetStandinRuleFunction)(void* context, const char* sql, char* answer, int size);
int ZorvetStandinAddRuleFunction(ZorvetStandinRuleFunction function, void* context);
// The statement log: how many statements were executed, and entry `index`
// (from 0): its text, its binds of the first row as "NAME=value" lines,
// the iteration count and the mode. Returns 0, or -1 for no such entry.
int ZorvetStandinLogCount(void);
int ZorvetStandinLogEntry(int index, char* text, int text_size, char* binds, int binds_size,
                          unsigned* iters, unsigned* mode);
// A directory for BFILEs: bfilename('ALIAS', 'name') reads `folder`/name.
// Returns 0, or -1 without a model.
int ZorvetStandinAddDirectory(const char* alias, const char* folder);
// The stand-in's own 64-bit image layout of an object type ("SCHEMA.NAME",
// or "NAME" in whichever schema has it) and of one of its attributes (dotted for an embedded
// object's, "" for none): the instance and indicator image sizes and the
// attribute's value offset, value size and indicator offset. Returns 0, or
// -1 for an unknown type or attribute.
int ZorvetStandinObjectLayout(const char* type, const char* attribute, unsigned* size,
                              unsigned* indicator_size, unsigned* value_offset,
                              unsigned* value_size, unsigned* indicator_offset);
// How many handles or descriptors of `type` (the call interface's code,
// e.g. 4 for statements, 54 for ROWIDs) are made and not yet freed; -1
// without a model.
int ZorvetStandinLiveHandles(unsigned type);
// Makes the next `count` requests for a handle or descriptor of `type` fail
// (0 ends the refusals). Returns 0, or -1 without a model.
int ZorvetStandinRefuseHandles(unsigned type, int count);
// Returns once at least `count` sessions wait for rows other sessions have
// locked (a change, or a select for update without nowait); 0, or -1
// without a model.
// The caller must not hold the model: it waits without a time limit.
int ZorvetStandinAwaitLockWaits(int count);
// The time SYSDATE reads, "YYYY-MM-DD HH:MM:SS"; null or "": the clock's.
int ZorvetStandinSetClock(const char* now);
}
