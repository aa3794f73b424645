# Recogniser: frame pipeline and pointer mapping, adaptive pinch thresholds, pinch press/release.
list(APPEND VELMO_ENGINE_SOURCES
  VelmoGesturesPipeline.cpp
  PointerMapping.cpp
  PinchThresholds.cpp
  PinchClicks.cpp)
# The recogniser calls the action manager, whose header carries network types.
list(APPEND VELMO_ENGINE_LIBS Qt5::Network)
