#include "tarvel/VerifyOTPViewController.h"

#include <algorithm>   // min
#include <charconv>    // from_chars
#include <chrono>      // seconds
#include <cmath>       // isfinite
#include <functional>  // function
#include <optional>    // optional
#include <utility>     // move

#include <QCoreApplication>  // applicationName, organizationDomain
#include <QEvent>            // QEvent
#include <QGuiApplication>   // inputMethod
#include <QInputMethod>      // QInputMethod
#include <QKeyEvent>         // QKeyEvent
#include <QList>             // QList
#include <QPointer>          // QPointer
#include <QPushButton>       // QPushButton
#include <QToolButton>       // QToolButton

#include "config/DictionaryReading.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/DispatchToken.h"
#include "platform/KeyWindow.h"
#include "platform/KeyboardFocus.h"
#include "platform/MainQueue.h"
#include "platform/Normalize.h"
#include "platform/RepeatingTimer.h"
#include "platform/ShopperLanguage.h"
#include "resources/BundledIcon.h"
#include "screens/upi/AttributedText.h"
#include "tarvel/AnalyticsEvents.h"
#include "tarvel/BottomBorder.h"
#include "tarvel/CustomTextField.h"
#include "tarvel/Log.h"
#include "tarvel/NavigationController.h"
#include "tarvel/NetworkManager.h"
#include "tarvel/OTPVerifyDelegate.h"
#include "tarvel/TarvelChekoutViewModel.h"
#include "tarvel/Theme.h"
#include "tarvel/UIFont.h"
#include "tarvel/VerifyOTPViewModel.h"
#include "ui_VerifyOTPViewController.h"

namespace tarvel {

struct VerifyOTPViewController::Clockwork {
  std::unique_ptr<detail::RepeatingTimer> timerOTP;  // the 1-second resend countdown
  std::unique_ptr<detail::RepeatingTimer> timer;     // the 5-second status polling (upi branch)
  std::optional<detail::DispatchToken> errorLabelHide;
  // The screen's open alerts: they go with the outcome, so that no question about a finished
  // checkout (a cancel confirmation, say) stays on screen.
  QList<QPointer<detail::Alert>> alerts;
};

namespace {

constexpr int kCountdownSeconds = 30;
constexpr int kQrCodeStatusPolls = 24;
constexpr auto kCountdownTick = std::chrono::seconds(1);
constexpr auto kStatusPollInterval = std::chrono::seconds(5);
constexpr auto kErrorLabelDisplay = std::chrono::seconds(15);

const QColor kLightGray(170, 170, 170);  // the phone toolkit's light grey: two-thirds white
const QColor kGray(128, 128, 128);       // and its grey: half white
const QColor kFocusTint(0xE6, 0xF4, 0xEC);
const QColor kVeil(0x10, 0x18, 0x14, 115);  // dims the host's screen behind the sheet
constexpr int kSheetTopGap = 72;            // the host's screen shows above the sheet

QString css(const QColor& color) {
  return QStringLiteral("rgba(%1, %2, %3, %4)")
      .arg(color.red())
      .arg(color.green())
      .arg(color.blue())
      .arg(color.alpha());
}

QColor qColor(const Color& color) {
  return QColor(color.red, color.green, color.blue, color.alpha);
}

QString css(const Color& color) { return css(qColor(color)); }

// The ASCII digits of `text`: a decimal digit of any script (Devanagari, Arabic-Indic,
// full-width...) becomes its ASCII digit, everything else is dropped.
QString asciiDigits(const QString& text) {
  QString digits;
  for (const char32_t c : text.toUcs4()) {
    const int value = QChar::isDigit(c) ? QChar::digitValue(c) : -1;
    if (value >= 0 && value <= 9) digits += QChar(u'0' + value);
  }
  return digits;
}

bool isOneAsciiDigit(const QString& text) {
  return text.size() == 1 && text.front() >= u'0' && text.front() <= u'9';
}

// Rules for `widget` alone, not for its children.
void setOwnStyle(QWidget* widget, const QString& rules) {
  widget->setStyleSheet(QStringLiteral("#%1 { %2 }").arg(widget->objectName(), rules));
}

// A decimal number written as text, the whole text; 0 for anything else.
double parsedAmount(const std::string& text) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  double value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || first == last || !std::isfinite(value)) return 0;
  return value;
}

bool isFailedVerification(const Dictionary& verified) {
  const Dictionary* message = detail::objectValue(verified, "msg");
  return message && detail::stringValue(*message, "heading") == "Failed!";
}

int tagOf(const QWidget* view) { return view->property("tag").toInt(); }

// The line edit among `container`'s children whose tag is `tag`.
QLineEdit* textFieldWithTag(const QWidget* container, int tag) {
  if (!container) return nullptr;
  for (QLineEdit* field : container->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)) {
    if (field->property("tag").isValid() && tagOf(field) == tag) return field;
  }
  return nullptr;
}

