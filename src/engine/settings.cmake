# Settings file, start-up and queries.
list(APPEND VELMO_ENGINE_SOURCES base64.cpp SettingsFile.cpp)
