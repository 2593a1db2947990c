# Installation as the package glnamelist, in parts a host asks for by name:
#
#   find_package(glnamelist COMPONENTS component platform)   # ICU only
#   target_link_libraries(host PRIVATE glnamelist::component glnamelist::platform)
#
# component: GLNameList (with the contracts, services and providers it links); platform:
# the platform stand-ins and the record-set engine; ledger: the data service on SQLite and
# PostgreSQL; listkit: what every list control shares; tui: the terminal list control; qt:
# the Qt list control (when built). Each part's targets file is its own, so that a host
# finds only the packages of the parts it asks for (and of the parts those link).
# The headers a host includes are those under include/, and nothing else.
include(CMakePackageConfigHelpers)
set(GLNAMELIST_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/glnamelist)

# glnamelist_install_part(PART TARGET...): the targets of one part, in an export of its own.
function(glnamelist_install_part part)
  install(TARGETS ${ARGN} EXPORT glnamelist-${part}
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(EXPORT glnamelist-${part} NAMESPACE glnamelist::
          FILE glnamelist-${part}-targets.cmake DESTINATION ${GLNAMELIST_CMAKE_DIR})
endfunction()

# The parts built, each with its headers; the headers of a part not built stay out.
set(GLNAMELIST_PARTS)
set(excluded)
foreach(part component platform ledger listkit tui qt)
  if(TARGET glnamelist_${part})
    list(APPEND GLNAMELIST_PARTS ${part})
  else()
    list(APPEND excluded PATTERN ${part} EXCLUDE)
  endif()
endforeach()
glnamelist_install_part(component glnamelist_contracts glnamelist_services
                        glnamelist_providers glnamelist_component)
if(TARGET glnamelist_platform)
  glnamelist_install_part(platform glnamelist_recordset glnamelist_platform)
endif()
if(TARGET glnamelist_ledger)
  glnamelist_install_part(ledger glnamelist_ledger glnamelist_ledger_db glnamelist_ledger_schema
                          glnamelist_ledger_sqlite glnamelist_ledger_pg)
endif()
foreach(part listkit tui qt)
  if(TARGET glnamelist_${part})
    glnamelist_install_part(${part} glnamelist_${part})
  endif()
endforeach()

install(DIRECTORY include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/glnamelist
        FILES_MATCHING PATTERN "*.h" ${excluded})
configure_package_config_file(cmake/glnamelistConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/glnamelistConfig.cmake
  INSTALL_DESTINATION ${GLNAMELIST_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/glnamelistConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/glnamelistConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/glnamelistConfigVersion.cmake
              cmake/glnamelistCurses.cmake
        DESTINATION ${GLNAMELIST_CMAKE_DIR})