// A closure for a view model: it runs `handler` on the GUI thread, later, if the screen is
// still there then.
template <typename Screen>
std::function<void()> onMainQueue(QPointer<Screen> screen, void (Screen::*handler)()) {
  return [screen, handler] {
    detail::MainQueue::async([screen, handler] {
      if (screen) (screen.data()->*handler)();
    });
  };
}

}  // namespace

VerifyOTPViewController::VerifyOTPViewController(const Dictionary& createData, bool production,
                                                 std::shared_ptr<VXAPIServiceProtocol> apiService,
                                                 QWidget* parent)
    : CheckoutScreen(createData, production, parent),
      ui_(std::make_unique<Ui::VerifyOTPViewController>()),
      clockwork_(std::make_unique<Clockwork>()),
      apiService_(std::move(apiService)) {
  ui_->setupUi(this);
  setAttribute(Qt::WA_StyledBackground);
  connect(ui_->buttonSubmitOTP, &QPushButton::clicked, this,
          &VerifyOTPViewController::submitOTPOption);
  connect(ui_->buttonResendOTP, &QPushButton::clicked, this,
          &VerifyOTPViewController::resendOTPOption);
  // Presented over the host's screen: loaded now, and see-through.
  if (detail::stringValue(createData, "upi_app") == "") {
    loadViewIfNeeded();
    makeSeeThrough();
  }
}

VerifyOTPViewController::~VerifyOTPViewController() = default;

void VerifyOTPViewController::makeSeeThrough() {
  seeThrough_ = true;
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  // The host's screen stays visible behind a dimming veil, and the screen's own content sits
  // on a sheet of the theme's background above it, so that the two sets of texts never mix.
  setOwnStyle(this, "background-color: " + css(kVeil) + ";");
  ui_->contentColumn->setAttribute(Qt::WA_StyledBackground);
  setOwnStyle(ui_->contentColumn,
              "background-color: " + css(Theme::theme1.backgroundColor()) +
                  "; border-top-left-radius: 16px; border-top-right-radius: 16px;");
  ui_->screenLayout->setContentsMargins(0, kSheetTopGap, 0, 0);
  setOwnStyle(ui_->viewCODContainer, QStringLiteral("background-color: transparent;"));
}

void VerifyOTPViewController::viewDidLoad() {
  CheckoutScreen::viewDidLoad();
  UIFont::loadFonts();
  viewModel_ = std::make_shared<VerifyOTPViewModel>(apiService_, createData());
  checkOutViewModel_ = std::make_shared<TarvelChekoutViewModel>(apiService_, createData());
  scale_ = detail::normalize(1.0, layoutWidth());
  initView();
  initVM();
  initVMGO();
  showPrice();
  addBackButton();
  updateView();
  observeKeyboard();
  viewModel_->appAnalytics(otpDialogLoadEvent(viewModel_->getOrderVerifyData()));
}

void VerifyOTPViewController::viewWillAppear(bool animated) {
  CheckoutScreen::viewWillAppear(animated);
  if (NavigationController* navigation = navigationController()) {
    navigation->setNavigationBarHidden(false, animated);
  }
}

void VerifyOTPViewController::viewDidAppear(bool animated) {
  CheckoutScreen::viewDidAppear(animated);
  addBottomBorderToTextfield();
  viewYCo_ = y();
}

void VerifyOTPViewController::viewWillDisappear(bool animated) {
  CheckoutScreen::viewWillDisappear(animated);
  if (NavigationController* navigation = navigationController()) {
    navigation->setNavigationBarHidden(true, animated);
  }
}

std::shared_ptr<OTPVerifyDelegate> VerifyOTPViewController::otpVerifyDelegate() const {
  return otpVerifyDelegate_.lock();
}

void VerifyOTPViewController::setOtpVerifyDelegate(std::weak_ptr<OTPVerifyDelegate> delegate) {
  otpVerifyDelegate_ = std::move(delegate);
}

std::shared_ptr<VerifyOTPViewModel> VerifyOTPViewController::viewModel() const {
  return viewModel_;
}

std::shared_ptr<TarvelChekoutViewModel> VerifyOTPViewController::checkOutViewModel() const {
  return checkOutViewModel_;
}

const Dictionary& VerifyOTPViewController::getOrderVerifyData() const { return createData(); }

int VerifyOTPViewController::otpTicToc() const { return otpTicToc_; }

int VerifyOTPViewController::statusCurrentCount() const { return statusCurrentCount_; }

int VerifyOTPViewController::checkPaymentStatusMax() const { return checkPaymentStatusMax_; }

const std::vector<std::string>& VerifyOTPViewController::installedUapp() const {
  return installedUapp_;
}

int VerifyOTPViewController::viewYCo() const { return viewYCo_; }

// ---------------------------------------------------------------------------------------------
// Looks

