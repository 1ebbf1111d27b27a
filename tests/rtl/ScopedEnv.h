// tests/rtl/ScopedEnv.h
//
// Sets environment variables for one test and puts the old values back.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class ScopedEnv {
 public:
  ScopedEnv() = default;
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second)
        setenv(it->first.c_str(), it->second->c_str(), 1);
      else
        unsetenv(it->first.c_str());
    }
  }

  // Sets `name` (nullptr value: unsets it).
  ScopedEnv& Set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
    return *this;
  }

  // The process locale for collation and case mapping, whatever LANG says.
  ScopedEnv& Locale(const char* value) {
    Set("LC_COLLATE", nullptr);
    Set("LC_CTYPE", nullptr);
    return Set("LC_ALL", value);
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};
