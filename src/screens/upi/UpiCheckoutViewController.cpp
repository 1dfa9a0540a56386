#include "tarvel/UpiCheckoutViewController.h"

#include <algorithm>  // min
#include <chrono>     // seconds
#include <thread>     // thread
#include <utility>    // move

#include <QCoreApplication>  // QCoreApplication
#include <QDialog>           // QDialog
#include <QIcon>             // QIcon
#include <QKeyEvent>         // QKeyEvent
#include <QLabel>            // QLabel
#include <QPixmap>           // QPixmap
#include <QPushButton>       // QPushButton
#include <QScrollArea>       // QScrollArea
#include <QScrollBar>        // QScrollBar
#include <QToolButton>       // QToolButton
#include <QUrl>              // QUrl

#include "AttributedText.h"
#include "QrCodeDecoding.h"
#include "UpiDeepLink.h"
#include "config/DictionaryReading.h"
#include "network/LogRedaction.h"
#include "platform/ActivityIndicator.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/JournalTicket.h"
#include "platform/KeyboardFocus.h"
#include "platform/MainQueue.h"
#include "platform/Normalize.h"
#include "platform/RepeatingTimer.h"
#include "platform/ShopperLanguage.h"
#include "platform/UrlScheme.h"
#include "resources/BundledIcon.h"
#include "tarvel/AnalyticsEvents.h"
#include "tarvel/Log.h"
#include "tarvel/NavigationController.h"
#include "tarvel/NetworkManager.h"
#include "tarvel/PaymentOptionView.h"
#include "tarvel/Shadow.h"
#include "tarvel/TarvelChekoutViewModel.h"
#include "tarvel/UIFont.h"
#include "ui_UpiCheckoutViewController.h"

namespace tarvel {
namespace {

using namespace std::chrono_literals;
using detail::Alert;
using detail::Application;
using detail::MainQueue;
using detail::RepeatingTimer;

constexpr double kDesignWidth = 375.0;
constexpr auto kPollingInterval = 5s;
constexpr int kQrPollingBound = 24;
constexpr int kTileListTop = 50;
constexpr char kTagProperty[] = "tag";

constexpr char kRegular[] = "Metropolis-Regular";
constexpr char kMedium[] = "Metropolis-Medium";
constexpr char kBold[] = "Metropolis-Bold";

QColor toQColor(const Color& color) {
  return QColor(color.red, color.green, color.blue, color.alpha);
}

// A white (or coloured) rounded box inset in its own widget: the style sheet's margin keeps
// the painted box off the widget's edges, so the box can sit full width in a column layout.
void styleBox(QWidget* box, const QColor& background, int cornerRadius, const QString& margin) {
  box->setAttribute(Qt::WA_StyledBackground);
  box->setStyleSheet(
      QStringLiteral("#%1 { background-color: %2; border-radius: %3px; margin: %4; }")
          .arg(box->objectName(), background.name(QColor::HexArgb))
          .arg(cornerRadius)
          .arg(margin));
}

void styleBackground(QWidget* view, const QColor& background) {
  view->setAttribute(Qt::WA_StyledBackground);
  view->setStyleSheet(QStringLiteral("#%1 { background-color: %2; }")
                          .arg(view->objectName(), background.name(QColor::HexArgb)));
}

// A white bar with the host's name in the component's face, unless someone styled it already.
void styleNavigationBar(QWidget* bar) {
  if (!bar->styleSheet().isEmpty()) return;
  bar->setAttribute(Qt::WA_StyledBackground);
  bar->setStyleSheet(QLatin1String(
      "#navigationBar { background-color: #FFFFFF; border-bottom: 1px solid #E6E7EA; }"
      " #navigationTitle { color: #1A1A1A; font-family: Metropolis-Bold; font-size: 17px; }"));
}

void setTextColor(QLabel* label, const QColor& color) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, color);
  label->setPalette(palette);
}

// Enter and Return press a focused tile, as Space does.
class PressOnEnter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    if (auto* button = qobject_cast<QAbstractButton*>(watched)) button->click();
    return true;
  }
};

// A key from outside as one quoted, escaped log token: it may hold anything, line breaks too.
std::string quotedForLog(const std::string& key) {
  return detail::describeForLog(Dictionary(key), 2 * detail::kMaxUpiAppKeyLength);
}

// A key as the shopper may read it: one no app can have is cut to the longest one an app can.
std::string shownAppKey(const std::string& key) {
  if (key.size() <= detail::kMaxUpiAppKeyLength) return key;
  return QString::fromStdString(key).left(int(detail::kMaxUpiAppKeyLength)).toStdString() +
         "\u2026";
}