void VerifyOTPViewController::initView() {
  const QString name = QCoreApplication::applicationName();
  const QString domain = QCoreApplication::organizationDomain();
  log(LogLevel::info, (domain.isEmpty() ? name : domain).toStdString());
  log(LogLevel::info, name.toStdString());
  setTitle(name);

  const Theme theme = Theme::theme1;
  setOwnStyle(this, "background-color: " + css(theme.backgroundColor()) + ";");
  setOwnStyle(ui_->viewPriceDetails,
              "background-color: " + css(theme.secondaryColor()) + "; border-radius: 8px;");
  setOwnStyle(ui_->labelTotalPayment, "background-color: " + css(theme.secondaryColor()) + ";");
  setOwnStyle(ui_->viewCODContainer, "background-color: " + css(theme.backgroundColor()) + ";");
  setOwnStyle(ui_->bgViewGetUpdates,
              "background-color: " + css(theme.infoLightGreenColor()) + "; border-radius: 6px;");
  setOwnStyle(ui_->labelSuccess, "color: " + css(theme.titleTextColorOTP()) + ";");
  setOwnStyle(ui_->labelOrderId, "color: " + css(theme.subTitleTextColor()) + ";");
  setOwnStyle(ui_->labelMessage, "color: " + css(theme.infoGreenColor()) + ";");
  setOwnStyle(ui_->labelOTPTitle, "color: " + css(theme.titleTextColor()) + ";");
  setOwnStyle(ui_->labelResend1, "color: " + css(theme.titleTextColor()) + ";");
  setOwnStyle(ui_->labelResend2, "color: " + css(theme.titleTextColor()) + ";");
  ui_->buttonResendOTP->setStyleSheet(
      QStringLiteral("#buttonResendOTP { color: %1; border: none; background: transparent;"
                     " padding: 4px 6px; border-radius: 6px; }"
                     " #buttonResendOTP[keyboardFocus=\"true\"] { background-color: %2; }")
          .arg(css(theme.titleTextColorOTP()), css(kFocusTint)));
  ui_->viewCODContainer->hide();
  ui_->viewPriceDetails->hide();
  ui_->buttonResendOTP->hide();

  applyFonts();
  ui_->labelErrorMessage->setText(tr("OTP does not match"));
  setOwnStyle(ui_->labelErrorMessage, "color: " + css(theme.infolabelColorOTP()) + ";");
  for (QLineEdit* field : digitFields()) {
    auto* digit = static_cast<CustomTextField*>(field);
    digit->setStyleSheet(
        QStringLiteral("QLineEdit { border: none; background: transparent; color: #000000;"
                       " selection-background-color: #0000FF; }"
                       " QLineEdit[keyboardFocus=\"true\"] { background-color: %1;"
                       " border-top-left-radius: 6px;"
                       " border-top-right-radius: 6px; }")
            .arg(css(kFocusTint)));
    digit->setFixedWidth(qRound(normalize(50)));
    detail::showFocusFromKeyboardOnly(digit);
    digit->setTintColor(Qt::blue);
    digit->setBackSpaceDelegate(this);
    digit->setDelegate(this);
    digit->installEventFilter(this);
    // Text set from outside the delegate (a one-time-code fill, say) is made digits too.
    connect(digit, &QLineEdit::textChanged, this, [this, digit] { keepOneDigit(digit); });
  }
  ui_->textFieldContainer->setFixedHeight(qRound(normalize(45)));
  ui_->buttonSubmitOTP->setAutoDefault(true);
  ui_->buttonResendOTP->setAutoDefault(true);
  detail::showFocusFromKeyboardOnly(ui_->buttonSubmitOTP);
  detail::showFocusFromKeyboardOnly(ui_->buttonResendOTP);
  ui_->buttonSubmitOTP->setMinimumHeight(qRound(normalize(50)));
  styleSubmitButton(false);
}

void VerifyOTPViewController::applyFonts() {
  setFontIfAvailable(ui_->labelSuccess, "Metropolis-Bold", 20);
  setFontIfAvailable(ui_->labelOrderId, "Metropolis-Regular", 15);
  setFontIfAvailable(ui_->labelMessage, "Metropolis-Bold", 18);
  setFontIfAvailable(ui_->labelOTPTitle, "Metropolis-Regular", 17);
  setFontIfAvailable(ui_->labelErrorMessage, "Metropolis-Medium", 13);
  setFontIfAvailable(ui_->labelResend1, "Metropolis-Medium", 15);
  setFontIfAvailable(ui_->labelResend2, "Metropolis-Bold", 15);
  setFontIfAvailable(ui_->buttonResendOTP, "Metropolis-Medium", 15);
  setFontIfAvailable(ui_->buttonSubmitOTP, "Metropolis-Medium", 20);
  for (QLineEdit* field : digitFields()) setFontIfAvailable(field, "Metropolis-Medium", 18);
}

