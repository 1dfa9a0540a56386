include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Install components, one Debian package each (cmake/TarvelPackaging.cmake): "runtime" (the
# shared library), "web" (the web checkout module), "dev" (headers, CMake package, pkg-config
# file, the static archives or the shared library's link name) and "sandbox" (the local
# platform and the simulated UPI apps).
#
# Static build: tarvel::core and tarvel::checkout are the archives. Shared build
# (-DBUILD_SHARED_LIBS=ON): tarvel::checkout is libtarvel-checkout.so, the core inside it, and
# the package config defines tarvel::core as a name for it. The warnings target is a build-time
# detail of this project and stays behind.
set(TARVEL_SHARED OFF)
if(BUILD_SHARED_LIBS AND TARGET tarvel_checkout_shared)
  set(TARVEL_SHARED ON)
  install(TARGETS tarvel_checkout_shared EXPORT TarvelCheckoutTargets
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
else()
  set(_tarvel_export_targets tarvel_core)
  if(TARVEL_BUILD_UI)
    list(APPEND _tarvel_export_targets tarvel_checkout)
  endif()
  install(TARGETS ${_tarvel_export_targets} EXPORT TarvelCheckoutTargets
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
endif()
# The web checkout module goes beside the libraries, in an export set and an install component
# ("web") of its own: a packager may leave both out, and find_package still finds tarvel::checkout.
if(TARVEL_BUILD_UI)
  set(_tarvel_web_module tarvel_web_checkout)
  if(TARVEL_SHARED)
    set(_tarvel_web_module tarvel_web_checkout_linked)
  endif()
  install(TARGETS ${_tarvel_web_module} EXPORT TarvelCheckoutWebTargets
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT web)
  install(EXPORT TarvelCheckoutWebTargets NAMESPACE tarvel::
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/TarvelCheckout COMPONENT web)
endif()
install(DIRECTORY include/tarvel DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
install(FILES ${PROJECT_BINARY_DIR}/include/tarvel/Version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tarvel COMPONENT dev)
install(EXPORT TarvelCheckoutTargets NAMESPACE tarvel::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/TarvelCheckout COMPONENT dev)
configure_package_config_file(cmake/TarvelCheckoutConfig.cmake.in
        ${CMAKE_CURRENT_BINARY_DIR}/TarvelCheckoutConfig.cmake
        INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/TarvelCheckout)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/TarvelCheckoutConfigVersion.cmake
        COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/TarvelCheckoutConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/TarvelCheckoutConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/TarvelCheckout COMPONENT dev)

# pkg-config: tarvel-checkout.pc, for the shared library (a static host has the CMake package).
# Its prefix is found from the file's own place, so an unpacked or relocated tree works as is.
if(TARVEL_SHARED)
  file(RELATIVE_PATH TARVEL_PC_PREFIX_FROM_PCFILEDIR
       ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
  string(REGEX REPLACE "/$" "" TARVEL_PC_PREFIX_FROM_PCFILEDIR "${TARVEL_PC_PREFIX_FROM_PCFILEDIR}")
  configure_file(cmake/tarvel-checkout.pc.in ${CMAKE_CURRENT_BINARY_DIR}/tarvel-checkout.pc @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/tarvel-checkout.pc
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
endif()

# The local platform and the simulated UPI apps, so a merchant can run the same sandbox in
# their own tests.
foreach(_tarvel_tool tarvel-sandbox tarvel-upi-app)
  if(TARGET ${_tarvel_tool})
    install(TARGETS ${_tarvel_tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT sandbox)
  endif()
endforeach()

# The launcher that starts them around a command: `tarvel-with-sandbox PREFIX my-shop`.
if(TARGET tarvel-sandbox)
  install(PROGRAMS scripts/with-sandbox.sh DESTINATION ${CMAKE_INSTALL_BINDIR}
          RENAME tarvel-with-sandbox COMPONENT sandbox)
endif()
