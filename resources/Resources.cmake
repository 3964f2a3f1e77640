# Built-in defaults: the readable settings files under resources/defaults are
# scrambled at build time by our own scrambler and compiled into both programs
# together with the two rule templates, as Qt resources under ":/mv/".
set(MV_SETTINGS_FILES
  AlertsAndLogSetting.MVL MVDB.MVL Components.MVL Database_HostSetting.MVL
  Database_IPAddress.MVL Database_IPRangeSetting.MVL Database_IPSetting.MVL
  Database_PortSetting.MVL Database_SubnetSetting.MVL Database_TCPPorts.MVL
  Database_UDPPorts.MVL ProgramControl.MVL ProgramMain.MVL)
set(MV_RULE_TEMPLATES DEFAULTRULE.CONF BLOCKALL.CONF)

set(MV_RES_OUT ${CMAKE_BINARY_DIR}/builtin)
set(MV_RES_FILES)
foreach(f IN LISTS MV_SETTINGS_FILES)
  add_custom_command(OUTPUT ${MV_RES_OUT}/${f}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MV_RES_OUT}
    COMMAND mvscramble settings ${CMAKE_SOURCE_DIR}/resources/defaults/${f} ${MV_RES_OUT}/${f}
    DEPENDS mvscramble ${CMAKE_SOURCE_DIR}/resources/defaults/${f}
    VERBATIM)
  list(APPEND MV_RES_FILES ${MV_RES_OUT}/${f})
endforeach()
foreach(f IN LISTS MV_RULE_TEMPLATES)
  add_custom_command(OUTPUT ${MV_RES_OUT}/${f}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MV_RES_OUT}
    COMMAND mvscramble template ${CMAKE_SOURCE_DIR}/resources/templates/${f} ${MV_RES_OUT}/${f}
    DEPENDS mvscramble ${CMAKE_SOURCE_DIR}/resources/templates/${f}
    VERBATIM)
  list(APPEND MV_RES_FILES ${MV_RES_OUT}/${f})
endforeach()
add_custom_target(mv_builtin_files DEPENDS ${MV_RES_FILES})

add_library(mv_resources STATIC resources/builtin.cpp)
target_link_libraries(mv_resources PUBLIC Qt6::Core)
target_include_directories(mv_resources PUBLIC ${CMAKE_SOURCE_DIR})
add_dependencies(mv_resources mv_builtin_files)
qt_add_resources(mv_resources "mvbuiltin" PREFIX "/mv" BASE ${MV_RES_OUT} FILES ${MV_RES_FILES})