// The shopper hears of an open that did not happen, and the screen stays as it was.
void launchFailed(UpiCheckoutViewController* screen, const std::string& upiAppName,
                  const std::string& reason) {
  log(LogLevel::warning, "Could not open " + quotedForLog(upiAppName) + ": " + reason);
  const std::string name = screen->viewModel()->getUPIName(upiAppName);
  screen->showAlert(
      QCoreApplication::translate("tarvel::UpiCheckoutViewController", "Could not open %1")
          .arg(QString::fromStdString(shownAppKey(name))));
}

constexpr char kTileStyle[] =
    "QPushButton { background-color: #FFFFFF; color: #1A1A1A; border: none; border-radius: 6px;"
    " text-align: left; padding-left: 16px; }"
    " QPushButton[keyboardFocus=\"true\"] { border: 2px solid #0A9C4D; }";

// From here on the shopper can pay, and the outcome must reach the host even if this process
// ends first.
void journalPaymentStart(CheckoutScreen& screen, const TarvelChekoutViewModel& viewModel,
                         detail::UnfinishedCheckout::Flow flow) {
  screen.journalTicket()->record(detail::UnfinishedCheckout::fromOrder(
      flow, NetworkManager::environment(), screen.createData(), viewModel.getOrderVerifyData()));
}

}  // namespace

UpiCheckoutViewController::UpiCheckoutViewController(const Dictionary& createData, bool production,
                                                     QWidget* parent)
    : CheckoutScreen(createData, production, parent),
      ui_(std::make_unique<Ui::TarvelCheckoutViewController>()) {
  ui_->setupUi(this);
  log(LogLevel::info, "Production Flag");
  log(LogLevel::info, production ? "true" : "false");
  const std::optional<PaymentType> type = paymentType();
  if (type && type->isUpi()) upiApp_ = detail::stringValue(createData, "upi_app");
}

UpiCheckoutViewController::~UpiCheckoutViewController() { closeAlerts(); }

void UpiCheckoutViewController::setAPIService(std::shared_ptr<VXAPIServiceProtocol> apiService) {
  apiService_ = std::move(apiService);
}

// --- life cycle ------------------------------------------------------------------------------

void UpiCheckoutViewController::viewDidLoad() {
  CheckoutScreen::viewDidLoad();
  if (NavigationController* navigation = navigationController()) {
    navigation->setNavigationBarHidden(false);
  }
  // The verify request leaves first: the screen builds and styles itself while it travels,
  // and the view model's answers reach the screen through the main queue, after this.
  viewModel_ = std::make_shared<TarvelChekoutViewModel>(apiService_, createData());
  initVM();
  UIFont::loadFonts();
  initView();
  addBackButton();
  connect(Application::shared(), &Application::didBecomeActive, this,
          &UpiCheckoutViewController::didBecomeActive);
}

void UpiCheckoutViewController::viewWillAppear(bool animated) {
  CheckoutScreen::viewWillAppear(animated);
  if (NavigationController* navigation = navigationController()) {
    navigation->setNavigationBarHidden(false);
    styleNavigationBar(navigation->navigationBar());
  }
}

void UpiCheckoutViewController::viewWillDisappear(bool animated) {
  CheckoutScreen::viewWillDisappear(animated);
  if (NavigationController* navigation = navigationController()) {
    navigation->setNavigationBarHidden(true);
  }
}

// The fonts and the tile list follow the window's width: the screen loads before it joins its
// window, and a desktop window may be resized later.
void UpiCheckoutViewController::resizeEvent(QResizeEvent* event) {
  CheckoutScreen::resizeEvent(event);
  const int side = std::max(0, (width() - detail::kWidestLayout) / 2);
  ui_->columnLayout->setContentsMargins(side, 0, side, 0);
  if (!isViewLoaded()) return;
  applyScaledFonts();
  layoutUPIOptions();
}

bool UpiCheckoutViewController::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->viewUPIContainer && event->type() == QEvent::Resize) layoutUPIOptions();
  return CheckoutScreen::eventFilter(watched, event);
}

// --- view model ------------------------------------------------------------------------------

// A closure for the view model: it may fire on any thread, holds the screen weakly and runs
// `handler` on the main queue while the screen exists.
template <typename Handler>
auto UpiCheckoutViewController::onMainQueue(Handler handler) {
  QPointer<UpiCheckoutViewController> screen(this);
  return [screen, handler] {
    MainQueue::async([screen, handler] {
      if (screen) handler(screen.data());
    });
  };
}

void UpiCheckoutViewController::initVM() {
  viewModel_->showAlertClosure = onMainQueue([](auto* screen) { screen->handleAlertMessage(); });
  viewModel_->updateLoadingStatus =
      onMainQueue([](auto* screen) { screen->handleLoadingStatus(); });
  viewModel_->updatePaymentVerifyingStatus =
      onMainQueue([](auto* screen) { screen->handlePaymentVerifyingStatus(); });
  viewModel_->onSuccessPaymentStatus =
      onMainQueue([](auto* screen) { screen->handlePaymentStatus(); });
  viewModel_->onSuccess = onMainQueue([](auto* screen) { screen->handleVerification(true); });
  viewModel_->onFailure = onMainQueue([](auto* screen) { screen->handleVerification(false); });
  viewModel_->verifyUPIPayment();
}