// A face that is not registered leaves the widget's font alone.
void VerifyOTPViewController::setFontIfAvailable(QWidget* widget, const char* faceName,
                                                 double designSize) {
  if (!UIFont::registeredFaces().contains(QLatin1String(faceName))) return;
  QFont font = UIFont::font(QLatin1String(faceName), -1);
  font.setPixelSize(qMax(1, qRound(dynamicFontSize(designSize))));
  widget->setFont(font);
}

void VerifyOTPViewController::styleSubmitButton(bool enabled) {
  const QColor background = enabled ? qColor(Theme::theme1.buttonBgColor()) : kLightGray;
  ui_->buttonSubmitOTP->setEnabled(enabled);
  ui_->buttonSubmitOTP->setStyleSheet(
      QStringLiteral("#buttonSubmitOTP { background-color: %1; color: #FFFFFF; border: none;"
                     " border-radius: 6px; padding: 0 16px; }"
                     " #buttonSubmitOTP[keyboardFocus=\"true\"] { border: 2px solid %2; }")
          .arg(css(background), css(background.darker(160))));
}

void VerifyOTPViewController::showPrice() {
  const std::string total =
      detail::stringValue(viewModel_->getOrderVerifyData(), "total").value_or(std::string());
  const QString amount = QString(QChar(0x20B9)) + QString::asprintf("%.2f", parsedAmount(total));
  detail::AttributedText line;
  //: The amount to pay; %1 is the rupee sign and the amount, as they are ("₹1349.00").
  line.appendMarked(tr("Pay <b>%1</b>"), QFont(QStringLiteral("Metropolis-Regular")),
                    QFont(QStringLiteral("Metropolis-Bold")), Qt::black, amount);
  QString html;
  for (const auto& run : line.runs()) {
    html += attributedRun(run.font.family().toLatin1().constData(), run.text);
  }
  ui_->labelTotalPayment->setText(html);
}

// One run of the amount line in black, in the face at scaled 20 when it is registered.
QString VerifyOTPViewController::attributedRun(const char* faceName, const QString& text) const {
  QString style = QStringLiteral("color: #000000; white-space: pre;");
  if (UIFont::registeredFaces().contains(QLatin1String(faceName))) {
    const QFont font = UIFont::font(QLatin1String(faceName), -1);
    style += QStringLiteral(" font-family: '%1'; font-weight: %2; font-size: %3px;")
                 .arg(font.family())
                 .arg(font.weight())
                 .arg(qRound(dynamicFontSize(20)));
  }
  return QStringLiteral("<span style=\"%1\">%2</span>").arg(style, text.toHtmlEscaped());
}

void VerifyOTPViewController::addBackButton() {
  auto* button = new QToolButton;
  button->setObjectName(QStringLiteral("buttonBack"));
  button->setIcon(detail::bundledPngIcon(QStringLiteral("images/back_arrow.png")));
  button->setIconSize(QSize(24, 24));
  button->setFixedSize(40, 40);
  button->setCursor(Qt::PointingHandCursor);
  button->setAccessibleName(tr("Back"));
  button->setToolTip(tr("Back"));
  button->setStyleSheet(QStringLiteral(
      "QToolButton { border: none; border-radius: 6px; } QToolButton:hover,"
      " QToolButton[keyboardFocus=\"true\"] {"
      " background-color: #F0F1F3; } QToolButton:pressed { background-color: #E2E4E8; }"));
  detail::showFocusFromKeyboardOnly(button);
  connect(button, &QToolButton::clicked, this, &VerifyOTPViewController::backButtonClick);
  setLeftNavigationItem(button);
  // A sheet presented over the host's screen has no navigation bar to carry the button: it
  // sits at the sheet's top left instead, so the shopper always has a visible way out (a
  // spinner that never ends included), not only the Escape key.
  if (detail::stringValue(createData(), "upi_app") == "") {
    ui_->columnLayout->insertWidget(0, button, 0, Qt::AlignLeft);
    button->show();
  }
}

void VerifyOTPViewController::addBottomBorderToTextfield() {
  for (QLineEdit* field : digitFields()) addBottomBorder(field, kGray);
}

double VerifyOTPViewController::normalize(double value) const { return scale_ * value; }

double VerifyOTPViewController::dynamicFontSize(double fontSize) const { return scale_ * fontSize; }

// The window that shows the checkout: this screen's window once it sits in one, else the key
// window it is about to be shown in.
int VerifyOTPViewController::layoutWidth() const {
  const QWidget* shown = parentWidget() || isVisible() ? window() : detail::KeyWindow::current();
  return shown ? shown->width() : 0;
}

// ---------------------------------------------------------------------------------------------
// Initial state and view models

