#include <mutex>  // mutex, lock_guard

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include "platform/LoggingCategory.h"
#include "tarvel/Log.h"

namespace tarvel {
namespace {

// Collects the Qt messages of the component's category while it is installed.
class QtMessages {
 public:
  QtMessages() {
    instance() = this;
    previous_ = qInstallMessageHandler(&QtMessages::handle);
  }
  ~QtMessages() {
    qInstallMessageHandler(previous_);
    instance() = nullptr;
  }

  QStringList lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }

 private:
  static QtMessages*& instance() {
    static QtMessages* current = nullptr;
    return current;
  }

  static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (instance() && QString(context.category) == "tarvel.checkout") {
      const char* level = type == QtWarningMsg ? "W " : type == QtInfoMsg ? "I " : "D ";
      std::lock_guard<std::mutex> lock(instance()->mutex_);
      instance()->lines_ << level + text;
    }
  }

  mutable std::mutex mutex_;
  QStringList lines_;
  QtMessageHandler previous_ = nullptr;
};

// Without a sink of the host, lines go out as Qt messages of "tarvel.checkout" at their own
// level: a host that quiets the progress keeps the warnings, and answer dumps (debug) stay off
// unless a rule enables them. A host's own sink takes the lines first, with or without levels.
TEST(LoggingCategoryTests, LevelsFollowTheQtRulesUnlessAHostSinkTakesTheLines) {
  detail::routeLogThroughQt();
  const auto logEachLevel = [] {
    log(LogLevel::warning, "refused-3f9c");
    log(LogLevel::info, "progress-3f9c");
    log(LogLevel::debug, "dump-3f9c");
  };
  struct Case {
    const char* rules;
    QStringList expected;
  };
  for (const Case& c :
       {Case{"", {"W refused-3f9c", "I progress-3f9c"}},
        Case{"tarvel.checkout.info=false", {"W refused-3f9c"}},
        Case{"tarvel.checkout.debug=true", {"W refused-3f9c", "I progress-3f9c", "D dump-3f9c"}}}) {
    QtMessages messages;
    QLoggingCategory::setFilterRules(c.rules);
    logEachLevel();
    QLoggingCategory::setFilterRules("");
    EXPECT_EQ(messages.lines(), c.expected) << c.rules;
  }

  QtMessages messages;
  QStringList hostLines;
  setLogSink([&](LogLevel level, std::string_view line) {
    hostLines << QString::number(static_cast<int>(level)) +
                     QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
  });
  logEachLevel();
  setLogSink([&](std::string_view line) {
    hostLines << QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
  });
  log("plain-3f9c");
  setLogSink(nullptr);
  EXPECT_EQ(hostLines,
            QStringList({"2refused-3f9c", "1progress-3f9c", "0dump-3f9c", "plain-3f9c"}));
  EXPECT_TRUE(messages.lines().isEmpty());
}

}  // namespace
}  // namespace tarvel
