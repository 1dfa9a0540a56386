#include "tarvel/TarvelCheckout.h"

#include <future>   // promise, shared_future
#include <memory>   // make_shared
#include <mutex>    // once_flag, call_once
#include <string>   // string
#include <thread>   // thread
#include <utility>  // move

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>

#include "entry/CheckoutCore.h"
#include "entry/CheckoutRecovery.h"
#include "network/UrlLoader.h"
#include "platform/MainQueue.h"
#include "platform/ShopperLanguage.h"
#include "screens/web/WebCheckoutFactory.h"
#include "screens/web/WebCheckoutModule.h"
#include "tarvel/Config.h"
#include "tarvel/Log.h"
#include "tarvel/NetworkManager.h"
#include "tarvel/UIFont.h"
#include "tarvel/VerifyOTPViewModel.h"
#include "tarvel/Version.h"

namespace tarvel {

TarvelCheckout::TarvelCheckout(bool production,
                               std::shared_ptr<TarvelPaymentStatusDelegate> delegate)
    : core_(std::make_shared<detail::CheckoutCore>(production, std::move(delegate))) {
  core_->setEntryObject(this);
  // The network thread starts at the component's first use (every checkout opens through this
  // object): libcurl, OpenSSL and the trust store are ready by the time a checkout opens.
  detail::UrlLoader::shared();
}

// Flows that outlive this object report straight to the host delegate from now on.
TarvelCheckout::~TarvelCheckout() { core_->setEntryObject(nullptr); }

namespace {

// Once a process, so a support request's log says which library ran.
void logVersionOnce() {
  static std::once_flag logged;
  std::call_once(logged, [] { log(std::string("Tarvel Checkout ") + version()); });
}

}  // namespace

void TarvelCheckout::openCart(const Dictionary& createData) {
  logVersionOnce();
  if (!detail::MainQueue::isMainThread()) {
    detail::MainQueue::async([core = core_, createData] { core->openCart(createData); });
    return;
  }
  core_->openCart(createData);
}

void TarvelCheckout::setLanguage(const std::string& language) {
  detail::ShopperLanguage::setLanguage(QString::fromStdString(language));
}

void TarvelCheckout::addTranslationDirectory(const std::string& directory) {
  detail::ShopperLanguage::addTranslationDirectory(QString::fromStdString(directory));
}

namespace {

// The font warm-up reads the font database, which the application's end tears down: the end
// waits for it (post routines run first thing in QGuiApplication's destructor).
std::shared_future<void>& fontWarmUp() {
  static std::shared_future<void> done;
  return done;
}

void waitForFontWarmUp() {
  if (fontWarmUp().valid()) fontWarmUp().wait();
}

void warmUpFonts() {
  UIFont::loadFonts();
  // Registering invalidates the font database; it is read again here rather than on the GUI
  // thread at the first screen's first text.
  QFontDatabase::families();
  // The faces have no rupee sign: the screens' prices take it from a fallback face, and
  // choosing the fallbacks sorts every system font (fontconfig). Font engines belong to the
  // thread that made them, but the families chosen are kept process-wide, so this sort is not
  // repeated when the first price is laid out.
  for (const char* face : {"Metropolis-Regular", "Metropolis-Medium", "Metropolis-Bold"}) {
    QFontMetricsF(UIFont::font(QLatin1String(face), 20))
        .horizontalAdvance(QStringLiteral("Pay \u20B9499.00"));
  }
}

}  // namespace

void TarvelCheckout::warmUp() {
  detail::UrlLoader::shared().warmUp(Config::apiBaseURL(NetworkManager::environment()));
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    log("Warm-up: no QApplication yet; the fonts load with the first screen");
    return;
  }
  static std::once_flag fonts;
  std::call_once(fonts, [] {
    auto done = std::make_shared<std::promise<void>>();
    fontWarmUp() = done->get_future().share();
    qAddPostRoutine(&waitForFontWarmUp);
    // A thread of its own rather than Qt's pool: the host's tasks may fill the pool, and the
    // application's end waits for this one.
    std::thread([done] {
      warmUpFonts();
      done->set_value();
    }).detach();
  });
}

void TarvelCheckout::warmUpWebCheckout(std::function<void()> ready) {
  if (!detail::MainQueue::isMainThread()) {
    detail::MainQueue::async(
        [ready = std::move(ready)]() mutable { warmUpWebCheckout(std::move(ready)); });
    return;
  }
  // Without the module the failure is logged and `ready` never runs: there is no engine.
  auto* module = detail::WebCheckoutModule::load();
  if (!module) {
    log("Web checkout warm-up: nothing started. " + detail::WebCheckoutModule::failure());
    return;
  }
  module->warmUp(std::move(ready));
}

void TarvelCheckout::recoverUnfinishedCheckouts(std::function<void()> finished) {
  detail::CheckoutRecovery::start(core_, std::move(finished));
}

void TarvelCheckout::checkOutCompleted(bool status, const Dictionary& data) {
  core_->deliver(status, data);
}

ViewController* TarvelCheckout::rootViewController() const { return core_->rootViewController(); }

void TarvelCheckout::setRootViewController(ViewController* root) {
  core_->setRootViewController(root);
}

std::shared_ptr<TarvelPaymentStatusDelegate> TarvelCheckout::checkoutStatusDelegate() const {
  return core_->delegate();
}

void TarvelCheckout::setCheckoutStatusDelegate(
    std::shared_ptr<TarvelPaymentStatusDelegate> delegate) {
  core_->setDelegate(std::move(delegate));
}

std::shared_ptr<VerifyOTPViewModel> TarvelCheckout::viewModel() const { return core_->viewModel(); }

void TarvelCheckout::setViewModel(std::shared_ptr<VerifyOTPViewModel> viewModel) {
  core_->setViewModel(std::move(viewModel));
}

}  // namespace tarvel
