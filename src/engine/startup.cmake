# Engine start-up and teardown, the diagnostic log, the query and control interface.
list(APPEND VELMO_ENGINE_SOURCES
  EngineStartup.cpp
  EngineLog.cpp
  EngineQueries.cpp
  VelmoListenerQueries.cpp)
# The log-line cipher (QtCore and Crypto++ only, no Widgets).
list(APPEND VELMO_ENGINE_LIBS velmo_app_crypt)
