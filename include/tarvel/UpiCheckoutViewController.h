#pragma once

#include <cstddef>   // size_t
#include <memory>    // shared_ptr, unique_ptr
#include <optional>  // optional
#include <string>    // string
#include <vector>    // vector

#include <QList>     // QList
#include <QPointer>  // QPointer
#include <QRect>     // QRect
#include <QString>   // QString

#include "tarvel/CheckoutScreen.h"
#include "tarvel/Dictionary.h"
#include "tarvel/Export.h"
#include "tarvel/Theme.h"

class QAbstractButton;
class QDialog;
class QImage;
class QLabel;
class QScrollArea;
class QToolButton;

namespace Ui {
class TarvelCheckoutViewController;
}

namespace tarvel {

class PaymentOptionView;
class TarvelChekoutViewModel;
class VXAPIServiceProtocol;

namespace detail {
class ActivityIndicator;
class AttributedText;
class RepeatingTimer;
}  // namespace detail

/// The UPI payment screen for one order ("order_type" "upi").
///
/// On load it verifies the order (`TarvelChekoutViewModel::verifyUPIPayment`) with a spinner,
/// then shows the amount and takes one of three paths:
///   - the order names an app ("upi_app"): that app is opened with the order's UPI link, or the
///     shopper is asked to install it;
///   - otherwise the apps of the answer's "uapp" list that are installed ("tez" probed as
///     "gpay", "upi" as "bhim") are listed as tiles; a tile opens its app;
///   - with none installed, the answer's QR code is shown to be scanned from another phone.
/// The deep link is `<app>://upi/` + the answer's "u_link" without "upi://", percent-encoded
/// for a URL query. Once an open is confirmed, the loading area shows and the payment status is
/// polled every 5 s, whether or not the application keeps the focus (a desktop shop stays on
/// screen, and a kiosk without a window manager never gets the focus back). Coming back to the
/// application (the `Application` seam's `didBecomeActive`) sends one poll at once and restarts
/// the 5-second interval from there. The QR path polls from the start. At most 5 polls are sent (24
/// on the QR path) over the screen's life.
///
/// Outcomes, each reported once to `checkoutStatusDelegate()` on the GUI thread together with
/// popping the screen: "PAID" reports true with the status answer; the answer to the last
/// allowed poll with any other status (or none) reports false with it; a last allowed poll
/// that fails (no answer, an unreadable one) reports false with {"error": "<alert text>"}; the back
/// button's cancel confirmation ("OK") reports false with {}, or with {"error": "<alert text>"}
/// once the platform's failure was shown in an alert; an order of another type whose verify
/// answer has "otp_verified" true reports true with that answer. After that, status answers, timer
/// ticks, foreground changes and alerts change nothing, and the polling timer is gone. Analytics: a
/// "page_load" event after each discovery, a "click" event after each open.
///
/// Timers run on the installed clock (`MainQueue::clock()`), app probing and opening go through
/// `Application`; tests replace both. Sizes scale with `normalize`. Everything runs on the GUI
/// thread; the view model's closures hold the screen weakly and post to the main queue.
class TARVEL_CHECKOUT_EXPORT UpiCheckoutViewController : public CheckoutScreen {
  Q_OBJECT

 public:
  /// A screen for the order `createData` (`CheckoutScreen` sets the environment and the payment
  /// type). Logs "Production Flag" and the flag; keeps "upi_app" of a "upi" order.
  UpiCheckoutViewController(const Dictionary& createData, bool production,
                            QWidget* parent = nullptr);
  ~UpiCheckoutViewController() override;

  /// The service the view model is made with when the screen loads; a new `APIService` unless
  /// set before then.
  void setAPIService(std::shared_ptr<VXAPIServiceProtocol> apiService);

  /// Registers the fonts, styles the views, makes the view model, starts the verification,
  /// adds the back button and follows the application's foreground changes.
  void viewDidLoad() override;
  /// Shows the navigation bar (the screen joins its navigation stack after it has loaded).
  void viewWillAppear(bool animated) override;
  /// Hides the navigation bar.
  void viewWillDisappear(bool animated) override;

  // The seventeen views of the layout, named as the screen's code knows them.
  /// One of the layout's seventeen views (for tests and styling); valid from construction.
  /// @{
  detail::ActivityIndicator* activityIndicator1() const;
  QLabel* labelTotalPayment() const;
  QWidget* viewUPIContainer() const;
  QLabel* labelLoading() const;
  detail::ActivityIndicator* activityIndicator() const;
  QWidget* viewLoading() const;
  QWidget* viewPriceDetails() const;
  QLabel* labelSelectUPI() const;
  QLabel* imageQRCode() const;
  QWidget* viewQRCode() const;
  QWidget* infoView() const;
  QLabel* labelInfo1() const;
  QLabel* labelInfo2() const;
  QWidget* viewPriceDetailsQR() const;
  QLabel* labelTotalPaymentQR() const;
  QLabel* labelInfo3() const;
  QLabel* labelInfo4() const;
  /// @}

  /// The back button in the navigation bar (after load).
  QToolButton* backButton() const;
  /// The scroll view of the tile list, or nullptr before the list is built.
  QScrollArea* upiOptionsScrollView() const;
  /// The tiles of the list, in `installedUapp` order.
  QList<PaymentOptionView*> paymentOptionViews() const;

