#include "tarvel/CustomeCheckout.h"

#include <string>  // string

#include <QIcon>                       // QIcon
#include <QLabel>                      // QLabel
#include <QToolButton>                 // QToolButton
#include <QVBoxLayout>                 // QVBoxLayout
#include <QWebChannel>                 // QWebChannel
#include <QWebEngineCertificateError>  // QWebEngineCertificateError
#include <QWebEngineLoadingInfo>       // QWebEngineLoadingInfo
#include <QWebEngineProfile>           // QWebEngineProfile
#include <QWebEngineScriptCollection>  // QWebEngineScriptCollection
#include <QWebEngineView>              // QWebEngineView

#include "BridgeMessage.h"
#include "CheckoutWebPage.h"
#include "ExtraCertificateTrust.h"
#include "ScriptMessageBridge.h"
#include "WebCheckoutPageAddress.h"
#include "WebEngineWarmUp.h"
#include "network/LogRedaction.h"
#include "platform/KeyboardFocus.h"
#include "platform/MainQueue.h"
#include "platform/ModuleApi.h"
#include "tarvel/Config.h"
#include "tarvel/GetBundle.h"
#include "tarvel/Log.h"
#include "tarvel/NavigationController.h"
#include "tarvel/NetworkManager.h"
#include "ui_CustomeCheckout.h"

namespace tarvel {
namespace {

const QString kOnSuccess = QStringLiteral("onSuccess");
const QString kOnFailure = QStringLiteral("onFailure");
// Shown translated; the outcome's "error" keeps the English text.
constexpr char kPageFailureText[] = QT_TRANSLATE_NOOP(
    "tarvel::CustomeCheckout",
    "The checkout page could not be loaded. Check your internet connection, then go back and "
    "try again.");

// A page served with a certificate of the extra CA (TARVEL_CA_FILE: the local sandbox) is
// accepted when the page is a staging one and its chain and host verify against that CA; every
// other error stands, and a production page is never vouched for by the extra CA.
void acceptExtraCertificateAuthority(QWebEngineCertificateError error) {
  const QString host = error.url().host();
  if (error.isOverridable() && detail::ExtraCertificateTrust::fromEnvironment().trustsPage(
                                   error.url(), error.certificateChain())) {
    error.acceptCertificate();
    return;
  }
  log(LogLevel::warning, "Web checkout: certificate of " + host.toStdString() +
                             " refused: " + error.description().toStdString());
  error.rejectCertificate();
}

}  // namespace

CustomeCheckout::CustomeCheckout(const Dictionary& createData, bool production, QWidget* parent)
    : CheckoutScreen(createData, production, parent), ui_(std::make_unique<Ui::CustomeCheckout>()) {
  ui_->setupUi(this);
  ui_->buttonBack->setIcon(QIcon(GetBundle::resourcePath(QStringLiteral("images/back_arrow.png"))));
  detail::showFocusFromKeyboardOnly(ui_->buttonBack);
  connect(ui_->buttonBack, &QToolButton::clicked, this, &CustomeCheckout::backBtnClickAction);
  auto* containerLayout = new QVBoxLayout(ui_->container);
  containerLayout->setContentsMargins(0, 0, 0, 0);
}

CustomeCheckout::~CustomeCheckout() = default;

void CustomeCheckout::viewDidLoad() { CheckoutScreen::viewDidLoad(); }

void CustomeCheckout::viewWillAppear(bool animated) {
  CheckoutScreen::viewWillAppear(animated);
  loadPage();
}

const Dictionary& CustomeCheckout::dict() const { return createData(); }

QWidget* CustomeCheckout::container() const { return ui_->container; }

QWebEngineView* CustomeCheckout::webView() const { return webView_; }

QWidget* CustomeCheckout::backButton() const { return ui_->buttonBack; }

QLabel* CustomeCheckout::pageFailureMessage() const { return pageFailureMessage_; }

// Every appearance starts from a fresh page; the previous web view (same page, covered) is
// released rather than left running underneath.
void CustomeCheckout::loadPage() {
  if (outcomeClaimed_) return;
  const detail::WebCheckoutPageAddress address = detail::webCheckoutPageAddress(
      Config::webCheckoutPageBaseURL(NetworkManager::environment()), createData());
  if (!address.error.empty()) {
    failToOpen(address.error);
    return;
  }

  auto* view = new QWebEngineView(ui_->container);
  auto* page = new detail::CheckoutWebPage(QWebEngineProfile::defaultProfile(), address.url, view);
  auto* channel = new QWebChannel(page);
  auto* bridge = new detail::ScriptMessageBridge({kOnSuccess, kOnFailure}, page, channel);
  channel->registerObject(QLatin1String(detail::ScriptMessageBridge::kChannelObjectName), bridge);
  page->setWebChannel(channel);
  page->scripts().insert(bridge->userScript());
  connect(bridge, &detail::ScriptMessageBridge::received, this,
          &CustomeCheckout::userContentControllerDidReceive);
  connect(page, &QWebEnginePage::certificateError, page, &acceptExtraCertificateAuthority);
  connect(
      page, &QWebEnginePage::loadingChanged, this,
      [this, view](const QWebEngineLoadingInfo& loading) { pageLoadingChanged(view, loading); });
  view->setPage(page);

  if (webView_) webView_->deleteLater();
  if (pageFailureMessage_) pageFailureMessage_->deleteLater();
  webView_ = view;
  ui_->container->layout()->addWidget(view);
  view->load(address.url);
  detail::WebEngineWarmUp::release();  // this page keeps the engine running from now on
}

void CustomeCheckout::failToOpen(const std::string& reason) {
  log(LogLevel::warning, "Web checkout cannot open: " + reason);
  if (!claimOutcome(QStringLiteral("the failure to open"))) return;
  auto delegate = checkoutStatusDelegate();
  QPointer<CustomeCheckout> self(this);
  const Dictionary result = {{"error", "Web checkout cannot open: " + reason}};
  detail::MainQueue::async([self, delegate, result] {
    if (self) self->popFromNavigation();
    if (delegate) delegate->checkOutCompleted(false, result);
  });
}

// Chromium's own error page would show the shopper a technical text (or nothing at all); the
// screen says in plain words what happened and keeps its back button as the way out. A page
// with an HTTP error status did arrive: it is the platform's own, and it stays.
void CustomeCheckout::pageLoadingChanged(QWebEngineView* view,
                                         const QWebEngineLoadingInfo& loading) {
  if (loading.status() == QWebEngineLoadingInfo::LoadSucceededStatus && view == webView_ &&
      !outcomeClaimed_) {
    // The shopper can pay on the page from now on.
    module_api::recordUnfinishedWebCheckout(*this);
  }
  if (loading.status() != QWebEngineLoadingInfo::LoadFailedStatus || view != webView_) return;
  const std::string page =
      loading.url().toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo).toStdString();
  if (loading.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain) {
    log(LogLevel::warning, "Web checkout: the page " + page + " answered with HTTP status " +
                               std::to_string(loading.errorCode()));
    return;
  }
  if (outcomeClaimed_) return;
  log(LogLevel::warning, "Web checkout: the page " + page + " did not load (" +
                             loading.errorString().toStdString() +
                             "); the shopper sees a message and can go back");
  showPageFailure();
}

