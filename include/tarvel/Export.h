#pragma once

/// \file
/// The symbol-export macro of the component's public classes and functions.
///
/// The component is compiled with hidden symbol visibility: only what carries
/// `TARVEL_CHECKOUT_EXPORT` is visible outside `libtarvel-checkout.so` (a build with
/// `-DBUILD_SHARED_LIBS=ON`), so the internals and the third-party libraries it uses stay out
/// of the library's interface. A host linking the static archives gets `TARVEL_CHECKOUT_STATIC`
/// from the CMake package and the macro expands to nothing.

#if defined(TARVEL_CHECKOUT_STATIC)
/// Marks a class or function of the public interface: nothing, in a host of the static archives.
#define TARVEL_CHECKOUT_EXPORT
#else
/// Marks a class or function of the public interface: default visibility, so that it is
/// exported from the shared library (and, from the static archives, from an executable
/// linked with --export-dynamic, for the web checkout module).
#define TARVEL_CHECKOUT_EXPORT __attribute__((visibility("default")))
#endif

/// Keeps one member of an exported class inside the library: one that takes an internal
/// type (a seam of the component's own tests), which a host cannot call anyway.
#define TARVEL_CHECKOUT_NO_EXPORT __attribute__((visibility("hidden")))
