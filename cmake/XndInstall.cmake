# cmake --install: the static archives with their exported targets
# (xndnfe::xndnfe), the headers under include/xndnfe/, the installation data
# under share/xndnfe/, a package configuration for find_package(xndnfe) and
# xndnfe.pc for pkg-config.
include(CMakePackageConfigHelpers)

install(TARGETS ${XND_LIBRARY_MODULES} xndnfe EXPORT xndnfeTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${XND_INCLUDE_INSTALL_DIR})
install(EXPORT xndnfeTargets NAMESPACE xndnfe:: DESTINATION ${XND_CMAKE_INSTALL_DIR})

foreach(_dir platform external types utils services nfe danfe events rules datasets servers)
  if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/${_dir})
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/${_dir} DESTINATION ${XND_INCLUDE_INSTALL_DIR}
            FILES_MATCHING PATTERN "*.h")
  endif()
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/xndnfe.h DESTINATION ${XND_INCLUDE_INSTALL_DIR})
install(DIRECTORY ${XND_DATA_DIR}/ DESTINATION ${XND_DATA_INSTALL_DIR})

foreach(_program xndnfe-sefaz-sim xndnfe-certificados xndnfe-cli)
  if(TARGET ${_program})
    install(TARGETS ${_program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/xndnfeConfig.cmake.in
  ${PROJECT_BINARY_DIR}/xndnfeConfig.cmake
  INSTALL_DESTINATION ${XND_CMAKE_INSTALL_DIR}
  PATH_VARS XND_DATA_INSTALL_DIR XND_INCLUDE_INSTALL_DIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/xndnfeConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/xndnfeConfig.cmake ${PROJECT_BINARY_DIR}/xndnfeConfigVersion.cmake
        DESTINATION ${XND_CMAKE_INSTALL_DIR})

# xndnfe.pc finds its prefix from its own place, so the installed tree can be moved.
set(_pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
string(REGEX REPLACE "[^/]+" ".." XND_PC_PREFIX_FROM_PCFILEDIR ${_pc_dir})
set(XND_PC_LIBS "")
set(_reversed ${XND_LIBRARY_MODULES})
list(REVERSE _reversed)
foreach(_m ${_reversed})
  string(APPEND XND_PC_LIBS " -l${_m}")
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/xndnfe.pc.in ${PROJECT_BINARY_DIR}/xndnfe.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/xndnfe.pc DESTINATION ${_pc_dir})
