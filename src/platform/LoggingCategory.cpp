#include "platform/LoggingCategory.h"

#include <mutex>  // once_flag, call_once

#include <QString>

#include "config/DefaultLogSink.h"

namespace tarvel::detail {

Q_LOGGING_CATEGORY(checkoutLog, "tarvel.checkout", QtInfoMsg)

void routeLogThroughQt() {
  static std::once_flag once;
  std::call_once(once, [] {
    setDefaultLogSink([](std::string_view line) {
      qCInfo(checkoutLog).noquote()
          << QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    });
  });
}

}  // namespace tarvel::detail
