include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Exported as tarvel::core and tarvel::checkout. The warnings target is a build-time detail of
# this project and stays behind.
set(_tarvel_export_targets tarvel_core)
if(TARVEL_BUILD_UI)
  list(APPEND _tarvel_export_targets tarvel_checkout)
endif()

install(TARGETS ${_tarvel_export_targets} EXPORT TarvelCheckoutTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
# The web checkout module goes beside the libraries, in an export set and an install component
# ("web") of its own: a packager may leave both out, and find_package still finds tarvel::checkout.
if(TARVEL_BUILD_UI)
  install(TARGETS tarvel_web_checkout EXPORT TarvelCheckoutWebTargets
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT web)
  install(EXPORT TarvelCheckoutWebTargets NAMESPACE tarvel::
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/TarvelCheckout COMPONENT web)
endif()
install(DIRECTORY include/tarvel DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_BINARY_DIR}/include/tarvel/Version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tarvel)
install(EXPORT TarvelCheckoutTargets NAMESPACE tarvel::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/TarvelCheckout)
configure_package_config_file(cmake/TarvelCheckoutConfig.cmake.in
        ${CMAKE_CURRENT_BINARY_DIR}/TarvelCheckoutConfig.cmake
        INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/TarvelCheckout)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/TarvelCheckoutConfigVersion.cmake
        COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/TarvelCheckoutConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/TarvelCheckoutConfigVersion.cmake
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/TarvelCheckout)

# The local platform and the simulated UPI apps, so a merchant can run the same sandbox in
# their own tests.
foreach(_tarvel_tool tarvel-sandbox tarvel-upi-app)
  if(TARGET ${_tarvel_tool})
    install(TARGETS ${_tarvel_tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The launcher that starts them around a command: `tarvel-with-sandbox PREFIX my-shop`.
if(TARGET tarvel-sandbox)
  install(PROGRAMS scripts/with-sandbox.sh DESTINATION ${CMAKE_INSTALL_BINDIR}
          RENAME tarvel-with-sandbox)
endif()
