#pragma once

#include <memory>    // shared_ptr, weak_ptr, unique_ptr
#include <optional>  // optional
#include <string>    // string
#include <vector>    // vector

#include <QPointer>  // QPointer
#include <QRectF>    // QRectF
#include <QString>   // QString

#include "tarvel/BackSpaceDelegate.h"
#include "tarvel/CheckoutScreen.h"
#include "tarvel/Dictionary.h"
#include "tarvel/Export.h"
#include "tarvel/PaymentType.h"
#include "tarvel/TextFieldDelegate.h"

class QLineEdit;

namespace Ui {
class VerifyOTPViewController;
}

namespace tarvel {

namespace detail {
class Alert;
}

class OTPVerifyDelegate;
class TarvelChekoutViewModel;
class VXAPIServiceProtocol;
class VerifyOTPViewModel;

/// The cash-on-delivery screen: it verifies the order and, when the platform asks for it, has
/// the shopper prove the phone number with a four-digit one-time password (OTP).
///
/// On load it creates its two view models from the order, asks the platform to send the OTP
/// and to verify the order at once, and shows a spinner. The verification's answer decides:
/// \code{.unparsed}
///   "msg" "heading" "Failed!"                                       status false with the
///                                                                   not-verified data;
///   "merchant_user_verified" false and "otp_verified" JSON null   the OTP panel opens;
///   "merchant_user_verified" true, or "otp_verified" anything else  status true with the
///                                                                   verification data;
/// \endcode
/// a "merchant_user_verified" that is missing or not a boolean counts as false (logged).
/// In the OTP panel four `CustomTextField`s take the code, each holding one ASCII digit or
/// nothing: a typed digit (of any script; it becomes its ASCII digit) fills its field and moves
/// the focus on (after the fourth, to the submit button when it can be pressed, else to the
/// screen); a letter, symbol or space is refused; a pasted or filled text spreads its digits
/// over the fields from the one it lands in and drops everything else; Backspace empties the
/// field it is in, or, in an empty field, the field before. A 30-second countdown ("00:29" ...
/// "00:01") ends in a resend button that stays. The submit button is enabled (theme green) once all
/// four fields hold text and no OTP request is running, and sends the four digits joined ("Please
/// enter OTP" when one is empty). An accepted OTP tells `otpVerifyDelegate()` once and reports
/// status true with the verification data and "otp_verified" true; a rejected one shows the
/// platform's message in the red error label for 15 seconds and in an "Alert" dialog, and the
/// digits stay. The back button asks "Are you sure you want to cancel the payment?"; "OK" reports
/// status false with {}, or with {"error": "<alert text>"} once a failure of the platform was
/// shown in an alert.
///
/// Keyboard: Tab walks the fields and the buttons, Return submits, Escape asks to cancel. A
/// presented screen carries its back button on the sheet itself. Every control has an accessible
/// name
/// ("OTP digit 1 of 4" ... "OTP digit 4 of 4", "Submit OTP", "Resend OTP", "Back").
///
/// The screen reports exactly once, to `checkoutStatusDelegate()` on the GUI thread, and then
/// closes itself: by popping when it sits on a navigation stack, by dismissal when it was
/// presented. An order whose "upi_app" is the empty text is loaded during construction and made
/// see-through for presentation over the host's screen: a dimming veil over the host's screen
/// and, below a gap, a sheet of the theme background with the same content as the pushed
/// screen (amount line included) and a back button at its top left.
///
/// An order of type "upi" takes a smaller branch kept for direct callers: after verification
/// it probes the offered UPI apps ("<app>://app", "tez" as "gpay", "upi" as "bhim"), and with
/// none installed polls the payment status every 5 seconds (at most 24 times) until "PAID".
///
/// Platform mapping:
/// - Keyboard notifications come from QGuiApplication::inputMethod(): when the input panel
///   becomes visible, or its keyboardRectangle changes while visible, `keyboardWillShow` runs
///   with that rectangle (its height is the keyboard's); when it hides, `keyboardWillHide`.
/// - Sizes: `normalize` and `dynamicFontSize` scale a design value (drawn for 375 pixels) by the
///   width the screen lays itself out in / 375: the width of the window that shows the
///   checkout, up to 430 (wider windows get a centred column of that width). The component's
///   own phone-sized window gives factor 1.
/// - Title: QCoreApplication::applicationName(); the log names the organisation domain (or the
///   application name when that is empty) as the bundle identifier, then the name.
/// - Timers (countdown, status polling, the error label's hide) run on the installed clock
///   (`MainQueue`), so tests drive them with a manual clock.
/// The view models answer on the URL loader's thread; the screen's closures hold it weakly and
/// move their work to the GUI thread. Use the screen on the GUI thread only.
class TARVEL_CHECKOUT_EXPORT VerifyOTPViewController : public CheckoutScreen,
                                                       public TextFieldDelegate,
                                                       public BackSpaceDelegate {
  Q_OBJECT

 public:
  /// A screen for the order `createData`; sets the process-wide environment from `production`.
  /// `apiService` is the service both view models use; null gives each its own `APIService`.
  VerifyOTPViewController(const Dictionary& createData, bool production,
                          std::shared_ptr<VXAPIServiceProtocol> apiService = nullptr,
                          QWidget* parent = nullptr);
  ~VerifyOTPViewController() override;

  void viewDidLoad() override;
  /// Shows the navigation bar.
  void viewWillAppear(bool animated) override;
  /// Underlines the digit fields and records the screen's position (`viewYCo`).
  void viewDidAppear(bool animated) override;
  /// Hides the navigation bar.
  void viewWillDisappear(bool animated) override;

  /// The host's optional listener for an accepted OTP, held weakly; told once.
  /// @{
  std::shared_ptr<OTPVerifyDelegate> otpVerifyDelegate() const;
  void setOtpVerifyDelegate(std::weak_ptr<OTPVerifyDelegate> delegate);
  /// @}

  /// The OTP view model and the checkout view model, from load on (null before).
  /// @{
  std::shared_ptr<VerifyOTPViewModel> viewModel() const;
  std::shared_ptr<TarvelChekoutViewModel> checkOutViewModel() const;
  /// @}
  /// The order given at construction.
  const Dictionary& getOrderVerifyData() const;
  /// Seconds left on the resend countdown.
  int otpTicToc() const;
  /// Status polls issued, and their limit (5, or 24 once the QR sub-mode starts).
  /// @{
  int statusCurrentCount() const;
  int checkPaymentStatusMax() const;
  /// @}
  /// The UPI apps the upi branch found installed.
  const std::vector<std::string>& installedUapp() const;
  /// The screen's vertical position at its latest appearance; the keyboard handling returns
  /// the screen there.
  int viewYCo() const;

  /// Applies colours, fonts, texts and initial visibility to the loaded layout.
  void initView();
  /// Writes "Pay ₹<total with two decimals>" into `labelTotalPayment`.
  void showPrice();
  /// Installs the back button: in the navigation bar, or at the top left of the sheet when the
  /// screen is presented ("upi_app" ""), which has no navigation bar.
  void addBackButton();
  /// Underlines the four digit fields (once per field, however often it is called).
  void addBottomBorderToTextfield();
  /// The upi branch's probe of the offered apps, followed by the "page_load" analytics event.
  void checkInstalledUPI();
  /// A design value scaled to this screen (see the class comment).
  double normalize(double value) const;
  /// A design font size scaled to this screen, as `normalize` scales lengths.
  double dynamicFontSize(double fontSize) const;

  // Digit entry. The screen is each field's delegate and backspace delegate.
  bool textFieldShouldChangeCharactersIn(QLineEdit* textField, int start, int length,
                                         const QString& replacementString) override;
  void textFieldDidDeleteBackward(QLineEdit* textField, bool wasEmpty) override;
  /// The same as `textFieldDidChange(textField, text, tag)`.
  void textFieldHasChanged(const QString& text, int tag, QLineEdit* textField);
  /// Sets `textField` to `text` and moves the focus to the field tagged `nextTag`, emptying
  /// that field first when it lies behind and `textField` is empty; without such a field the
  /// focus leaves the fields.
  void textFieldDidChange(QLineEdit* textField, const QString& text, int nextTag);
  /// Enables the submit button (theme green) when all four fields hold text and no OTP
  /// request is running; otherwise disables it (light grey).
  void buttonInteraction();

  /// The submit button: "Please enter OTP" when a field is empty, else verifies the four texts
  /// joined. Does nothing while an OTP request is running or after the outcome.
  void submitOTPOption();
  /// The resend button: asks for a new OTP (the countdown does not restart).
  void resendOTPOption();
  /// The back button: the cancel confirmation.
  void backButtonClick();
  /// One second of the resend countdown.
  void otpTimerTicToc();
  /// One tick of the upi branch's status polling.
  void checkPaymentStatusOption();

  /// The keyboard is about to show with `keyboardFrame` (an empty rectangle when unknown):
  /// from its recorded position the screen moves to 0 and then up by the keyboard's height.
  void keyboardWillShow(const QRectF& keyboardFrame);
  /// The keyboard is about to hide: the screen returns to `viewYCo()`.
  void keyboardWillHide();

 protected:
  /// Escape is the back button; Return and Enter submit while the submit button is enabled.
  void keyPressEvent(QKeyEvent* event) override;
  /// A click outside the digit fields takes the focus from them.
  void mousePressEvent(QMouseEvent* event) override;
  /// A digit field keeps its cursor at the end and shows its focus with a green underline.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void makeSeeThrough();
  void initVM();
  void initVMGO();
  void updateView();
  void observeKeyboard();
  void startTimer();
  void invalidateTimer();
  void stopCountdown();
  void showAlert(const QString& message);
  void showAlert2();

  void otpViewModelAlert();
  void checkoutViewModelAlert();
  void otpViewModelLoading();
  void otpAccepted();
  void checkoutViewModelLoading();
  void paymentVerifyingChanged();
  void orderVerified();
  void orderNotVerified();
  void decideCashOnDelivery(const Dictionary& verified);
  void decideUpi();
  void paymentStatusReceived();

  QList<QLineEdit*> digitFields() const;
  QString attributedRun(const char* faceName, const QString& text) const;
  void resignFirstResponder(QWidget* field);
  void spreadDigits(qsizetype index, const QString& digits);
  void keepOneDigit(QLineEdit* field);
  void styleSubmitButton(bool enabled);
  void applyFonts();
  void setFontIfAvailable(QWidget* widget, const char* faceName, double designSize);
  int layoutWidth() const;
  bool claimOutcome(const char* what);
  void finish(bool status, const Dictionary& data);
  void closeAlerts();
  void closeScreen();

  struct Clockwork;  // the screen's timers and delayed work on the installed clock

  std::unique_ptr<Ui::VerifyOTPViewController> ui_;
  std::unique_ptr<Clockwork> clockwork_;
  std::shared_ptr<VXAPIServiceProtocol> apiService_;
  std::weak_ptr<OTPVerifyDelegate> otpVerifyDelegate_;
  std::shared_ptr<VerifyOTPViewModel> viewModel_;
  std::shared_ptr<TarvelChekoutViewModel> checkOutViewModel_;
  int otpTicToc_ = 30;
  int statusCurrentCount_ = 0;
  int checkPaymentStatusMax_ = 5;
  std::vector<std::string> installedUapp_;
  int viewYCo_ = 0;
  double scale_ = 1.0;
  bool seeThrough_ = false;
  bool outcomeClaimed_ = false;
  // The platform's last failure shown to the shopper: a cancel after it reports it.
  std::optional<std::string> failureShown_;
  QPointer<detail::Alert> messageAlert_;  // the latest "Alert" with a message, while it is open
};

}  // namespace tarvel
