#pragma once

#include <atomic>  // atomic
#include <memory>  // shared_ptr, enable_shared_from_this
#include <string>  // string

#include "tarvel/CheckoutStatusDelegate.h"

class QObject;
class QWidget;

namespace tarvel::detail {

class CheckoutCore;
class JournalTicket;

/// The delegate of one flow's screen: passes the screen's first report on through the entry
/// object (see `CheckoutCore::passScreenOutcome`) and keeps the core alive while the screen
/// lives.
///
/// Later reports are dropped and logged. When the screen is destroyed without having
/// reported, the flow waits one more turn of the main event loop (a screen may report in a
/// block it posted while closing itself) and then reports status false with
/// {"error": "<screen> was closed before the checkout finished."}; a report that comes after
/// that is dropped too.
class FlowRelay : public CheckoutStatusDelegate, public std::enable_shared_from_this<FlowRelay> {
 public:
  /// `order`: the "moid" this flow holds open (see `OpenOrders`), released when the flow ends;
  /// "" for none.
  FlowRelay(std::shared_ptr<CheckoutCore> core, std::string screenName, std::string order = {});
  ~FlowRelay() override;

  /// Follows `screen`'s destruction. Call once, on the main thread.
  void watch(QObject* screen);
  /// Follows the window `screen` is shown in: once that window is closed or hidden (a tray
  /// application's window that only hides on close), the flow ends as for a destroyed screen and
  /// the screen is deleted. Call once `screen` sits in its window.
  void watchWindow(QWidget* screen);

  void checkOutCompleted(bool status, const Dictionary& data) override;

  /// Ends the flow with status false and {"error": `error`} in a later turn of the main event
  /// loop, unless it has reported already; for a flow whose screen could not be shown.
  void fail(const std::string& error);

  const std::string& screenName() const { return screenName_; }

  /// The screen's journal entry, closed once the outcome has been passed on.
  void followJournal(std::shared_ptr<JournalTicket> ticket);

 private:
  void screenDestroyed();
  std::string closedError() const;
  bool claim();
  void pass(bool status, const Dictionary& data);

  std::shared_ptr<CheckoutCore> core_;
  std::string screenName_;
  std::string order_;
  std::atomic<bool> reported_{false};
  std::shared_ptr<JournalTicket> journal_;
};

}  // namespace tarvel::detail