void UpiCheckoutViewController::handleAlertMessage() {
  if (finished_) return;
  const std::optional<std::string> message = viewModel_->alertMessage();
  if (!message) return;
  // Once every allowed poll has been sent, a failure means no answer can come to end the flow:
  // it ends now with the failure rather than leaving the shopper under a spinner.
  if (statusCurrentCount_ > 0 && statusCurrentCount_ == checkPaymentStatusMax_) {
    log(LogLevel::warning, "The last payment-status poll failed: " + *message);
    finish(false, Dictionary{{"error", *message}}, false);
    return;
  }
  failureShown_ = message;
  showAlert(detail::ShopperLanguage::message(*message));
}

void UpiCheckoutViewController::handleLoadingStatus() {
  detail::ActivityIndicator* spinner = ui_->activityIndicator1;
  if (viewModel_->isLoading() && !finished_) {
    spinner->show();
    spinner->startAnimating();
  } else {
    spinner->hide();
    spinner->stopAnimating();
  }
}

void UpiCheckoutViewController::handlePaymentVerifyingStatus() {
  const std::optional<PaymentType> type = paymentType();
  if (!type) {
    log(LogLevel::info, "it's default");
  } else if (type->isCod()) {
    log(LogLevel::info, "It's cod");
  } else if (type->upiText() == "upi" && !finished_) {
    if (viewModel_->isPaymentStatusVerifying()) {
      ui_->viewLoading->show();
      ui_->viewLoading->raise();
      ui_->activityIndicator->startAnimating();
      ui_->labelLoading->setText(tr("Order Processing"));
    } else {
      ui_->activityIndicator->stopAnimating();
    }
  }
}

void UpiCheckoutViewController::handlePaymentStatus() {
  if (finished_) return;
  const std::optional<Dictionary> status = viewModel_->getPaymentStatusData();
  if (!status) return;
  const std::optional<std::string> paymentStatus = detail::stringValue(*status, "payment_status");
  if (paymentStatus == "PAID") {
    finish(true, *status, false);
  } else if (statusCurrentCount_ == checkPaymentStatusMax_) {
    // The last allowed answer, without "PAID" (or without a readable status at all).
    finish(false, *status, false);
  }
}

// Runs for `onSuccess` and, for an answer headed "Failed!", once more for `onFailure`.
void UpiCheckoutViewController::handleVerification(bool verified) {
  if (finished_) return;
  verificationShown_ = true;
  showPrice();
  // The price box shows for a verified order, except on the QR path, whose card has a price
  // line of its own. It is set once the path is known: showing a box makes Qt lay the whole
  // window out at once, text and all, and the QR path would hide it again in the same event.
  const auto showPriceBox = [this, verified] { ui_->viewPriceDetails->setVisible(verified); };
  const std::optional<PaymentType> type = paymentType();
  if (!type) {
    showPriceBox();
    log(LogLevel::info, "default");
    return;
  }
  if (type->isCod()) {
    showPriceBox();
    const Dictionary verifyData = viewModel_->getOrderVerifyData();
    const auto otpVerified = verifyData.find("otp_verified");
    if (otpVerified != verifyData.end() && otpVerified->is_boolean() && otpVerified->get<bool>()) {
      finish(true, verifyData, false);
    }
    return;
  }
  if (upiApp_ && !upiApp_->empty()) {
    showPriceBox();
    // The second run for a "Failed!" answer must not launch the app (or ask) a second time.
    if (directLaunchTried_) return;
    directLaunchTried_ = true;
    checkInstalledUPIApp(*upiApp_);
    return;
  }
  checkInstalledUPI();
  if (!installedUapp_.empty()) {
    showPriceBox();
    ui_->viewUPIContainer->show();
    showAllUPIOptions();
    setPaymentType(PaymentType::upi("upi"));
    return;
  }
  showQRCodePath();
}

void UpiCheckoutViewController::showQRCodePath() {
  ui_->viewPriceDetails->hide();
  ui_->viewUPIContainer->hide();
  ui_->viewQRCode->show();
  showQRCode();
  setPaymentType(PaymentType::upi("qrcode"));
  checkPaymentStatusMax_ = kQrPollingBound;
  journalPaymentStart(*this, *viewModel_, detail::UnfinishedCheckout::Flow::qrCode);
  startTimer();
}

// --- polling ---------------------------------------------------------------------------------

