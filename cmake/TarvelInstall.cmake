include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(_tarvel_export_targets tarvel_core tarvel_compile_options)
if(TARVEL_BUILD_UI)
  list(APPEND _tarvel_export_targets tarvel_checkout)
endif()

install(TARGETS ${_tarvel_export_targets} EXPORT TarvelCheckoutTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY include/tarvel DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
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
