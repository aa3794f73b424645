# Network relay half of the actions library: command texts, datagram sender, action manager.
list(APPEND VELMO_ACTIONS_RELAY_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/NetworkCommand.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Sender.cpp)
list(APPEND VELMO_ACTIONS_RELAY_LIBS Qt5::Core Qt5::Network)
