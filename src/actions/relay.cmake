# Network relay half of the actions library: command texts, datagram sender, action manager.
list(APPEND VELMO_ACTIONS_RELAY_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/NetworkCommand.cpp ${CMAKE_CURRENT_LIST_DIR}/NetworkCommand.h
  ${CMAKE_CURRENT_LIST_DIR}/Sender.cpp ${CMAKE_CURRENT_LIST_DIR}/Sender.h
  ${CMAKE_CURRENT_LIST_DIR}/ScreenEdgeDetector.cpp ${CMAKE_CURRENT_LIST_DIR}/ScreenEdgeDetector.h
  ${CMAKE_CURRENT_LIST_DIR}/WndEvent.h
  ${CMAKE_CURRENT_LIST_DIR}/ActionMgr.cpp ${CMAKE_CURRENT_LIST_DIR}/ActionMgr.h)
list(APPEND VELMO_ACTIONS_RELAY_LIBS Qt5::Core Qt5::Network Threads::Threads)
