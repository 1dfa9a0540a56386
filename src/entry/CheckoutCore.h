#pragma once

#include <memory>  // shared_ptr, enable_shared_from_this
#include <mutex>   // mutex
#include <string>  // string
#include <vector>  // vector

#include <QPointer>

#include "tarvel/Dictionary.h"
#include "tarvel/TarvelPaymentStatusDelegate.h"
#include "tarvel/ViewController.h"

namespace tarvel {

class CheckoutScreen;
class NavigationController;
class TarvelCheckout;
class VerifyOTPViewModel;

namespace detail {

/// What a `TarvelCheckout` is: the host delegate, the RTO view model, the former window root,
/// and the routing of orders to flows. Shared by the entry object the host holds, by each
/// flow's relay and by the RTO closures, so a flow keeps it alive after the host let go.
class CheckoutCore : public std::enable_shared_from_this<CheckoutCore> {
 public:
  CheckoutCore(bool production, std::shared_ptr<TarvelPaymentStatusDelegate> delegate);
  ~CheckoutCore();

  void openCart(const Dictionary& createData);

  /// Passes an outcome to the host delegate, on the calling thread.
  void deliver(bool status, const Dictionary& data);
  /// Passes a screen's outcome through the entry object's (overridable) `checkOutCompleted`
  /// while it lives, else straight to the host delegate. Main thread.
  void passScreenOutcome(bool status, const Dictionary& data);
  /// The entry object the host holds, or nullptr once it is gone. Main thread.
  void setEntryObject(TarvelCheckout* entry);
  /// A flow's screen is gone (main thread).
  void screenClosed();

  ViewController* rootViewController() const;
  void setRootViewController(ViewController* root);
  std::shared_ptr<TarvelPaymentStatusDelegate> delegate() const;
  void setDelegate(std::shared_ptr<TarvelPaymentStatusDelegate> delegate);
  std::shared_ptr<VerifyOTPViewModel> viewModel() const;
  void setViewModel(std::shared_ptr<VerifyOTPViewModel> viewModel);

  /// How this object prints in the log.
  std::string description() const;

 private:
  NavigationController* prepareWindow();
  void startRtoTracking(const Dictionary& createData);
  void finishRtoTracking(bool status, const Dictionary& data);
  void show(CheckoutScreen* screen, const std::string& screenName, NavigationController* navigation,
            bool modally, const std::string& order);
  void reportUnstartable(const std::string& error);

  mutable std::mutex mutex_;  // guards the three fields below, which hosts may touch anywhere
  std::shared_ptr<TarvelPaymentStatusDelegate> delegate_;
  std::shared_ptr<VerifyOTPViewModel> viewModel_;
  QPointer<ViewController> rootViewController_;

  TarvelCheckout* entry_ = nullptr;  // main thread only; cleared by the entry's destructor

  // Main thread only: RTO requests still waiting for their answer, and the view models whose
  // RTO closures hold this object until then.
  int rtoPending_ = 0;
  std::vector<std::shared_ptr<VerifyOTPViewModel>> rtoViewModels_;
};

}  // namespace detail
}  // namespace tarvel