void VerifyOTPViewController::updateView() {
  ui_->labelResend1->show();
  ui_->labelResend2->show();
  ui_->buttonResendOTP->hide();
  ui_->viewCODContainer->hide();
  ui_->viewPriceDetails->hide();
  ui_->activityIndicatorWithoutOTP->startAnimating();

  const auto phone = detail::stringValue(viewModel_->getOrderVerifyData(), "phone");
  //: %1 is the shopper's phone number.
  ui_->labelOTPTitle->setText(
      phone ? tr("Enter the OTP you received on %1").arg(QString::fromStdString(*phone))
            : tr("Enter the OTP you received on "));
  const auto orderId = detail::stringValue(createData(), "tarvel_oid");
  ui_->labelOrderId->setText(orderId ? tr("Order Id: %1").arg(QString::fromStdString(*orderId))
                                     : tr("Order Id "));

  if (!clockwork_->timerOTP) {
    clockwork_->timerOTP =
        std::make_unique<detail::RepeatingTimer>(kCountdownTick, [this] { otpTimerTicToc(); });
    clockwork_->timerOTP->start();
  }
}

void VerifyOTPViewController::initVM() {
  QPointer<VerifyOTPViewController> self(this);
  viewModel_->showAlertClosure = onMainQueue(self, &VerifyOTPViewController::otpViewModelAlert);
  viewModel_->updateLoadingStatus =
      onMainQueue(self, &VerifyOTPViewController::otpViewModelLoading);
  viewModel_->onSuccessVerifyOtp = onMainQueue(self, &VerifyOTPViewController::otpAccepted);
  viewModel_->callSendOtp();
}

void VerifyOTPViewController::initVMGO() {
  QPointer<VerifyOTPViewController> self(this);
  TarvelChekoutViewModel& model = *checkOutViewModel_;
  model.showAlertClosure = onMainQueue(self, &VerifyOTPViewController::checkoutViewModelAlert);
  model.updateLoadingStatus = onMainQueue(self, &VerifyOTPViewController::checkoutViewModelLoading);
  model.updatePaymentVerifyingStatus =
      onMainQueue(self, &VerifyOTPViewController::paymentVerifyingChanged);
  model.onSuccessPaymentStatus = onMainQueue(self, &VerifyOTPViewController::paymentStatusReceived);
  model.onSuccess = onMainQueue(self, &VerifyOTPViewController::orderVerified);
  model.onFailure = onMainQueue(self, &VerifyOTPViewController::orderNotVerified);
  model.verifyUPIPayment();
}

void VerifyOTPViewController::observeKeyboard() {
  QInputMethod* input = QGuiApplication::inputMethod();
  if (!input) return;
  connect(input, &QInputMethod::visibleChanged, this, [this, input] {
    if (input->isVisible()) {
      keyboardWillShow(input->keyboardRectangle());
    } else {
      keyboardWillHide();
    }
  });
  connect(input, &QInputMethod::keyboardRectangleChanged, this, [this, input] {
    if (input->isVisible()) keyboardWillShow(input->keyboardRectangle());
  });
}

// An error of the OTP requests: in the error label for a while, and in an alert.
void VerifyOTPViewController::otpViewModelAlert() {
  if (outcomeClaimed_) return;
  const std::optional<std::string> message = viewModel_->alertMessage();
  if (!message) return;
  failureShown_ = message;
  ui_->labelErrorMessage->setText(detail::ShopperLanguage::message(*message));
  ui_->labelErrorMessage->show();
  // A newer message keeps its full time on screen.
  if (clockwork_->errorLabelHide) clockwork_->errorLabelHide->cancel();
  QPointer<VerifyOTPViewController> self(this);
  clockwork_->errorLabelHide = detail::MainQueue::asyncAfter(kErrorLabelDisplay, [self] {
    if (!self) return;
    self->ui_->labelErrorMessage->hide();
    self->ui_->labelErrorMessage->setText(QString());
  });
  showAlert(detail::ShopperLanguage::message(*message));
}

void VerifyOTPViewController::checkoutViewModelAlert() {
  if (outcomeClaimed_) return;
  if (const auto message = checkOutViewModel_->alertMessage()) {
    failureShown_ = message;
    showAlert(detail::ShopperLanguage::message(*message));
  }
}

void VerifyOTPViewController::otpViewModelLoading() {
  if (viewModel_->isLoading()) {
    ui_->activityIndicator->startAnimating();
  } else {
    ui_->activityIndicator->stopAnimating();
  }
  buttonInteraction();
}

void VerifyOTPViewController::checkoutViewModelLoading() {
  if (checkOutViewModel_->isLoading()) {
    ui_->activityIndicator->startAnimating();
  } else {
    ui_->activityIndicator->stopAnimating();
  }
}

void VerifyOTPViewController::paymentVerifyingChanged() {
  const std::optional<PaymentType> paymentType = this->paymentType();
  if (!paymentType) {
    log(LogLevel::info, "it's default");
  } else if (paymentType->isCod()) {
    log(LogLevel::info, "It's cod");
  } else if (paymentType->upiText() == "upi") {
    if (checkOutViewModel_->isPaymentStatusVerifying()) {
      ui_->activityIndicator->startAnimating();
    } else {
      ui_->activityIndicator->stopAnimating();
    }
  }
}

