#pragma once

/// Exports one of the web checkout module's internals from the module for the module's own
/// tests, which link it; the module is otherwise compiled with hidden visibility.
#define TARVEL_MODULE_TEST_API __attribute__((visibility("default")))
