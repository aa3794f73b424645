#pragma once

// Makes a decimal-comma locale (de_DE.UTF-8) available to a test without touching the system:
// the locale is compiled once into a private folder that LOCPATH points at.
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <string>

inline bool activateCommaLocale() {
  const std::string dir = "/tmp/velmo-locales-" + std::to_string(getuid());
  const std::string target = dir + "/de_DE.UTF-8";
  if (access((target + "/LC_NUMERIC").c_str(), R_OK) != 0) {
    const std::string cmd = "mkdir -p '" + dir + "' && localedef -i de_DE -f UTF-8 '" + target +
                            "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0 && access((target + "/LC_NUMERIC").c_str(), R_OK) != 0)
      return false;
  }
  setenv("LOCPATH", dir.c_str(), 1);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) return false;
  const struct lconv* lc = std::localeconv();
  return lc != nullptr && lc->decimal_point != nullptr && lc->decimal_point[0] == ',';
}

inline void restoreCLocale() { std::setlocale(LC_ALL, "C"); }
