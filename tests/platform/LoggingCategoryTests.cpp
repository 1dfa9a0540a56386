#include <functional>   // function
#include <string>       // string, to_string
#include <string_view>  // string_view
#include <vector>       // vector

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include "platform/LoggingCategory.h"
#include "tarvel/Log.h"

namespace tarvel {
namespace {

// Where the Qt messages of the component's category that this thread logs go while collected.
thread_local QStringList* qtLines = nullptr;

void collectQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  const char* level = type == QtWarningMsg ? "W " : type == QtInfoMsg ? "I " : "D ";
  if (qtLines && QString(context.category) == "tarvel.checkout") *qtLines << level + text;
}

// The Qt messages of the component's category that `work` logs, with their levels.
QStringList qtMessagesOf(const std::function<void()>& work) {
  QStringList lines;
  qtLines = &lines;
  const QtMessageHandler previous = qInstallMessageHandler(&collectQtMessage);
  work();
  qInstallMessageHandler(previous);
  qtLines = nullptr;
  return lines;
}

// Without a sink of the host, lines go out as Qt messages of "tarvel.checkout" at their own
// level: answer dumps (debug) stay off unless a rule enables them (a host that quiets the
// progress and keeps the warnings: TarvelCheckoutGuiHostTests, in a process of its own). A host's
// own sink takes the lines first, with or without levels.
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
        Case{"tarvel.checkout.debug=true", {"W refused-3f9c", "I progress-3f9c", "D dump-3f9c"}}}) {
    QLoggingCategory::setFilterRules(c.rules);
    EXPECT_EQ(qtMessagesOf(logEachLevel), c.expected) << c.rules;
  }
  QLoggingCategory::setFilterRules("");

  std::vector<std::string> hostLines;
  EXPECT_TRUE(qtMessagesOf([&] {
                setLogSink([&](LogLevel level, std::string_view line) {
                  hostLines.push_back(std::to_string(static_cast<int>(level)) + std::string(line));
                });
                logEachLevel();
                setLogSink([&](std::string_view line) { hostLines.emplace_back(line); });
                log("plain-3f9c");
                setLogSink(nullptr);
              }).isEmpty());
  EXPECT_EQ(hostLines, (std::vector<std::string>{"2refused-3f9c", "1progress-3f9c", "0dump-3f9c",
                                                 "plain-3f9c"}));
}

}  // namespace
}  // namespace tarvel