void UpiCheckoutViewController::startTimer() {
  if (timer_ || finished_) return;
  timer_ =
      std::make_unique<RepeatingTimer>(kPollingInterval, [this] { checkPaymentStatusOption(); });
  timer_->start();
}

void UpiCheckoutViewController::checkPaymentStatusOption() {
  if (finished_ || !viewModel_) return;
  if (statusCurrentCount_ != checkPaymentStatusMax_) {
    ++statusCurrentCount_;
    viewModel_->checkPaymentStatus(true);
  } else {
    invalidateTimer();
  }
}

void UpiCheckoutViewController::invalidateTimer() {
  if (!timer_) return;
  log(LogLevel::info, "inside tiomer");
  timer_->invalidate();
  timer_.reset();
}

// --- foreground ------------------------------------------------------------------------------

// Once an app was opened the shopper may come back at any moment: a check at once, and the next
// tick a full interval later.
void UpiCheckoutViewController::didBecomeActive() {
  if (finished_ || !upiOptionPressed_) return;
  showPolling();
  if (statusCurrentCount_ == checkPaymentStatusMax_) return;  // the bound is spent
  timer_.reset();
  checkPaymentStatusOption();
  startTimer();
}

// A desktop shop stays on screen while the opened app has the focus (and may never get it back
// where no window manager hands it back), so polling goes on.
void UpiCheckoutViewController::willResignActive() {}

void UpiCheckoutViewController::openConfirmed(const std::string& upiAppName) {
  upiOptionPressed_ = true;
  if (viewModel_) journalPaymentStart(*this, *viewModel_, detail::UnfinishedCheckout::Flow::upiApp);
  log(LogLevel::info, upiAppName + " was opened: polling the payment status");
  showPolling();
  startTimer();
}

void UpiCheckoutViewController::showPolling() {
  ui_->viewLoading->show();
  ui_->viewLoading->raise();
}

// --- apps ------------------------------------------------------------------------------------

void UpiCheckoutViewController::checkInstalledUPI() {
  if (!viewModel_) return;  // before load
  installedUapp_.clear();
  Application* application = Application::shared();
  for (const std::string& key : viewModel_->getAllUPIOptions()) {
    const std::string probed = detail::probedUpiAppKey(key);
    if (!detail::isValidUpiAppKey(probed)) {
      log(LogLevel::warning,
          "UPI app key " + quotedForLog(key) +
              " of the verify answer ignored: not 1 to 32 lower-case letters and digits");
      continue;
    }
    if (application->canOpenURL(detail::upiProbeAddress(probed))) installedUapp_.push_back(probed);
  }
  viewModel_->appAnalytics(
      pageLoadEvent(static_cast<int>(installedUapp_.size()), viewModel_->getOrderVerifyData()));
}

void UpiCheckoutViewController::checkInstalledUPIApp(const std::string& upiApp) {
  const std::string probed = detail::probedUpiAppKey(upiApp);
  const bool valid = detail::isValidUpiAppKey(probed);
  if (!valid) {
    log(LogLevel::warning,
        "UPI app " + quotedForLog(upiApp) +
            " of the order is not 1 to 32 lower-case letters and digits: treated as not installed");
  }
  if (valid && Application::shared()->canOpenURL(detail::upiProbeAddress(probed))) {
    openUpiApp(upiApp);
  } else {
    showAlert(tr("Please install %1 in device").arg(QString::fromStdString(shownAppKey(probed))));
  }
}

void UpiCheckoutViewController::showAllUPIOptions() {
  if (!viewModel_) return;  // before load
  if (upiOptionsScrollView_) upiOptionsScrollView_->deleteLater();
  paymentOptionViews_.clear();

  auto* scrollView = new QScrollArea(ui_->viewUPIContainer);
  scrollView->setObjectName(QStringLiteral("upiOptionsScrollView"));
  scrollView->setFrameShape(QFrame::NoFrame);
  scrollView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scrollView->setWidgetResizable(false);
  scrollView->setStyleSheet(QStringLiteral(
      "QScrollArea, #upiOptionsContent { background: transparent; }"
      " QScrollBar:vertical { width: 6px; background: transparent; }"
      " QScrollBar::handle:vertical { background: #C8CCD2; border-radius: 3px; min-height: 24px; }"
      " QScrollBar::add-line, QScrollBar::sub-line { height: 0px; }"));
  auto* content = new QWidget;
  content->setObjectName(QStringLiteral("upiOptionsContent"));
  scrollView->setWidget(content);
  scrollView->viewport()->setAutoFillBackground(false);

  auto* pressOnEnter = new PressOnEnter(content);
  for (std::size_t index = 0; index < installedUapp_.size(); ++index) {
    const std::string& key = installedUapp_[index];
    const QString name = QString::fromStdString(viewModel_->getUPIName(key));
    auto* tile = new PaymentOptionView(tileFrame(index), content);
    tile->setAccessibleName(tr("Pay with %1").arg(name));
    QPushButton* button = tile->buttonUPIOption();
    button->setText(name);
    button->setAccessibleName(tr("Pay with %1").arg(name));
    button->setFocusPolicy(Qt::StrongFocus);
    button->setStyleSheet(QLatin1String(kTileStyle));
    detail::showFocusFromKeyboardOnly(button);
    const std::string image = viewModel_->getUpiImage(key).value_or("");
    button->setIcon(image.empty()
                        ? QIcon()
                        : detail::bundledPngIcon(
                              QStringLiteral("images/%1.png").arg(QString::fromStdString(image))));
    button->setProperty(kTagProperty, static_cast<int>(index));
    button->installEventFilter(pressOnEnter);
    connect(button, &QPushButton::clicked, this, [this, button] { buttonUPIOption(button); });
    addShadow(button, QSizeF(0, 3), Qt::black, 2.0, 0.35f);
    tile->setAutoFillBackground(false);  // clear: only the face and its shadow show
    paymentOptionViews_.append(tile);
    tile->show();
  }
  upiOptionsScrollView_ = scrollView;
  ui_->viewUPIContainer->installEventFilter(this);
  applyScaledFonts();
  layoutUPIOptions();
  scrollView->show();
}

