# Debian packages (CPack's DEB generator, one package per install component; see
# TarvelInstall.cmake). `make package` configures a -DBUILD_SHARED_LIBS=ON build and runs cpack
# in it. The dependencies are Debian's package names: dpkg-shlibdeps finds those of the runtime
# library and the sandbox tools from the libraries they link; the web module links the runtime
# library of this same release, which no shlibs file knows yet, so its list is written here.
# cpack installs after building the "preinstall" target, which would otherwise build every
# target of the tree, the tests included: `make package` builds what the packages hold first.
# (A `make install` in the build folder then installs what is built, as `cmake --install` does.)
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvel-checkout)
set(CPACK_PACKAGE_VENDOR "Tarvel")
set(CPACK_PACKAGE_CONTACT "Tarvel Checkout maintainers <checkout@tarvel.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Checkout component for Qt 6 applications")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tarvel.example/checkout")
# Without the debugging information of a RelWithDebInfo build.
set(CPACK_STRIP_FILES ON)

if(TARVEL_SHARED)
  set(_tarvel_runtime libtarvel-checkout${TARVEL_SOVERSION})
  set(_tarvel_exact "${_tarvel_runtime} (= ${PROJECT_VERSION})")
  set(CPACK_COMPONENTS_ALL runtime web dev sandbox)

  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${_tarvel_runtime})
  set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
      "Tarvel Checkout: the shared library\nThe checkout screens (UPI apps and QR code, cash on delivery with OTP) a Qt 6\napplication opens for an order. The web checkout is in libtarvel-checkout-web.")
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
  # The Devanagari font of the Hindi screens.
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "fonts-noto-core")
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "libtarvel-checkout-web (= ${PROJECT_VERSION})")

  set(CPACK_DEBIAN_WEB_PACKAGE_NAME libtarvel-checkout-web)
  set(CPACK_COMPONENT_WEB_DESCRIPTION
      "Tarvel Checkout: the web checkout module\nThe hosted checkout page in Qt WebEngine, loaded by libtarvel-checkout on the\nfirst web order.")
  set(CPACK_DEBIAN_WEB_PACKAGE_DEPENDS
      "${_tarvel_exact}, libqt6webenginewidgets6 (>= 6.4), libqt6webenginecore6 (>= 6.4), libqt6webchannel6 (>= 6.4), libqt6network6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6core6 (>= 6.4), libssl3 (>= 3.0.0), libstdc++6 (>= 12), libgcc-s1 (>= 3.0), libc6 (>= 2.34)")

  set(CPACK_DEBIAN_DEV_PACKAGE_NAME libtarvel-checkout-dev)
  set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
  set(CPACK_COMPONENT_DEV_DESCRIPTION
      "Tarvel Checkout: development files\nHeaders, the CMake package (find_package(TarvelCheckout)) and the pkg-config\nfile (tarvel-checkout).")
  set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
      "${_tarvel_exact}, qt6-base-dev (>= 6.4), nlohmann-json3-dev (>= 3.10)")

  set(CPACK_DEBIAN_SANDBOX_PACKAGE_NAME tarvel-sandbox)
  set(CPACK_DEBIAN_SANDBOX_PACKAGE_SECTION devel)
  set(CPACK_COMPONENT_SANDBOX_DESCRIPTION
      "Tarvel Checkout: local payment platform and simulated UPI apps\ntarvel-sandbox, tarvel-upi-app and the tarvel-with-sandbox launcher, for a\nmerchant's own tests.")
  set(CPACK_DEBIAN_SANDBOX_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_COMPONENTS_ALL dev web sandbox)
endif()

include(CPack)