// The OTP was accepted: the host's listener hears it once, the flow ends with the verification
// data marked as OTP-verified.
void VerifyOTPViewController::otpAccepted() {
  if (outcomeClaimed_) return;
  if (std::shared_ptr<OTPVerifyDelegate> listener = otpVerifyDelegate_.lock()) {
    otpVerifyDelegate_.reset();
    listener->otpVerified(true);
  }
  Dictionary data = checkOutViewModel_->getOrderVerifyData();
  if (!data.is_object()) data = Dictionary::object();
  data["otp_verified"] = true;
  finish(true, data);
}

// ---------------------------------------------------------------------------------------------
// The decision after verification

void VerifyOTPViewController::orderVerified() {
  if (outcomeClaimed_) return;
  const Dictionary verified = checkOutViewModel_->getOrderVerifyData();
  // A failed verification is reported once, as a failure, by the handler that follows.
  if (isFailedVerification(verified)) return;
  ui_->viewPriceDetails->show();
  showPrice();
  const std::optional<PaymentType> paymentType = this->paymentType();
  if (!paymentType) {
    log(LogLevel::info, "default");
  } else if (paymentType->isCod()) {
    decideCashOnDelivery(verified);
  } else {
    decideUpi();
  }
}

void VerifyOTPViewController::decideCashOnDelivery(const Dictionary& verified) {
  // Without a boolean the buyer is not taken as verified (rather than waiting for ever).
  const auto merchant = verified.find("merchant_user_verified");
  const bool merchantKnown = merchant != verified.end() && merchant->is_boolean();
  if (!merchantKnown)
    log(LogLevel::warning,
        "\"merchant_user_verified\" is missing or not a boolean: taken as false");
  const bool merchantVerified = merchantKnown && merchant->get<bool>();
  const auto otp = verified.find("otp_verified");
  const bool otpNeeded = otp != verified.end() && otp->is_null() && !merchantVerified;
  if (!otpNeeded) {
    finish(true, verified);
    return;
  }
  ui_->viewPriceDetails->show();
  ui_->viewCODContainer->show();
  ui_->activityIndicatorWithoutOTP->stopAnimating();
  ui_->textField1->setFocus(Qt::OtherFocusReason);
}

void VerifyOTPViewController::decideUpi() {
  checkInstalledUPI();
  if (!installedUapp_.empty()) {
    setPaymentType(PaymentType::upi("upi"));
    return;
  }
  ui_->viewPriceDetails->hide();
  setPaymentType(PaymentType::upi("qrcode"));
  checkPaymentStatusMax_ = kQrCodeStatusPolls;
  startTimer();
}

void VerifyOTPViewController::orderNotVerified() {
  if (outcomeClaimed_) return;
  ui_->viewPriceDetails->hide();
  finish(false, checkOutViewModel_->getOrderNotVerifyData());
}

void VerifyOTPViewController::checkInstalledUPI() {
  for (std::string name : checkOutViewModel_->getAllUPIOptions()) {
    if (name == "tez") name = "gpay";
    if (name == "upi") name = "bhim";
    if (detail::Application::shared()->canOpenURL(name + "://app")) installedUapp_.push_back(name);
  }
  viewModel_->appAnalytics(
      pageLoadEvent(static_cast<int>(installedUapp_.size()), viewModel_->getOrderVerifyData()));
}

// ---------------------------------------------------------------------------------------------
// Status polling (upi branch)

void VerifyOTPViewController::startTimer() {
  if (clockwork_->timer) return;
  clockwork_->timer = std::make_unique<detail::RepeatingTimer>(
      kStatusPollInterval, [this] { checkPaymentStatusOption(); });
  clockwork_->timer->start();
}

void VerifyOTPViewController::invalidateTimer() {
  if (!clockwork_->timer) return;
  log(LogLevel::info, "inside tiomer");
  clockwork_->timer->invalidate();
  clockwork_->timer.reset();
}

void VerifyOTPViewController::checkPaymentStatusOption() {
  if (statusCurrentCount_ != checkPaymentStatusMax_) {
    ++statusCurrentCount_;
    checkOutViewModel_->checkPaymentStatus(true);
  } else {
    invalidateTimer();
  }
}

void VerifyOTPViewController::paymentStatusReceived() {
  if (outcomeClaimed_) return;
  const std::optional<Dictionary> data = checkOutViewModel_->getPaymentStatusData();
  if (!data) return;
  const std::optional<std::string> status = detail::stringValue(*data, "payment_status");
  if (!status) return;
  if (*status == "PAID") {
    invalidateTimer();
    finish(true, *data);
  } else if (statusCurrentCount_ == checkPaymentStatusMax_) {
    invalidateTimer();
    finish(false, *data);
  }
}

// ---------------------------------------------------------------------------------------------
// Countdown, submission, cancel

