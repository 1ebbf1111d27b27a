// oracle/standin/StandinControl.cpp
#include "oracle/standin/StandinControl.h"

#include <algorithm>
#include <cstring>

#include "oracle/standin/StandinModel.h"

#define ZORVET_STANDIN_CONTROL extern "C" __attribute__((visibility("default")))

namespace {

void CopyText(const std::string& text, char* buffer, int size) {
  if (!buffer || size <= 0) return;
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

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
  CopyText(result.text, error, error_size);
  return result.code;
}

ZORVET_STANDIN_CONTROL int ZorvetStandinSetBanner(const char* banner) {
  Standin::TModelServer* model = Model();
  if (!model || !banner) return -1;
  model->SetBanner(banner);
  return 0;
}

ZORVET_STANDIN_CONTROL int ZorvetStandinAddDirectory(const char* alias, const char* folder) {
  Standin::TModelServer* model = Model();
  if (!model || !alias || !folder) return -1;
  model->Database().AddDirectory(Standin::UpperCase(alias), folder);
  return 0;
}

ZORVET_STANDIN_CONTROL int ZorvetStandinObjectLayout(const char* type, const char* attribute,
                                                     unsigned* size, unsigned* indicator_size,
                                                     unsigned* value_offset, unsigned* value_size,
                                                     unsigned* indicator_offset) {
  Standin::TModelServer* model = Model();
  if (!model || !type) return -1;
  const std::string key = Standin::UpperCase(type);
  Standin::TAttrPlace place;
  std::size_t image = 0, indicators = 0;
  if (!model->ObjectLayout(key, attribute ? Standin::UpperCase(attribute) : "", place, image,
                           indicators))
    return -1;
  const auto set = [](unsigned* out, std::size_t value) {
    if (out) *out = static_cast<unsigned>(value);
  };
  set(size, image);
  set(indicator_size, indicators);
  set(value_offset, place.value_offset);
  set(value_size, place.size);
  set(indicator_offset, place.indicator_offset);
  return 0;
}

ZORVET_STANDIN_CONTROL int ZorvetStandinSetClock(const char* now) {
  Standin::TModelServer* model = Model();
  if (!model) return -1;
  model->Database().SetClock(now ? now : "");
  return 0;
}

ZORVET_STANDIN_CONTROL int ZorvetStandinAddRule(int match, const char* text, const char* answer,
                                                char* fault, int fault_size) {
  Standin::TModelServer* model = Model();
  if (!model || !text || !answer) return -1;
  Standin::TRule rule;
  rule.match = match == 1 ? Standin::TRule::TMatch::Pattern : Standin::TRule::TMatch::Exact;
  rule.text = text;
  if (match == 1) {
    try {
      rule.pattern = std::regex(text);
    } catch (const std::regex_error&) {
      CopyText(text, fault, fault_size);
      return -1;
    }
  }
  std::string faulty;
  if (!Standin::ParseAnswer(answer, rule.answer, faulty)) {
    CopyText(faulty, fault, fault_size);
    return -1;
  }
  model->AddRule(std::move(rule));
  return 0;
}

ZORVET_STANDIN_CONTROL int ZorvetStandinAddRuleFunction(ZorvetStandinRuleFunction function,
                                                        void* context) {
  Standin::TModelServer* model = Model();
  if (!model || !function) return -1;
  Standin::TRule rule;
  rule.match = Standin::TRule::TMatch::Function;
  rule.function = [function, context](const std::string& sql, Standin::TRuleAnswer& answer) {
    std::string text(65536, '\0');
    if (!function(context, sql.c_str(), text.data(), static_cast<int>(text.size()))) return false;
    text.resize(std::strlen(text.c_str()));
    std::string fault;
    if (Standin::ParseAnswer(text, answer, fault)) return true;
    answer = {};
    answer.error = Standin::NoRule("answer line " + fault);
    return true;
  };
  model->AddRule(std::move(rule));
  return 0;
}

ZORVET_STANDIN_CONTROL int ZorvetStandinLogCount(void) {
  Standin::TModelServer* model = Model();
  return model ? static_cast<int>(model->Log().size()) : -1;
}

ZORVET_STANDIN_CONTROL int ZorvetStandinLogEntry(int index, char* text, int text_size, char* binds,
                                                 int binds_size, unsigned* iters, unsigned* mode) {
  Standin::TModelServer* model = Model();
  if (!model) return -1;
  const std::vector<Standin::TLogEntry> log = model->Log();
  if (index < 0 || static_cast<std::size_t>(index) >= log.size()) return -1;
  const Standin::TLogEntry& entry = log[static_cast<std::size_t>(index)];
  CopyText(entry.text, text, text_size);
  std::string lines;
  for (const auto& [name, value] : entry.binds) lines += name + "=" + value + "\n";
  CopyText(lines, binds, binds_size);
  if (iters) *iters = entry.iters;
  if (mode) *mode = entry.mode;
  return 0;
}

ZORVET_STANDIN_CONTROL int ZorvetStandinLiveHandles(unsigned type) {
  Standin::TModelServer* model = Model();
  return model ? static_cast<int>(model->LiveCount(type)) : -1;
}

ZORVET_STANDIN_CONTROL int ZorvetStandinRefuseHandles(unsigned type, int count) {
  Standin::TModelServer* model = Model();
  if (!model) return -1;
  model->RefuseHandles(type, count);
  return 0;
}

ZORVET_STANDIN_CONTROL int ZorvetStandinAwaitLockWaits(int count) {
  Standin::TModelServer* model = Model();
  if (!model) return -1;
  model->Database().AwaitWaiters(static_cast<std::size_t>(std::max(count, 0)));
  return 0;
}
