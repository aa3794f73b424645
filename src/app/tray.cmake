# Tray application parts that need no engine: notification windows, connection check, usage
# statistics, the renderer resource list, the embedded tray icons (main registers them with
# Q_INIT_RESOURCE(app)).
set(VELMO_STATS_HOST "" CACHE STRING "Host[:port] of the usage-statistics server; empty sends nothing")

add_library(velmo_app_parts STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/NotificationWindow.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/CheckController.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/UsageStats.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/ResourceConfig.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/app.qrc
)
target_include_directories(velmo_app_parts PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(velmo_app_parts PUBLIC Qt5::Widgets Qt5::Network velmo_leap velmo_desktop)
target_compile_definitions(velmo_app_parts PRIVATE "VELMO_STATS_HOST=\"${VELMO_STATS_HOST}\"")
