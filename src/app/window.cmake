# The tray window and the program velmo-mouse.
set(VELMO_WEB_HOST "www.velmo-mouse.example" CACHE STRING "Host of the product's web site (About, Online Help)")

add_library(velmo_window STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/VelmoWindow.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/VelmoWindow.h
  ${CMAKE_CURRENT_SOURCE_DIR}/VelmoWindowSlots.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/VelmoWindowTutorial.cpp)
target_include_directories(velmo_window PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(velmo_window PUBLIC velmo_app_parts velmo_engine velmo_actions velmo_leap velmo_desktop
  velmo_tutorial Qt5::Widgets Qt5::Multimedia)
target_compile_definitions(velmo_window PRIVATE "VELMO_WEB_HOST=\"${VELMO_WEB_HOST}\"")

add_executable(velmo-mouse ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
target_link_libraries(velmo-mouse PRIVATE velmo_window)

# The pictures, icons and sounds beside the executable. A copy, not a link: the program rewrites
# its renderer resource list there.
add_custom_target(velmo_mouse_resources ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${VELMO_RESOURCES_DIR} $<TARGET_FILE_DIR:velmo-mouse>/resources
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${VELMO_TUTORIAL_MEDIA} $<TARGET_FILE_DIR:velmo-mouse>/resources
  COMMENT "Copying resources beside velmo-mouse")
add_dependencies(velmo-mouse velmo_mouse_resources)
