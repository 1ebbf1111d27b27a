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
// The time SYSDATE reads, "YYYY-MM-DD HH:MM:SS"; null or "": the clock's.
int ZorvetStandinSetClock(const char* now);
}
