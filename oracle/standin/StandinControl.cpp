// oracle/standin/StandinControl.cpp
#include "oracle/standin/StandinControl.h"

#include <cstring>

#include "oracle/standin/StandinModel.h"

#define ZORVET_STANDIN_CONTROL extern "C" __attribute__((visibility("default")))

namespace {

Standin::TModelServer* Model() {
  return dynamic_cast<Standin::TModelServer*>(&Standin::StandinServer());
}

}  // namespace

ZORVET_STANDIN_CONTROL int ZorvetStandinReset(void) {
  Standin::SetStandinServer(std::make_unique<Standin::TModelServer>());
  return 0;
}

ZORVET_STANDIN_CONTROL int ZorvetStandinAddUser(const char* user, const char* password,
                                                int expiring) {
  Standin::TModelServer* model = Model();
  if (!model || !user) return -1;
  model->Database().AddUser(user, password ? password : "", expiring != 0);
  return 0;
}

ZORVET_STANDIN_CONTROL int ZorvetStandinLoadFixture(const char* user, const char* script,
                                                    char* error, int error_size) {
  Standin::TModelServer* model = Model();
  if (!model || !user || !script) return -1;
  const Standin::TOraError result = model->LoadFixture(user, script);
  if (error && error_size > 0) {
    const std::size_t n = std::min(result.text.size(), static_cast<std::size_t>(error_size - 1));
    std::memcpy(error, result.text.data(), n);
    error[n] = '\0';
  }
  return result.code;
}

ZORVET_STANDIN_CONTROL int ZorvetStandinSetBanner(const char* banner) {
  Standin::TModelServer* model = Model();
  if (!model || !banner) return -1;
  model->SetBanner(banner);
  return 0;
}

ZORVET_STANDIN_CONTROL int ZorvetStandinSetClock(const char* now) {
  Standin::TModelServer* model = Model();
  if (!model) return -1;
  model->Database().SetClock(now ? now : "");
  return 0;
}
