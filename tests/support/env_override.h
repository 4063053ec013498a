#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace cz::test {

// Sets or unsets an environment variable for one test and restores it afterwards.
class EnvOverride {
 public:
  // `value` nullptr unsets the variable.
  EnvOverride(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    set(value);
  }
  ~EnvOverride() { set(m_old ? m_old->c_str() : nullptr); }
  EnvOverride(const EnvOverride&) = delete;
  EnvOverride& operator=(const EnvOverride&) = delete;

 private:
  void set(const char* value) {
    if (value) {
      ::setenv(m_name.c_str(), value, 1);
    } else {
      ::unsetenv(m_name.c_str());
    }
  }
  std::string m_name;
  std::optional<std::string> m_old;
};

}  // namespace cz::test
