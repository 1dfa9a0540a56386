#pragma once

#include <functional>  // function
#include <memory>      // shared_ptr
#include <string>      // string

#include "tarvel/CheckoutStatusDelegate.h"
#include "tarvel/Dictionary.h"
#include "tarvel/Export.h"
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
/// \code
///   auto checkout = std::make_shared<tarvel::TarvelCheckout>(false, myDelegate);
///   checkout->openCart({{"order_type", "upi"}, {"mid", "M1"}, {"moid", "O1"}, ...});
/// \endcode
///
/// `openCart` shows the component's screens in the host's key window: while they show, the
/// window's root is a `NavigationController` (a former root that is not one becomes the bottom
/// of its stack), and once the component's last screen there has closed, the host's former
/// root is back in its place, at the window's size and with the focus where it was. It then
/// chooses the flow from the order's "order_type" and "upi_app":
/// \code{.unparsed}
///   "order_type" missing or not a text       none: ends at once with false and
///                                            {"error": "<reason>"}
///   "non-vx"                                 one RTO tracking request, no screen, the windows
///                                            untouched; the host hears status true with the
///                                            answer, or false with {"error": "<reason>"}
///   "upi" + "upi_app" "customweb"            web checkout, pushed
///   "upi" + anything else                    UPI payment screen, pushed
///   other + "upi_app" "customweb"            web checkout, pushed
///   other + "upi_app" ""                     OTP screen, presented modally (above whatever
///                                            the window presents already)
///   other + anything else                    OTP screen, pushed
/// \endcode
/// Texts are compared exactly ("UPI" is not "upi"). When the host shows no window, the
/// component opens a phone-sized window of its own for a flow with a screen, and closes it once
/// no screen of the component is left in it. A window without a root gets a blank bottom
/// screen under the component's screens, so that they can always close themselves by popping.
///
/// Construction sets the process-wide environment (`NetworkManager`) from the flag; the last
/// entry object (or screen) created wins for all later requests, and every screen gets the
/// environment current when it opens as its production flag.
///
/// Each `openCart` reports exactly once. A screen's second report is dropped and logged; a
/// screen closed without a report, a screen that cannot be shown, and a screen whose window is
/// hidden or closed (a tray application that keeps running) end their flow with status false
/// and {"error": "<reason>"}. These also end at once with false and {"error": "<reason>"}: an
/// order without a text "order_type"; an order whose "moid" has a flow still open in this
/// process (from any entry object: a double click on Pay), while that flow goes on; a flow with
/// a screen in a process without a QApplication (a QGuiApplication host). The flows keep what
/// they need alive, so the object may be created on the stack, as a member or through
/// std::make_shared, and may go away while a flow runs. Use it on the main thread.
class TARVEL_CHECKOUT_EXPORT TarvelCheckout : public CheckoutStatusDelegate {
 public:
  /// An entry object for the production platform (`production` true) or staging, whose
  /// outcomes go to `delegate`. Sets the process-wide environment (see above).
  TarvelCheckout(bool production, std::shared_ptr<TarvelPaymentStatusDelegate> delegate);
  ~TarvelCheckout() override;
  TarvelCheckout(const TarvelCheckout&) = delete;
  TarvelCheckout& operator=(const TarvelCheckout&) = delete;

  /// Starts the checkout of one order (see above). Returns at once and reports nothing
  /// synchronously. Called off the main thread, it moves itself to the main thread.
  virtual void openCart(const Dictionary& createData);

  /// Pays the component's one-time costs ahead of the first checkout, for a host's start-up:
  /// the network thread starts and reads the trust store, the screens' fonts are registered on
  /// a thread of its own, and a connection to the platform of the current environment (see above)
  /// is opened with one HEAD request to its API address, never a payment request. The first
  /// checkout's first request then goes out on that connection while the platform keeps it
  /// open (keep-alive), and its screen finds the fonts registered.
  ///
  /// \code
  ///   QApplication app(argc, argv);
  ///   tarvel::TarvelCheckout::warmUp();
  /// \endcode
  ///
  /// Returns at once; nothing waits on the calling thread, and nothing is reported to any
  /// delegate: a platform that cannot be reached only gives a log line, and the first request
  /// opens its own connection as it would have. Repeated calls are harmless (the fonts load
  /// once; a connection is opened again only when none is being opened). Call it from any
  /// thread; the fonts need the QApplication to exist (before it, they load with the first
  /// screen). The web engine has its own warm-up, `warmUpWebCheckout`.
  static void warmUp();

