# Installation: the shared libraries, the public headers as
# include/kelvane/*.h, a CMake package (find_package(kelvane), target
# kelvane::kelvane) and a pkg-config file (kelvane.pc).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KELVANE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/kelvane)

# Consumers write #include <kelvane/KVnum.h>: the include root goes on their
# path, and every public header sits under include/kelvane/ in the source tree.
# Internal headers stay beside their sources and are never installed.
set(_kelvane_targets kelvane kvframe)
foreach(_t ${_kelvane_targets})
  target_include_directories(${_t} PUBLIC
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
endforeach()
# The installed libkelvane finds libkvframe beside it, wherever the prefix is.
set_target_properties(kelvane PROPERTIES INSTALL_RPATH "\$ORIGIN")

install(TARGETS ${_kelvane_targets} EXPORT kelvaneTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kelvane
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")

install(EXPORT kelvaneTargets
  NAMESPACE kelvane::
  FILE kelvaneTargets.cmake
  DESTINATION ${KELVANE_INSTALL_CMAKEDIR})
configure_package_config_file(
  ${PROJECT_SOURCE_DIR}/cmake/kelvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/kelvaneConfig.cmake
  INSTALL_DESTINATION ${KELVANE_INSTALL_CMAKEDIR})
# The soname carries the major version, so the package promises the same.
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/kelvaneConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/kelvaneConfig.cmake
  ${PROJECT_BINARY_DIR}/kelvaneConfigVersion.cmake
  DESTINATION ${KELVANE_INSTALL_CMAKEDIR})

# pkg-config: paths relative to the .pc file's own folder, so an installed
# tree can be moved or installed with --prefix.
# -lkvframe is there for programs that use the module class (Kelvane.h).
set(KELVANE_PC_LIBS "-lkelvane -lkvframe")
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(KELVANE_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  set(KELVANE_PC_LIBDIR "${CMAKE_INSTALL_FULL_LIBDIR}")
  set(KELVANE_PC_INCLUDEDIR "${CMAKE_INSTALL_FULL_INCLUDEDIR}")
else()
  file(RELATIVE_PATH _pc_up "/_/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/_")
  string(REGEX REPLACE "/$" "" _pc_up "${_pc_up}")
  set(KELVANE_PC_PREFIX "\${pcfiledir}/${_pc_up}")
  set(KELVANE_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
  set(KELVANE_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/kelvane.pc.in
  ${PROJECT_BINARY_DIR}/kelvane.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kelvane.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Installs into a temporary prefix and builds and runs a small consumer
# against the installed package, once through find_package and once through
# pkg-config. The consumer is built with the sanitizers the library has.
if(KELVANE_TESTS)
  find_program(KELVANE_BASH bash)
  set(_pkgtest ${PROJECT_SOURCE_DIR}/tests/package/run_package_test.sh)
  set(_consumer_flags "")
  if(KELVANE_SANITIZE)
    string(APPEND _consumer_flags " -fsanitize=address,undefined -fno-sanitize-recover=all")
  endif()
  if(KELVANE_TSAN)
    string(APPEND _consumer_flags " -fsanitize=thread")
  endif()
  string(STRIP "${_consumer_flags}" _consumer_flags)
  if(KELVANE_BASH AND KELVANE_FUZZ)
    add_test(NAME package_install COMMAND ${KELVANE_BASH} ${_pkgtest} --skip
      "a library with fuzzing instrumentation needs the fuzzer runtime in every program that links it")
  elseif(KELVANE_BASH)
    add_test(NAME package_install
      COMMAND ${KELVANE_BASH} ${_pkgtest}
        ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR}/tests/package/consumer
        ${CMAKE_COMMAND} ${CMAKE_CXX_COMPILER} $<CONFIG> "${_consumer_flags}")
  endif()
  if(TEST package_install)
    set_tests_properties(package_install PROPERTIES SKIP_RETURN_CODE 77)
  endif()
endif()