// The list's geometry: the scroll view below the heading, tiles of normalize(70) at
// normalize(20) from the sides, 20 apart, starting 15 from the top.
void UpiCheckoutViewController::layoutUPIOptions() {
  if (!upiOptionsScrollView_) return;
  const int width = contentWidth();
  const int height = std::max(0, ui_->viewUPIContainer->height() - kTileListTop);
  upiOptionsScrollView_->setGeometry(0, kTileListTop, width, height);
  for (int index = 0; index < paymentOptionViews_.size(); ++index) {
    PaymentOptionView* tile = paymentOptionViews_[index];
    if (!tile) continue;
    tile->setGeometry(tileFrame(static_cast<std::size_t>(index)));
    if (QWidget* face = tile->contentView()) face->setGeometry(0, 0, tile->width(), tile->height());
  }
  const double listHeight = 15 + paymentOptionViews_.size() * (normalize(70) + 20);
  upiOptionsScrollView_->widget()->resize(width, static_cast<int>(listHeight + 50));
}

// Tile `index` of the list: y = 15 + index × (h + 20), h = normalize(70).
QRect UpiCheckoutViewController::tileFrame(std::size_t index) const {
  const double tileHeight = normalize(70);
  const double margin = normalize(20);
  const double y = 15 + static_cast<double>(index) * (tileHeight + 20);
  return QRectF(margin, y, contentWidth() - 2 * margin, tileHeight).toRect();
}

void UpiCheckoutViewController::buttonUPIOption(QAbstractButton* sender) {
  if (!sender || finished_) return;
  bool ok = false;
  const int tag = sender->property(kTagProperty).toInt(&ok);
  if (!ok || tag < 0 || static_cast<std::size_t>(tag) >= installedUapp_.size()) return;
  openUpiApp(installedUapp_[static_cast<std::size_t>(tag)]);
}

void UpiCheckoutViewController::openUpiApp(const std::string& upiAppName) {
  if (finished_ || !viewModel_) return;
  const std::optional<std::string> link = viewModel_->getUPILink(upiAppName);
  if (!link) {
    showAlert(tr("UPI link is not available"));
  } else {
    const std::string encoded = detail::addingPercentEncodingForQuery(*link);
    const QUrl url(QString::fromStdString(encoded), QUrl::StrictMode);
    if (!detail::isValidUpiAppKey(detail::probedUpiAppKey(upiAppName)) || !url.isValid() ||
        detail::urlScheme(encoded).empty()) {
      launchFailed(this, upiAppName, "its UPI link is no valid address");
      return;
    }
    QPointer<UpiCheckoutViewController> screen(this);
    Application::shared()->open(encoded, [screen, upiAppName](bool launched) {
      if (!screen || screen->finished_) return;
      if (launched) {
        screen->openConfirmed(upiAppName);
      } else {
        launchFailed(screen, upiAppName, "the system did not launch it");
      }
    });
  }
  viewModel_->appAnalytics(clickEvent(upiAppName, viewModel_->getOrderVerifyData()));
}

// --- texts and views -------------------------------------------------------------------------