void CustomeCheckout::showPageFailure() {
  if (webView_) webView_->hide();
  if (pageFailureMessage_) return;
  const QString text = tr(kPageFailureText);
  auto* message = new QLabel(text, ui_->container);
  message->setObjectName(QStringLiteral("labelPageFailure"));
  message->setAccessibleName(text);
  message->setWordWrap(true);
  message->setAlignment(Qt::AlignCenter);
  message->setContentsMargins(24, 24, 24, 24);
  message->setStyleSheet(QStringLiteral("color: #1F2430; font-size: 15px;"));
  ui_->container->layout()->addWidget(message);
  pageFailureMessage_ = message;
}

void CustomeCheckout::userContentControllerDidReceive(const QString& name,
                                                      const QString& bodyJson) {
  const QByteArray nameText = name.toUtf8();
  const QByteArray bodyText = bodyJson.toUtf8();
  detail::BridgeMessage message = detail::BridgeMessage::read(
      {nameText.constData(), static_cast<std::size_t>(nameText.size())},
      {bodyText.constData(), static_cast<std::size_t>(bodyText.size())});
  log(LogLevel::debug, message.receivedLogLine);
  log(LogLevel::debug, message.bodyLogLine);
  const Dictionary body = std::move(message.body);

  if (!checkoutStatusDelegate()) {
    log(LogLevel::warning,
        "Web checkout: no status delegate, message \"" + name.toStdString() + "\" ignored");
    return;
  }
  if (!claimOutcome(QStringLiteral("message \"%1\"").arg(name))) return;
  // The report comes after the page's callback has returned. It reaches the delegate even if
  // the screen is gone by then; only the pop needs the screen.
  QPointer<CustomeCheckout> self(this);
  auto delegate = checkoutStatusDelegate();
  detail::MainQueue::async([self, delegate, name, body] {
    const bool success = name == kOnSuccess;
    if (success) delegate->checkOutCompleted(true, body);
    if (self) self->popFromNavigation();
    if (!success) delegate->checkOutCompleted(false, body);
  });
}

void CustomeCheckout::backBtnClickAction() {
  if (!claimOutcome(QStringLiteral("the back button"))) return;
  auto delegate = checkoutStatusDelegate();
  // Back from the page-failure text reports what the shopper read; a plain back reports {}.
  const Dictionary result = pageFailureMessage_
                                ? Dictionary{{"error", std::string(kPageFailureText)}}
                                : Dictionary::object();
  popFromNavigation();
  if (delegate) delegate->checkOutCompleted(false, result);
}

bool CustomeCheckout::claimOutcome(const QString& what) {
  if (outcomeClaimed_) {
    log(LogLevel::warning, ("Web checkout already finished; " + what + " dropped").toStdString());
    return false;
  }
  outcomeClaimed_ = true;
  return true;
}

// Only this screen leaves the stack, also from below another screen: a finished checkout is
// never revealed again.
void CustomeCheckout::popFromNavigation() {
  if (NavigationController* navigation = navigationController()) {
    navigation->removeViewController(this, true);
  }
}

}  // namespace tarvel