void VerifyOTPViewController::otpTimerTicToc() {
  --otpTicToc_;
  const QString seconds = QString::number(otpTicToc_);
  ui_->labelResend2->setText("00:" + (otpTicToc_ < 10 ? "0" + seconds : seconds));
  if (otpTicToc_ >= 1 || !clockwork_->timerOTP) return;
  stopCountdown();
  ui_->buttonResendOTP->show();
  ui_->labelResend1->hide();
  ui_->labelResend2->hide();
  ui_->labelResend2->setText(QStringLiteral("00:30"));
  otpTicToc_ = kCountdownSeconds;
}

void VerifyOTPViewController::stopCountdown() {
  if (!clockwork_->timerOTP) return;
  clockwork_->timerOTP->invalidate();
  clockwork_->timerOTP.reset();
}

void VerifyOTPViewController::submitOTPOption() {
  if (outcomeClaimed_ || !viewModel_) return;
  // One verification at a time: a second tap while one runs sends nothing.
  if (viewModel_->isLoading()) {
    log(LogLevel::info, "An OTP request is still running; the submission waits for it");
    return;
  }
  QString otp;
  for (QLineEdit* field : digitFields()) {
    if (!isOneAsciiDigit(field->text())) {
      showAlert(tr("Please enter OTP"));
      return;
    }
    otp += field->text();
  }
  viewModel_->callVerifyOtp(otp.toStdString());
}

void VerifyOTPViewController::resendOTPOption() {
  if (outcomeClaimed_ || !viewModel_) return;
  viewModel_->callReSendOtp();
}

void VerifyOTPViewController::backButtonClick() {
  if (outcomeClaimed_) return;
  showAlert2();
}

void VerifyOTPViewController::showAlert(const QString& message) {
  // One alert for one message: the OTP request and the order verification fail together when
  // the platform does, and the shopper should not dismiss the same words twice.
  if (messageAlert_ && messageAlert_->isVisible() && messageAlert_->message() == message) {
    log(LogLevel::info, "The same alert is already shown: not shown twice");
    return;
  }
  auto* alert = new detail::Alert(tr("Alert"), message);
  alert->addAction(tr("Ok"), detail::Alert::ActionStyle::cancel);
  messageAlert_ = alert;
  clockwork_->alerts.append(alert);
  alert->showOver(this);
}

void VerifyOTPViewController::showAlert2() {
  auto* alert = new detail::Alert(tr("Are you sure you want to cancel the payment?"));
  alert->addAction(tr("CANCEL"), detail::Alert::ActionStyle::cancel);
  QPointer<VerifyOTPViewController> self(this);
  alert->addAction(tr("OK"), detail::Alert::ActionStyle::defaultStyle, [self] {
    if (!self) return;
    self->invalidateTimer();
    const auto& failure = self->failureShown_;
    self->finish(false, failure ? Dictionary{{"error", *failure}} : Dictionary::object());
  });
  clockwork_->alerts.append(alert);
  alert->showOver(this);
}

bool VerifyOTPViewController::claimOutcome(const char* what) {
  if (outcomeClaimed_) {
    log(LogLevel::warning, std::string("OTP screen already finished; ") + what + " dropped");
    return false;
  }
  outcomeClaimed_ = true;
  return true;
}

// The one outcome of the screen: reported, then the screen closes the way it was opened.
void VerifyOTPViewController::finish(bool status, const Dictionary& data) {
  if (!claimOutcome(status ? "a success" : "a failure")) return;
  stopCountdown();
  invalidateTimer();
  closeAlerts();
  styleSubmitButton(false);
  QPointer<VerifyOTPViewController> self(this);
  if (std::shared_ptr<CheckoutStatusDelegate> delegate = checkoutStatusDelegate()) {
    delegate->checkOutCompleted(status, data);
  }
  if (self) closeScreen();
}

void VerifyOTPViewController::closeAlerts() {
  for (const QPointer<detail::Alert>& alert : std::exchange(clockwork_->alerts, {})) {
    if (!alert) continue;
    alert->hide();
    alert->deleteLater();
  }
}

void VerifyOTPViewController::closeScreen() {
  if (NavigationController* navigation = navigationController()) {
    if (navigation->topViewController() == this) {
      navigation->popViewController(true);
    } else {
      log(LogLevel::warning, "OTP screen: not on top of its navigation stack, not popped");
    }
  } else if (presentingViewController()) {
    dismiss(true);
  }
}

// ---------------------------------------------------------------------------------------------
// Digit entry

QList<QLineEdit*> VerifyOTPViewController::digitFields() const {
  return {ui_->textField1, ui_->textField2, ui_->textField3, ui_->textField4};
}

// Every edit of a digit field lands here and is applied by hand: a deletion empties the field
// and moves back; the digits of anything typed, pasted or filled go one a field from this one
// on; text without a digit is refused.
bool VerifyOTPViewController::textFieldShouldChangeCharactersIn(QLineEdit* textField, int /*start*/,
                                                                int /*length*/,
                                                                const QString& replacementString) {
  const QList<QLineEdit*> fields = digitFields();
  const qsizetype index = fields.indexOf(textField);
  if (index < 0) return false;
  if (replacementString.isEmpty()) {
    if (index > 0) fields[index - 1]->setFocus(Qt::BacktabFocusReason);
    textField->setText(QString());
    buttonInteraction();
    return false;
  }
  spreadDigits(index, asciiDigits(replacementString));
  return false;
}