  // State (the order and the payment type are `CheckoutScreen`'s).
  /// The screen's view model, made when the screen loads (nullptr before).
  std::shared_ptr<TarvelChekoutViewModel> viewModel() const;
  /// The order's "upi_app" text, if it has one.
  std::optional<std::string> upiApp() const;
  /// The palette the screen paints with.
  Theme theme() const;
  /// True once the platform confirmed that a UPI app was opened; never reset.
  bool upiOptionPressed() const;
  /// Status requests sent so far; never reset.
  int statusCurrentCount() const;
  /// The bound on `statusCurrentCount`: 5, or 24 once the QR code is shown.
  int checkPaymentStatusMax() const;
  /// Whether the polling timer exists.
  bool hasTimer() const;
  /// The installed apps found by the last discovery, as probed keys, in answer order.
  const std::vector<std::string>& installedUapp() const;
  /// Whether the screen has reported its outcome.
  bool isFinished() const;

  /// Scales a design size: the width of the window that shows the checkout (the screen's
  /// top-level window; the screen itself when it stands alone) / 375 × `value`. The width
  /// counts up to 430 (the widest phones): the component's own phone-sized window (375 wide)
  /// gives factor 1, a 414-wide one 1.104, and a wide desktop window keeps phone-sized text and
  /// tiles, which the screen shows in a centred column of that width.
  double normalize(double value) const;
  /// The height of the navigation bar above the screen (0 outside a navigation controller);
  /// a desktop window has no status bar to add.
  double topBarHeight() const;

  // Operations of the flow; the screen calls them itself, tests may too.
  /// Title (the application's name), colours, fonts and the areas hidden at load. Logs the
  /// bundle identifier (the organisation domain, else the application name) and the name.
  void initView();
  /// The back button ("back_arrow", 40 × 40) as the left navigation item.
  void addBackButton();
  /// "Pay ₹<total>" from the verify answer's "total" text in both price boxes.
  void showPrice();
  /// The verify answer's QR code in `imageQRCode`; without a decodable one the view says that
  /// the code is unavailable and the path goes on.
  void showQRCode();
  /// The three instruction texts about paying by QR code.
  /// @{
  detail::AttributedText attributedStr1() const;
  detail::AttributedText attributedStr2() const;
  detail::AttributedText attributedStr3() const;
  /// @}
  /// Probes the answer's apps and fills `installedUapp` afresh; sends "page_load".
  void checkInstalledUPI();
  /// Opens the order's app, or asks the shopper to install it.
  void checkInstalledUPIApp(const std::string& upiApp);
  /// Builds the tile list in `viewUPIContainer`, replacing an earlier one.
  void showAllUPIOptions();
  /// Opens `upiAppName`'s deep link; a confirmed open sets `upiOptionPressed`. Sends "click".
  void openUpiApp(const std::string& upiAppName);
  /// Starts the 5-second polling timer unless one exists.
  void startTimer();
  /// Stops and drops the polling timer (logging "inside tiomer") when there is one.
  void invalidateTimer();
  /// An alert titled "Alert" with `message` and one "Ok" button.
  void showAlert(const QString& message);

 public slots:
  /// The application became active: after a confirmed open, poll at once (within the bound)
  /// and restart the 5-second interval.
  void didBecomeActive();
  /// The application stopped being active: polling goes on.
  void willResignActive();
  /// One tick of the polling timer.
  void checkPaymentStatusOption();
  /// The back button: asks "Are you sure you want to cancel the payment?".
  void backButtonClick();
  /// A tile's button: opens the app at the button's "tag" in `installedUapp`.
  void buttonUPIOption(QAbstractButton* sender);

 protected:
  /// Fonts and tiles follow the window's width; a wide window gets a centred column.
  void resizeEvent(QResizeEvent* event) override;
  /// Lays the tiles out again when their container is resized.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void initVM();
  void handleAlertMessage();
  void handleLoadingStatus();
  void handlePaymentVerifyingStatus();
  void handlePaymentStatus();
  void handleVerification(bool verified);
  void showQRCodePath();
  void showQRCodeImage(const QImage& image, const std::string& failure);
  void openConfirmed(const std::string& upiAppName);
  void showPolling();
  void confirmCancel();
  void finish(bool status, const Dictionary& data, bool popFirst);
  void popFromNavigation();
  void closeAlerts();
  QDialog* presentAlert(const QString& title, const QString& message);
  void applyScaledFonts();
  void layoutUPIOptions();
  QRect tileFrame(std::size_t index) const;
  int contentWidth() const;
  QFont scaledFont(const char* face, double designSize) const;

  template <typename Handler>
  auto onMainQueue(Handler handler);

  std::unique_ptr<Ui::TarvelCheckoutViewController> ui_;
  int qrCodeRequest_ = 0;  // the latest showQRCode(); a picture decoded for an older one is dropped
  std::shared_ptr<VXAPIServiceProtocol> apiService_;
  std::shared_ptr<TarvelChekoutViewModel> viewModel_;
  bool upiOptionPressed_ = false;
  int statusCurrentCount_ = 0;
  int checkPaymentStatusMax_ = 5;
  std::optional<std::string> upiApp_;
  Theme theme_ = Theme::theme1;
  std::unique_ptr<detail::RepeatingTimer> timer_;
  std::vector<std::string> installedUapp_;

  QPointer<QToolButton> backButton_;
  QPointer<QScrollArea> upiOptionsScrollView_;
  QList<QPointer<PaymentOptionView>> paymentOptionViews_;
  QList<QPointer<QDialog>> alerts_;
  bool directLaunchTried_ = false;
  bool verificationShown_ = false;
  bool finished_ = false;
  // The platform's last failure shown to the shopper: a cancel after it reports it.
  std::optional<std::string> failureShown_;
};

}  // namespace tarvel
