#include "tarvel/Version.h"

namespace tarvel {

// Compiled into the library, so it names the library's version even when a host was built
// against other headers.
const char* version() { return TARVEL_CHECKOUT_VERSION_STRING; }

}  // namespace tarvel
