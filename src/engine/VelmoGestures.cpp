#include "VelmoGestures.h"

VelmoGestures::VelmoGestures() = default;

VelmoGestures::~VelmoGestures() = default;

int VelmoGestures::isLog() const { return logFile_ != nullptr && settings().enableLog != 0; }

void VelmoGestures::Log(const char* message) {
  if (logFile_ == nullptr || message == nullptr) return;
  std::fprintf(logFile_, "%s\n", message);
}