void UpiCheckoutViewController::initView() {
  const QString name = QCoreApplication::applicationName();
  const QString domain = QCoreApplication::organizationDomain();
  log(LogLevel::info, (domain.isEmpty() ? name : domain).toStdString());
  log(LogLevel::info, name.toStdString());
  setTitle(name);

  const QColor background = toQColor(theme_.backgroundColor());
  styleBackground(this, background);
  ui_->viewLoading->hide();
  ui_->viewUPIContainer->hide();
  ui_->viewPriceDetails->hide();
  ui_->viewQRCode->hide();
  ui_->activityIndicator1->hide();

  // The boxes keep 24 px from the column's sides, in line with the white faces of the tiles,
  // which sit 4 px inside tiles placed normalize(20) from the sides.
  styleBackground(ui_->viewUPIContainer, background);
  styleBackground(ui_->viewLoading, background);
  styleBox(ui_->viewPriceDetails, Qt::white, 8, QStringLiteral("16px 24px 0px 24px"));
  styleBackground(ui_->viewQRCode, background);
  styleBox(ui_->infoView, toQColor(theme_.infoColor()), 8, QStringLiteral("16px 24px 0px 24px"));
  setTextColor(ui_->labelInfo1, toQColor(theme_.infolabelColor()));
  styleBox(ui_->viewPriceDetailsQR, Qt::white, 8, QStringLiteral("12px 24px 0px 24px"));
  styleBox(ui_->qrCard, Qt::white, 12, QStringLiteral("12px 24px 16px 24px"));
  setTextColor(ui_->labelLoadingDetail, QColor(0x5F, 0x63, 0x68));
  ui_->activityIndicator->setDiameter(48);
  ui_->activityIndicator1->setCaption(tr("Verifying your order"));
  applyScaledFonts();
}

// Everything whose size goes through normalize; texts are rebuilt in the new sizes.
void UpiCheckoutViewController::applyScaledFonts() {
  ui_->labelSelectUPI->setFont(scaledFont(kRegular, 20));
  ui_->labelInfo1->setFont(scaledFont(kBold, 20));
  ui_->labelInfo2->setText(attributedStr1().toHtml());
  ui_->labelInfo3->setText(attributedStr2().toHtml());
  ui_->labelInfo4->setText(attributedStr3().toHtml());
  if (verificationShown_) showPrice();
  for (const auto& tile : paymentOptionViews_) {
    if (tile) tile->buttonUPIOption()->setFont(scaledFont(kMedium, 20));
  }
}

void UpiCheckoutViewController::addBackButton() {
  auto* button = new QToolButton(this);
  button->setObjectName(QStringLiteral("backButton"));
  button->setFixedSize(40, 40);
  button->setIcon(detail::bundledPngIcon(QStringLiteral("images/back_arrow.png")));
  button->setIconSize(QSize(24, 24));
  button->setAccessibleName(tr("Back"));
  button->setToolTip(tr("Back"));
  button->setFocusPolicy(Qt::StrongFocus);
  button->setCursor(Qt::PointingHandCursor);
  button->setStyleSheet(
      QStringLiteral("QToolButton { border: none; border-radius: 6px; }"
                     " QToolButton:hover, QToolButton[keyboardFocus=\"true\"] {"
                     " background-color: #F0F1F3; }"
                     " QToolButton:pressed { background-color: #E2E4E8; }"));
  detail::showFocusFromKeyboardOnly(button);
  connect(button, &QToolButton::clicked, this, &UpiCheckoutViewController::backButtonClick);
  if (backButton_) backButton_->deleteLater();
  backButton_ = button;
  setLeftNavigationItem(button);
}

void UpiCheckoutViewController::showPrice() {
  if (!viewModel_) return;  // before load
  const QString total = QString::fromStdString(
      detail::stringValue(viewModel_->getOrderVerifyData(), "total").value_or(""));
  detail::AttributedText amount;
  //: The amount to pay; %1 is the rupee sign and the amount, as they are ("₹1349.00").
  amount.appendMarked(tr("Pay <b>%1</b>"), scaledFont(kRegular, 20), scaledFont(kBold, 20),
                      Qt::black, QStringLiteral("\u20B9") + total);
  ui_->labelTotalPayment->setText(amount.toHtml());
  ui_->labelTotalPaymentQR->setText(amount.toHtml());
  ui_->labelTotalPayment->setAccessibleName(amount.string());
  ui_->labelTotalPaymentQR->setAccessibleName(amount.string());
}

detail::AttributedText UpiCheckoutViewController::attributedStr1() const {
  const QColor color = toQColor(theme_.infolabelColor());
  detail::AttributedText text;
  text.appendMarked(tr("Don't worry! you can pay via scanning the <b>QR code </b>from any other "
                       "phone."),
                    scaledFont(kRegular, 15), scaledFont(kBold, 15), color);
  return text;
}

detail::AttributedText UpiCheckoutViewController::attributedStr2() const {
  detail::AttributedText text;
  text.appendMarked(tr("Open any <b>UPI App</b> on other phone"), scaledFont(kRegular, 17),
                    scaledFont(kBold, 17), Qt::black);
  return text;
}