  /// Starts the web engine behind the hosted web checkout ahead of time. Qt WebEngine's own
  /// start-up (its browser context, the default profile, a renderer process) holds the GUI
  /// thread for a few hundred milliseconds the first time a process shows a web page; called
  /// at application start-up or when the cart opens, it is paid before the shopper pays, and
  /// the first web checkout opens like any later one. Nothing else loads the engine: the UPI
  /// and OTP flows never start it.
  ///
  /// \code
  ///   QApplication app(argc, argv);   // made with Qt::AA_ShareOpenGLContexts
  ///   tarvel::TarvelCheckout::warmUpWebCheckout();
  /// \endcode
  ///
  /// Returns at once; `ready`, when given, runs once on the main thread when the engine has
  /// loaded its first (blank, hidden) page. Repeated calls start nothing new. The blank page is
  /// released when the first web checkout opens. Call it from any thread once the
  /// QApplication exists. The engine comes with the web checkout module, which this call (or
  /// the first web order) loads; where the module is not installed, the call says so in the log
  /// and `ready` never runs, and a web order ends with status false and {"error": "<reason>"}.
  static void warmUpWebCheckout(std::function<void()> ready = {});

  /// Reports the checkouts that an earlier run of the application left unfinished: the process
  /// ended (a crash, the system reclaiming it, a forced update) after the shopper could pay in
  /// a UPI app, by the QR code or on the hosted page, but before the outcome reached the host.
  /// Call it once at start-up, after setting the application's name and organisation (the
  /// journal lives under QStandardPaths::AppDataLocation).
  ///
  /// For each such checkout the platform is asked for the payment status, as the polling
  /// asks. A paid one is reported to this object's delegate (through `checkOutCompleted`, on
  /// the main thread) with status true; one that is not paid once the flow's own polling
  /// window (and a short grace) has passed, with status false. The data is the platform's
  /// status answer plus "recovered": true, "moid" and "tarvel_oid", so the host can tell which
  /// order it is about. A checkout that is still within its window, or whose status cannot be
  /// read (no network, an error answer), is reported nothing and kept for a later call;
  /// entries older than 24 hours are dropped. Checkouts of flows still running, in this or
  /// another process, are never touched.
  ///
  /// At least once: a checkout leaves the journal only after its outcome was delivered, so a
  /// process that ends exactly between the two hears that one outcome again on its next run
  /// (the data's "tarvel_oid" tells it apart). Nothing else is ever reported twice: two
  /// processes recovering at the same time report each checkout once between them.
  ///
  /// Returns at once; `finished`, when given, runs once on the main thread when every
  /// checkout found has been decided.
  void recoverUnfinishedCheckouts(std::function<void()> finished = {});

  /// Forces the language of the component's screens, for the screens opened from then on:
  /// a locale name such as "hi", "hi_IN" or "en". The empty text (the default) follows the
  /// application's locale, `QLocale()` (the system's, or the one set with `QLocale::setDefault`)
  /// at each screen's opening. The screens are in English, their own language, unless a
  /// translation for the language is found: built in is Hindi ("hi"); more come with
  /// `addTranslationDirectory`. Only what the shopper reads is translated; log lines, the order's
  /// and the outcome's keys and texts, and everything sent to the platform stay as they are.
  /// The component installs its translator beside the application's own, never in their place.
  /// Call on the main thread, between flows: an open screen keeps the language it opened in.
  ///
  /// \code
  ///   tarvel::TarvelCheckout::setLanguage("hi");   // Hindi whatever the system's locale
  /// \endcode
  static void setLanguage(const std::string& language);

  /// Adds a folder holding translations of the screens, files named tarvel_<language>.qm (for
  /// example tarvel_ta.qm for Tamil), made with Qt's `lrelease` from a copy of the component's
  /// src/resources/translations/tarvel_hi.ts with the language changed and every text
  /// translated. Folders are searched most recently added first, then the built-in
  /// translations, so a host's file also replaces a built-in one. Call on the main thread;
  /// used from the next screen opened on.
  static void addTranslationDirectory(const std::string& directory);

  /// Passes a flow's outcome on to the host delegate unchanged, on the calling thread. Every
  /// screen's outcome comes through here while this object lives, so a subclass may override
  /// it (and call this one to reach the host); outcomes of flows that outlive this object go
  /// straight to the host delegate. The "non-vx" answer goes straight to the host delegate.
  void checkOutCompleted(bool status, const Dictionary& data) override;

  /// The key window's former root screen, kept by the last `openCart` that found a root that
  /// was not a navigation controller; nullptr before, or once that screen is gone (a host's
  /// plain widget is wrapped in a screen that goes when the widget is handed back).
  ViewController* rootViewController() const;
  /// Replaces the kept former root screen.
  void setRootViewController(ViewController* root);

  /// The host delegate that receives the outcomes.
  std::shared_ptr<TarvelPaymentStatusDelegate> checkoutStatusDelegate() const;
  /// Replaces the host delegate, for the outcomes reported from then on.
  void setCheckoutStatusDelegate(std::shared_ptr<TarvelPaymentStatusDelegate> delegate);

  /// The view model of the "non-vx" flow (a new one with a new `APIService` and an empty
  /// order at construction).
  std::shared_ptr<VerifyOTPViewModel> viewModel() const;
  /// Replaces the view model the next "non-vx" flow uses.
  void setViewModel(std::shared_ptr<VerifyOTPViewModel> viewModel);

 private:
  std::shared_ptr<detail::CheckoutCore> core_;
};

}  // namespace tarvel
