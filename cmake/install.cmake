# The installed tree, laid out as a host has it: the library and the outside
# components in lib/, the public headers in include/eventmanager/, eventscan
# in bin/, the sample home and logs in share/eventmanager/; a CMake package
# (find_package(eventmanager) gives eventmanager::eventmanager) and a
# pkg-config file (eventmanager.pc) for hosts that link the library.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(EVENTMANAGER_OUTSIDE_TARGETS
  em_dataaccess em_utility em_gsm_decoder em_cdma_decoder em_wcdma_decoder em_tdscdma_decoder em_lte_decoder
  em_umts_diagnosis em_tdscdma_diagnosis em_cdma_diagnosis em_expression_filter)

# Headers come from the source tree while building and from include/ once
# installed. The library's hosts read records through the data-access
# component, so linking the library brings it.
foreach(target eventmanager ${EVENTMANAGER_OUTSIDE_TARGETS})
  set_target_properties(${target} PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES
      "$<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>;$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>"
    INSTALL_RPATH "$ORIGIN")
endforeach()
set_property(TARGET eventmanager APPEND PROPERTY INTERFACE_LINK_LIBRARIES em_dataaccess)

file(RELATIVE_PATH EVENTMANAGER_LIBDIR_FROM_BINDIR
  /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${CMAKE_INSTALL_LIBDIR})
set_target_properties(eventscan PROPERTIES INSTALL_RPATH "$ORIGIN/${EVENTMANAGER_LIBDIR_FROM_BINDIR}")

install(TARGETS eventmanager ${EVENTMANAGER_OUTSIDE_TARGETS} EXPORT eventmanagerTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS eventscan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The Dask driver of `eventscan campaign --scheduler` is looked for beside eventscan.
install(PROGRAMS ${PROJECT_SOURCE_DIR}/tools/eventscan/campaign/campaign_dask.py DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/eventmanager DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(EVENTMANAGER_SAMPLE ${PROJECT_SOURCE_DIR}/data/sample)
install(FILES ${EVENTMANAGER_SAMPLE}/EventsDefine.cfg ${EVENTMANAGER_SAMPLE}/EventsProperty.cfg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/eventmanager)
install(DIRECTORY ${EVENTMANAGER_SAMPLE}/EventBitmap ${EVENTMANAGER_SAMPLE}/logs
  DESTINATION ${CMAKE_INSTALL_DATADIR}/eventmanager)

set(EVENTMANAGER_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/eventmanager)
install(EXPORT eventmanagerTargets NAMESPACE eventmanager:: DESTINATION ${EVENTMANAGER_CMAKE_DIR})
set(EVENTMANAGER_SAMPLE_HOME ${CMAKE_INSTALL_DATADIR}/eventmanager)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/eventmanagerConfig.cmake.in
  ${PROJECT_BINARY_DIR}/eventmanagerConfig.cmake
  INSTALL_DESTINATION ${EVENTMANAGER_CMAKE_DIR}
  PATH_VARS EVENTMANAGER_SAMPLE_HOME)
# 0.x: a new minor version may change the host interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/eventmanagerConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/eventmanagerConfig.cmake ${PROJECT_BINARY_DIR}/eventmanagerConfigVersion.cmake
  DESTINATION ${EVENTMANAGER_CMAKE_DIR})

# pkg-config finds the prefix from where the file lies, so the tree can move.
file(RELATIVE_PATH EVENTMANAGER_PREFIX_FROM_PCDIR /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${PROJECT_SOURCE_DIR}/cmake/eventmanager.pc.in ${PROJECT_BINARY_DIR}/eventmanager.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/eventmanager.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
