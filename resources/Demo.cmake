# The demo program folder: what an installer would lay out.
set(MV_DEMO ${CMAKE_BINARY_DIR}/demo)
set(MV_DEMO_COMMANDS
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MV_DEMO}/Profiles ${MV_DEMO}/Lang ${MV_DEMO}/Logs
          ${MV_DEMO}/System32/drivers/etc ${MV_DEMO}/System32/logfiles/mvd ${MV_DEMO}/System32/config
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Morvantis> $<TARGET_FILE:MorvantisStartup> ${MV_DEMO}/)
file(GLOB MV_LANG_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/lang/*)
if(MV_LANG_FILES)
  list(APPEND MV_DEMO_COMMANDS COMMAND ${CMAKE_COMMAND} -E copy ${MV_LANG_FILES} ${MV_DEMO}/Lang/)
endif()
list(APPEND MV_DEMO_COMMANDS
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:mv_pellworth> $<TARGET_FILE:mvevent> ${MV_DEMO}/
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:mv_net> ${MV_DEMO}/System32/
  COMMAND mvdemoinit ${MV_DEMO})
add_custom_target(demo ${MV_DEMO_COMMANDS}
  DEPENDS Morvantis MorvantisStartup mv_net mv_pellworth mvevent mvdemoinit
  COMMENT "Laying out the demo program folder in ${MV_DEMO}"
  VERBATIM)
