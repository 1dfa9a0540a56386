#include "platform/LoggingCategory.h"

#include <mutex>  // once_flag, call_once

#include <QString>

#include "config/DefaultLogSink.h"

namespace tarvel::detail {

Q_LOGGING_CATEGORY(checkoutLog, "tarvel.checkout", QtInfoMsg)

void routeLogThroughQt() {
  static std::once_flag once;
  std::call_once(once, [] {
    setDefaultLogSink([](LogLevel level, std::string_view line) {
      const QString text = QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
      switch (level) {
        case LogLevel::debug:
          qCDebug(checkoutLog).noquote() << text;
          return;
        case LogLevel::info:
          qCInfo(checkoutLog).noquote() << text;
          return;
        case LogLevel::warning:
          qCWarning(checkoutLog).noquote() << text;
          return;
      }
    });
  });
}

}  // namespace tarvel::detail
