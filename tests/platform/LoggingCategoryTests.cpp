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
    if (instance() && QString(context.category) == "tarvel.checkout" && type == QtInfoMsg) {
      std::lock_guard<std::mutex> lock(instance()->mutex_);
      instance()->lines_ << text;
    }
  }

  mutable std::mutex mutex_;
  QStringList lines_;
  QtMessageHandler previous_ = nullptr;
};

// Without a sink of the host, lines go out as Qt messages of "tarvel.checkout", which the Qt
// filter rules switch off; a host's own sink still takes them first.
TEST(LoggingCategoryTests, LinesGoThroughTheQtCategoryUnlessFilteredOrTakenByAHostSink) {
  detail::routeLogThroughQt();
  QtMessages messages;

  log("marker-3f9c1b7e-through-qt");
  QLoggingCategory::setFilterRules("tarvel.checkout.info=false");
  log("marker-3f9c1b7e-filtered");
  QLoggingCategory::setFilterRules("");
  QStringList hostLines;
  setLogSink(
      [&](std::string_view line) { hostLines << QString::fromUtf8(line.data(), line.size()); });
  log("marker-3f9c1b7e-host-sink");
  setLogSink(nullptr);

  EXPECT_EQ(messages.lines(), QStringList({"marker-3f9c1b7e-through-qt"}));
  EXPECT_EQ(hostLines, QStringList({"marker-3f9c1b7e-host-sink"}));
}

}  // namespace
}  // namespace tarvel
