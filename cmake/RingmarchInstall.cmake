# cmake --install: the program, the headers under include/ringmarch/, the static core, the shared
# C library, a CMake package (find_package(Ringmarch): Ringmarch::core, Ringmarch::shared) and
# pkg-config files; CPack makes a Debian package of the same files.
include(CMakePackageConfigHelpers)

set(RINGMARCH_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Ringmarch)
set(RINGMARCH_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(TARGET ringmarch)
  install(TARGETS ringmarch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The headers of the C++ API, in their folders, so that they include each other as in the tree.
set(RINGMARCH_PUBLIC_HEADERS
    instance/distance_rule.h instance/instance.h instance/problem_conversion.h
    model/error_code.h model/error_reporting.h model/generation.h model/problem_data.h
    object/ringmarch_object.h solver/solve_driver.h solver/tour_record.h tsplib/file_name.h
    tsplib/strict_tsp_reader.h tsplib/tolerant_tsp_reader.h tsplib/tour_file.h
    tsplib/tsp_file.h)
foreach(header IN LISTS RINGMARCH_PUBLIC_HEADERS)
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header}
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ringmarch/${folder})
endforeach()

target_compile_features(ringmarch_core PUBLIC cxx_std_20)
set_target_properties(ringmarch_core PROPERTIES EXPORT_NAME core)
set(RINGMARCH_EXPORTED_TARGETS ringmarch_core)
if(TARGET ringmarch_shared)
  set_target_properties(ringmarch_shared PROPERTIES EXPORT_NAME shared)
  list(APPEND RINGMARCH_EXPORTED_TARGETS ringmarch_shared)
  install(FILES ${PROJECT_SOURCE_DIR}/capi/ringmarch/ringmarch.h
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ringmarch)
endif()
install(TARGETS ${RINGMARCH_EXPORTED_TARGETS} EXPORT RingmarchTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT RingmarchTargets NAMESPACE Ringmarch:: DESTINATION ${RINGMARCH_CMAKE_DIR})

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/RingmarchConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/RingmarchConfig.cmake
                              INSTALL_DESTINATION ${RINGMARCH_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/RingmarchConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/RingmarchConfig.cmake
              ${PROJECT_BINARY_DIR}/RingmarchConfigVersion.cmake
        DESTINATION ${RINGMARCH_CMAKE_DIR})

# The pkg-config files find the prefix from their own place, so an installed tree can move.
file(RELATIVE_PATH RINGMARCH_PC_TO_PREFIX /prefix/${RINGMARCH_PKGCONFIG_DIR} /prefix)
string(REGEX REPLACE "/$" "" RINGMARCH_PC_TO_PREFIX "${RINGMARCH_PC_TO_PREFIX}")
foreach(pc ringmarch ringmarch-core)
  if(pc STREQUAL "ringmarch" AND NOT TARGET ringmarch_shared)
    continue()
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${RINGMARCH_PKGCONFIG_DIR})
endforeach()

# The licence: MIT, as LICENSE says, installed where Debian looks for a package's terms.
set(RINGMARCH_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/ringmarch)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/copyright DESTINATION ${RINGMARCH_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_NAME ringmarch)
set(CPACK_PACKAGE_VENDOR Ringmarch)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "exact travelling-salesman solver for up to 127 cities (program, C and C++ libraries)")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Ringmarch developers")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# Dependencies from the binaries' own libraries (libc6, libstdc++6, libgcc-s1), a shlibs file
# for packages that link libringmarch, and the ldconfig trigger.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# The package and CPack's scratch folder stay in the build tree, wherever cpack is run.
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
include(CPack)
