#pragma once

#include <functional>  // function
#include <memory>      // shared_ptr

#include "tarvel/CheckoutStatusDelegate.h"
#include "tarvel/Dictionary.h"
#include "tarvel/TarvelPaymentStatusDelegate.h"

namespace tarvel {

class ViewController;
class VerifyOTPViewModel;

namespace detail {
class CheckoutCore;
}

/// The component's entry point. The host creates it with a production flag and its delegate,
/// and calls `openCart` with one order; the delegate then hears the flow's outcome once, on the
/// main (GUI) thread, through `tarvelPayment(status, data)`.
///
///   auto checkout = std::make_shared<tarvel::TarvelCheckout>(false, myDelegate);
///   checkout->openCart({{"order_type", "upi"}, {"mid", "M1"}, {"moid", "O1"}, ...});
///
/// `openCart` shows the component's screens in the host's key window: it makes sure the
/// window's root is a `NavigationController` (the former root becomes the bottom of its
/// stack), then chooses the flow from the order's "order_type" and "upi_app":
///   "order_type" missing or not a text       nothing (the window is still prepared)
///   "non-vx"                                 one RTO tracking request, no screen; the host
///                                            hears status true with the answer, or false with
///                                            {"error": "<reason>"}
///   "upi" + "upi_app" "customweb"            web checkout, pushed
///   "upi" + anything else                    UPI payment screen, pushed
///   other + "upi_app" "customweb"            web checkout, pushed
///   other + "upi_app" ""                     OTP screen, presented modally (above whatever
///                                            the window presents already)
///   other + anything else                    OTP screen, pushed
/// Texts are compared exactly ("UPI" is not "upi"). When the host shows no window, the
/// component opens a phone-sized window of its own for a flow with a screen, and closes it once
/// no screen of the component is left in it; a flow without a screen opens no window. A window
/// without a root gets a blank bottom screen under the component's screens, so that they can
/// always close themselves by popping.
///
/// Construction sets the process-wide environment (`NetworkManager`) from the flag; the last
/// entry object (or screen) created wins for all later requests, and every screen gets the
/// environment current when it opens as its production flag.
///
/// Each flow reports exactly once: a screen's second report is dropped and logged, and a screen
/// closed without a report, or one that cannot be shown, ends its flow with status false and
/// {"error": "<reason>"}. An order without a text "order_type" starts no flow and says so in
/// the log. The flows
/// keep what they need alive, so the object may be created on the stack, as a member or
/// through std::make_shared, and may go away while a flow runs. Use it on the main thread.
class TarvelCheckout : public CheckoutStatusDelegate {
 public:
  TarvelCheckout(bool production, std::shared_ptr<TarvelPaymentStatusDelegate> delegate);
  ~TarvelCheckout() override;
  TarvelCheckout(const TarvelCheckout&) = delete;
  TarvelCheckout& operator=(const TarvelCheckout&) = delete;

  /// Starts the checkout of one order (see above). Returns at once and reports nothing
  /// synchronously. Called off the main thread, it moves itself to the main thread.
  virtual void openCart(const Dictionary& createData);

  /// Starts the web engine behind the hosted web checkout ahead of time. Qt WebEngine's own
  /// start-up (its browser context, the default profile, a renderer process) holds the GUI
  /// thread for a few hundred milliseconds the first time a process shows a web page; called
  /// at application start-up or when the cart opens, it is paid before the shopper pays, and
  /// the first web checkout opens like any later one. Nothing else loads the engine: the UPI
  /// and OTP flows never start it.
  ///
  ///   QApplication app(argc, argv);   // made with Qt::AA_ShareOpenGLContexts
  ///   tarvel::TarvelCheckout::warmUpWebCheckout();
  ///
  /// Returns at once; `ready`, when given, runs once on the main thread when the engine has
  /// loaded its first (blank, hidden) page. Repeated calls start nothing new. The blank page is
  /// released when the first web checkout opens. Call it from any thread once the
  /// QApplication exists. The engine comes with the web checkout module, which this call (or
  /// the first web order) loads; where the module is not installed, the call says so in the log
  /// and `ready` never runs, and a web order ends with status false and {"error": "<reason>"}.
  static void warmUpWebCheckout(std::function<void()> ready = {});

  /// Passes a flow's outcome on to the host delegate unchanged, on the calling thread. Every
  /// screen's outcome comes through here while this object lives, so a subclass may override
  /// it (and call this one to reach the host); outcomes of flows that outlive this object go
  /// straight to the host delegate. The "non-vx" answer goes straight to the host delegate.
  void checkOutCompleted(bool status, const Dictionary& data) override;

  /// The key window's former root screen, kept by the last `openCart` that found a root that
  /// was not a navigation controller; nullptr before, or once that screen is gone.
  ViewController* rootViewController() const;
  void setRootViewController(ViewController* root);

  /// The host delegate that receives the outcomes.
  std::shared_ptr<TarvelPaymentStatusDelegate> checkoutStatusDelegate() const;
  void setCheckoutStatusDelegate(std::shared_ptr<TarvelPaymentStatusDelegate> delegate);

  /// The view model of the "non-vx" flow (a new one with a new `APIService` and an empty
  /// order at construction).
  std::shared_ptr<VerifyOTPViewModel> viewModel() const;
  void setViewModel(std::shared_ptr<VerifyOTPViewModel> viewModel);

 private:
  std::shared_ptr<detail::CheckoutCore> core_;
};

}  // namespace tarvel
