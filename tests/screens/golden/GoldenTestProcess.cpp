// The golden-picture process renders the same on every machine: one scale, 96 dpi, and a
// private fontconfig that knows only the DejaVu faces of Debian's fonts-dejavu-core (the
// fallback for the rupee sign and the default UI font) and Noto Sans Devanagari of
// fonts-noto-core (Hindi) next to the component's own Metropolis faces, whatever else the
// machine has installed.
#include <cstdlib>  // setenv
#include <memory>   // shared_ptr

#include "QtTestMain.h"

namespace tarvel::test {

std::shared_ptr<void> prepareTestProcess() {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("QT_SCALE_FACTOR", "1", 1);
  setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
  setenv("QT_FONT_DPI", "96", 1);
  setenv("FONTCONFIG_FILE", TARVEL_GOLDEN_FONTCONFIG, 1);
  return nullptr;
}

}  // namespace tarvel::test