detail::AttributedText UpiCheckoutViewController::attributedStr3() const {
  detail::AttributedText text;
  text.appendMarked(tr("<b>Scan QR Code </b>to pay"), scaledFont(kRegular, 17),
                    scaledFont(kBold, 17), Qt::black);
  return text;
}

namespace {

// Pictures up to this many pixels decode in about a millisecond, on the spot; larger ones hold
// the GUI thread for a frame or more. Their text length says nothing: a few kilobytes of PNG
// may declare thousands of pixels a side.
constexpr qint64 kDecodeOnTheSpotPixels = 512 * 512;

// The picture at the label's size; a null image and the reason when there is none. Touches no
// widget, so it may run on any thread.
detail::DecodedQrCode qrCodeImage(const detail::QrCodePicture& picture, QSize side) {
  detail::DecodedQrCode decoded = detail::decodeQrCodePicture(picture);
  if (!decoded.image.isNull()) {
    decoded.image = decoded.image.convertToFormat(QImage::Format_RGB32)
                        .scaled(side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  }
  return decoded;
}

}  // namespace

void UpiCheckoutViewController::showQRCode() {
  if (!viewModel_) return;  // before load
  const int request = ++qrCodeRequest_;
  const std::optional<std::string> code = viewModel_->getQRCode();
  if (!code) {
    ui_->imageQRCode->setText(tr("QR code not available"));
    return;
  }
  const QSize side = ui_->imageQRCode->maximumSize();
  detail::QrCodePicture picture = detail::readQrCodePicture(*code);
  if (!picture.failure.empty() ||
      qint64(picture.size.width()) * picture.size.height() <= kDecodeOnTheSpotPixels) {
    const detail::DecodedQrCode decoded = qrCodeImage(picture, side);
    showQRCodeImage(decoded.image, decoded.failure);
    return;
  }
  // A large picture is decoded on a thread of its own and shown when it is ready, unless the
  // screen is gone or has asked for another picture since. A plain thread rather than Qt's pool:
  // its start orders the hand-over for every tool that checks threads, as the main queue does
  // for the way back.
  QPointer<UpiCheckoutViewController> self(this);
  std::thread([self, picture = std::move(picture), side, request] {
    detail::DecodedQrCode decoded = qrCodeImage(picture, side);
    detail::MainQueue::async([self, decoded = std::move(decoded), request] {
      if (self && self->qrCodeRequest_ == request) {
        self->showQRCodeImage(decoded.image, decoded.failure);
      }
    });
  }).detach();
}

void UpiCheckoutViewController::showQRCodeImage(const QImage& image, const std::string& failure) {
  if (image.isNull()) {
    log(LogLevel::warning, "No QR code to show: " + failure);
    ui_->imageQRCode->setText(tr("QR code not available"));
    return;
  }
  ui_->imageQRCode->setPixmap(QPixmap::fromImage(image));
}

double UpiCheckoutViewController::normalize(double value) const {
  return detail::normalize(value, window()->width());
}

int UpiCheckoutViewController::contentWidth() const { return qRound(normalize(kDesignWidth)); }

QFont UpiCheckoutViewController::scaledFont(const char* face, double designSize) const {
  QFont font = UIFont::font(QLatin1String(face), -1);
  font.setPixelSize(std::max(1, qRound(normalize(designSize))));
  return font;
}

double UpiCheckoutViewController::topBarHeight() const {
  NavigationController* navigation = navigationController();
  return navigation ? navigation->navigationBar()->height() : 0.0;
}

// --- cancel, alerts and the outcome ----------------------------------------------------------

void UpiCheckoutViewController::backButtonClick() {
  if (finished_) return;
  auto* alert = new Alert(tr("Are you sure you want to cancel the payment?"));
  QPointer<UpiCheckoutViewController> screen(this);
  alert->addAction(tr("CANCEL"), Alert::ActionStyle::cancel);
  alert->addAction(tr("OK"), Alert::ActionStyle::defaultStyle, [screen] {
    if (screen) screen->confirmCancel();
  });
  alerts_.append(alert);
  alert->showOver(this);
}

void UpiCheckoutViewController::confirmCancel() {
  finish(false, failureShown_ ? Dictionary{{"error", *failureShown_}} : Dictionary::object(), true);
}

void UpiCheckoutViewController::showAlert(const QString& message) {
  if (finished_) return;
  // One alert for one message: a status poll that fails every 5 seconds would otherwise stack
  // an alert a poll (24 on the QR path) for the shopper to dismiss one by one.
  for (const auto& open : alerts_) {
    const auto* shown = qobject_cast<const detail::Alert*>(open.data());
    if (shown && shown->isVisible() && shown->title() == tr("Alert") &&
        shown->message() == message) {
      log(LogLevel::info, "The same alert is already shown: not shown twice");
      return;
    }
  }
  auto* alert = new Alert(tr("Alert"), message);
  alert->addAction(tr("Ok"), Alert::ActionStyle::cancel);
  alerts_.append(alert);
  alert->showOver(this);
}

// The one report of the screen. `popFirst` closes the screen before reporting (cancel), else
// the report comes first.
void UpiCheckoutViewController::finish(bool status, const Dictionary& data, bool popFirst) {
  if (finished_) {
    log(LogLevel::warning, "UPI checkout already finished; a further outcome was dropped");
    return;
  }
  finished_ = true;
  invalidateTimer();
  closeAlerts();
  ui_->activityIndicator->stopAnimating();
  auto delegate = checkoutStatusDelegate();
  if (popFirst) popFromNavigation();
  if (delegate) delegate->checkOutCompleted(status, data);
  if (!popFirst) popFromNavigation();
}

void UpiCheckoutViewController::closeAlerts() {
  for (const auto& alert : alerts_) {
    if (!alert) continue;
    alert->hide();
    alert->deleteLater();
  }
  alerts_.clear();
}

// Only this screen is taken off the stack: when something else is on top, popping would
// close that instead.
void UpiCheckoutViewController::popFromNavigation() {
  NavigationController* navigation = navigationController();
  if (!navigation) return;
  if (navigation->topViewController() != this) {
    log(LogLevel::warning, "UPI checkout: not on top of its navigation stack, not popped");
    return;
  }
  navigation->popViewController(true);
}

// --- accessors -------------------------------------------------------------------------------

detail::ActivityIndicator* UpiCheckoutViewController::activityIndicator1() const {
  return ui_->activityIndicator1;
}
QLabel* UpiCheckoutViewController::labelTotalPayment() const { return ui_->labelTotalPayment; }
QWidget* UpiCheckoutViewController::viewUPIContainer() const { return ui_->viewUPIContainer; }
QLabel* UpiCheckoutViewController::labelLoading() const { return ui_->labelLoading; }
detail::ActivityIndicator* UpiCheckoutViewController::activityIndicator() const {
  return ui_->activityIndicator;
}
QWidget* UpiCheckoutViewController::viewLoading() const { return ui_->viewLoading; }
QWidget* UpiCheckoutViewController::viewPriceDetails() const { return ui_->viewPriceDetails; }
QLabel* UpiCheckoutViewController::labelSelectUPI() const { return ui_->labelSelectUPI; }
QLabel* UpiCheckoutViewController::imageQRCode() const { return ui_->imageQRCode; }
QWidget* UpiCheckoutViewController::viewQRCode() const { return ui_->viewQRCode; }
QWidget* UpiCheckoutViewController::infoView() const { return ui_->infoView; }
QLabel* UpiCheckoutViewController::labelInfo1() const { return ui_->labelInfo1; }
QLabel* UpiCheckoutViewController::labelInfo2() const { return ui_->labelInfo2; }
QWidget* UpiCheckoutViewController::viewPriceDetailsQR() const { return ui_->viewPriceDetailsQR; }
QLabel* UpiCheckoutViewController::labelTotalPaymentQR() const { return ui_->labelTotalPaymentQR; }
QLabel* UpiCheckoutViewController::labelInfo3() const { return ui_->labelInfo3; }
QLabel* UpiCheckoutViewController::labelInfo4() const { return ui_->labelInfo4; }

QToolButton* UpiCheckoutViewController::backButton() const { return backButton_; }
QScrollArea* UpiCheckoutViewController::upiOptionsScrollView() const {
  return upiOptionsScrollView_;
}
QList<PaymentOptionView*> UpiCheckoutViewController::paymentOptionViews() const {
  QList<PaymentOptionView*> tiles;
  for (const auto& tile : paymentOptionViews_) {
    if (tile) tiles.append(tile);
  }
  return tiles;
}

std::shared_ptr<TarvelChekoutViewModel> UpiCheckoutViewController::viewModel() const {
  return viewModel_;
}
std::optional<std::string> UpiCheckoutViewController::upiApp() const { return upiApp_; }
Theme UpiCheckoutViewController::theme() const { return theme_; }
bool UpiCheckoutViewController::upiOptionPressed() const { return upiOptionPressed_; }
int UpiCheckoutViewController::statusCurrentCount() const { return statusCurrentCount_; }
int UpiCheckoutViewController::checkPaymentStatusMax() const { return checkPaymentStatusMax_; }
bool UpiCheckoutViewController::hasTimer() const { return timer_ != nullptr; }
const std::vector<std::string>& UpiCheckoutViewController::installedUapp() const {
  return installedUapp_;
}
bool UpiCheckoutViewController::isFinished() const { return finished_; }

}  // namespace tarvel
