// An environment variable set for a scope and put back as it was after it
// (the stand-in reads its settings, CUPS its server, at the moment of use).
#ifndef ZOLT_TESTS_SCOPED_ENVIRONMENT_H
#define ZOLT_TESTS_SCOPED_ENVIRONMENT_H

#include <cstdlib>
#include <string>

struct ScopedEnvironment {
  std::string name;
  bool had;
  std::string old;
  ScopedEnvironment(const char* variable, const std::string& value) : name(variable) {
    const char* current = getenv(variable);
    had = current != nullptr;
    if (had) old = current;
    setenv(variable, value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (had)
      setenv(name.c_str(), old.c_str(), 1);
    else
      unsetenv(name.c_str());
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
};

#endif
