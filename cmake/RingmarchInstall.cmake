# cmake --install: the program, the public headers under include/ringmarch/, the static C++
# libraries, the shared C library, a CMake package (find_package(Ringmarch): Ringmarch::core,
# Ringmarch::solve, Ringmarch::shared) and pkg-config files; CPack makes a Debian package of the
# same files.
include(CMakePackageConfigHelpers)

set(RINGMARCH_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Ringmarch)
set(RINGMARCH_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(TARGET ringmarch)
  install(TARGETS ringmarch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The public headers: include/ringmarch/ as <prefix>/include/ringmarch/, the C++ API's and the C
# interface's, and nothing of the folders behind them.
file(GLOB RINGMARCH_PUBLIC_HEADERS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/include/ringmarch/*.hpp)
list(APPEND RINGMARCH_PUBLIC_HEADERS ${PROJECT_BINARY_DIR}/include/ringmarch/version.hpp)
if(TARGET ringmarch_shared)
  list(APPEND RINGMARCH_PUBLIC_HEADERS ${PROJECT_SOURCE_DIR}/include/ringmarch/ringmarch.h)
endif()
install(FILES ${RINGMARCH_PUBLIC_HEADERS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ringmarch)

# The static libraries of the C++ API: Ringmarch::core (the solver object, the instance, the TSPLIB
# files, the canonical search and the tour engine) and Ringmarch::solve (the solve layer, which
# brings the core and, where it is built, the cut engine with the LP solver it links).
target_compile_features(ringmarch_core PUBLIC cxx_std_20)
set_target_properties(ringmarch_core PROPERTIES EXPORT_NAME core)
set_target_properties(ringmarch_solve PROPERTIES EXPORT_NAME solve)
set(RINGMARCH_EXPORTED_TARGETS ringmarch_core ringmarch_solve)
set(RINGMARCH_NEEDS_CLP OFF)
set(RINGMARCH_PC_CXX_LIBS "-l:libringmarch_solve.a")
set(RINGMARCH_PC_CXX_REQUIRES "")
if(TARGET ringmarch_cut)
  set_target_properties(ringmarch_cut PROPERTIES EXPORT_NAME cut)
  list(APPEND RINGMARCH_EXPORTED_TARGETS ringmarch_cut)
  set(RINGMARCH_NEEDS_CLP ON)
  string(APPEND RINGMARCH_PC_CXX_LIBS " -l:libringmarch_cut.a")
  set(RINGMARCH_PC_CXX_REQUIRES "Requires.private: clp")
endif()
string(APPEND RINGMARCH_PC_CXX_LIBS " -l:libringmarch_core.a")
if(TARGET ringmarch_shared)
  set_target_properties(ringmarch_shared PROPERTIES EXPORT_NAME shared)
  list(APPEND RINGMARCH_EXPORTED_TARGETS ringmarch_shared)
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
    "exact travelling-salesman solver (program, C and C++ libraries)")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Ringmarch developers")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# Dependencies from the binaries' own libraries (libc6, libstdc++6, libgcc-s1, and the LP
# solver's coinor-libclp1 and coinor-libcoinutils3v5 where the cut engine is built), a shlibs
# file for packages that link libringmarch, and the ldconfig trigger.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
if(RINGMARCH_NEEDS_CLP)
  # The static C++ libraries are linked with the LP solver's development files, which
  # find_package(Ringmarch) and pkg-config look for.
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "coinor-libclp-dev, pkg-config")
endif()
# The package and CPack's scratch folder stay in the build tree, wherever cpack is run.
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
include(CPack)