// Fills the fields from `index` on with one digit each, the rest dropped, and moves the focus
// to the field after the last one filled (out of the fields after the fourth).
void VerifyOTPViewController::spreadDigits(qsizetype index, const QString& digits) {
  if (digits.isEmpty()) return;
  const QList<QLineEdit*> fields = digitFields();
  QLineEdit* landed = fields[index];
  const qsizetype count = std::min(digits.size(), fields.size() - index);
  for (qsizetype i = 0; i < count; ++i) fields[index + i]->setText(digits.at(i));
  const qsizetype next = index + count;
  const bool hadFocus = window()->focusWidget() == landed;
  if (next < fields.size() && hadFocus) fields[next]->setFocus(Qt::TabFocusReason);
  buttonInteraction();
  if (next == fields.size()) resignFirstResponder(landed);
}

// A field holds one ASCII digit or nothing, whoever sets its text.
void VerifyOTPViewController::keepOneDigit(QLineEdit* field) {
  const QString text = field->text();
  if (text.isEmpty() || isOneAsciiDigit(text)) return;
  field->setText(QString());
  spreadDigits(digitFields().indexOf(field), asciiDigits(text));
  buttonInteraction();
}

// One backspace removes one digit: a field that held one has lost it already (and the focus
// moved back); an empty field passes the backspace on to the field before it.
void VerifyOTPViewController::textFieldDidDeleteBackward(QLineEdit* textField, bool wasEmpty) {
  if (!wasEmpty) return;
  textFieldHasChanged(QString(), tagOf(textField) - 1, textField);
}

void VerifyOTPViewController::textFieldHasChanged(const QString& text, int tag,
                                                  QLineEdit* textField) {
  textFieldDidChange(textField, text, tag);
}

void VerifyOTPViewController::textFieldDidChange(QLineEdit* textField, const QString& text,
                                                 int nextTag) {
  if (QLineEdit* next = textFieldWithTag(textField->parentWidget(), nextTag)) {
    if (nextTag < tagOf(textField) && textField->text().isEmpty()) next->setText(QString());
    next->setFocus(Qt::BacktabFocusReason);
  } else {
    resignFirstResponder(textField);
  }
  textField->setText(text);
  buttonInteraction();
}

void VerifyOTPViewController::buttonInteraction() {
  bool filled = true;
  for (QLineEdit* field : digitFields()) filled = filled && !field->text().isEmpty();
  const bool requestRunning = viewModel_ && viewModel_->isLoading();
  styleSubmitButton(filled && !requestRunning && !outcomeClaimed_);
}

// The keyboard's focus leaves the digit fields: to the submit button when it can be pressed,
// else to the screen itself, where Return submits and Escape cancels.
void VerifyOTPViewController::resignFirstResponder(QWidget* field) {
  if (window()->focusWidget() != field) return;
  if (ui_->buttonSubmitOTP->isEnabled()) {
    ui_->buttonSubmitOTP->setFocus(Qt::TabFocusReason);
  } else {
    setFocus(Qt::OtherFocusReason);
  }
}

// ---------------------------------------------------------------------------------------------
// Keyboard and touches

void VerifyOTPViewController::keyboardWillShow(const QRectF& keyboardFrame) {
  int top = y();
  if (top == viewYCo_) top -= viewYCo_;
  if (!keyboardFrame.isEmpty() && top == 0) top -= qRound(keyboardFrame.height());
  move(x(), top);
}

void VerifyOTPViewController::keyboardWillHide() { move(x(), viewYCo_); }

void VerifyOTPViewController::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      backButtonClick();
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (ui_->buttonSubmitOTP->isEnabled()) submitOTPOption();
      break;
    default:
      CheckoutScreen::keyPressEvent(event);
      return;
  }
  event->accept();
}

// A touch on the background ends editing.
void VerifyOTPViewController::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  CheckoutScreen::mousePressEvent(event);
}

// A digit field keeps its cursor at the end, so that Backspace always has a digit before it,
// and shows the focus with a green underline.
bool VerifyOTPViewController::eventFilter(QObject* watched, QEvent* event) {
  auto* field = qobject_cast<QLineEdit*>(watched);
  if (!field || !digitFields().contains(field)) return CheckoutScreen::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::FocusIn:
      addBottomBorder(field, qColor(Theme::theme1.buttonBgColor()));
      field->end(false);
      break;
    case QEvent::MouseButtonRelease:
      field->end(false);
      break;
    case QEvent::FocusOut:
      addBottomBorder(field, kGray);
      break;
    default:
      break;
  }
  return CheckoutScreen::eventFilter(watched, event);
}

}  // namespace tarvel
