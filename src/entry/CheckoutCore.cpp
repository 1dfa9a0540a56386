#include "entry/CheckoutCore.h"

#include <algorithm>  // find
#include <cstdio>     // snprintf
#include <optional>   // optional
#include <utility>    // move

#include <QApplication>

#include "config/OrderRoute.h"
#include "entry/FlowRelay.h"
#include "entry/OpenOrders.h"
#include "entry/ScreenFactory.h"
#include "platform/HostRootLease.h"
#include "platform/HostWidgetViewController.h"
#include "platform/KeyWindow.h"
#include "platform/LoggingCategory.h"
#include "platform/MainQueue.h"
#include "screens/web/WebCheckoutModule.h"
#include "tarvel/APIService.h"
#include "tarvel/CheckoutScreen.h"
#include "tarvel/Log.h"
#include "tarvel/NavigationController.h"
#include "tarvel/NetworkManager.h"
#include "tarvel/TarvelCheckout.h"
#include "tarvel/VerifyOTPViewModel.h"

namespace tarvel::detail {

namespace {

// Why a flow's screen could not be shown: a web checkout without its module names what is
// missing.
std::string unshownReason(const CheckoutScreen* screen, const std::string& screenName) {
  if (!screen && screenName == "CustomeCheckout" && !WebCheckoutModule::failure().empty()) {
    return WebCheckoutModule::failure();
  }
  return screenName + " could not be shown.";
}

// The order's "moid" when it is a non-empty text: the key under which one flow at a time runs.
std::string openOrderKey(const Dictionary& createData) {
  auto found = createData.find("moid");
  return found != createData.end() && found->is_string() ? found->get<std::string>() : "";
}

// A value of the order as found, any JSON type; "" when the key is missing.
Dictionary valueOrEmptyText(const Dictionary& createData, const char* key) {
  auto found = createData.find(key);
  return found != createData.end() ? *found : Dictionary("");
}

}  // namespace

CheckoutCore::CheckoutCore(bool production, std::shared_ptr<TarvelPaymentStatusDelegate> delegate)
    : viewModel_(std::make_shared<VerifyOTPViewModel>(std::make_shared<APIService>(),
                                                      Dictionary::object())) {
  routeLogThroughQt();
  NetworkManager::setEnvironment(environmentFor(production));
  delegate_ = std::move(delegate);
}

CheckoutCore::~CheckoutCore() = default;

void CheckoutCore::openCart(const Dictionary& createData) {
  const OrderRoute route = routeOrder(createData);
  if (route == OrderRoute::none) {
    reportUnstartable("openCart: the order has no text \"order_type\"; no checkout started");
    return;
  }
  if (route == OrderRoute::rtoTracking) {
    startRtoTracking(createData);  // no screen: the host's windows stay as they are
    return;
  }
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    reportUnstartable("openCart: the checkout's screens need a QApplication; no checkout started");
    return;
  }
  const std::string order = openOrderKey(createData);
  if (!order.empty() && !OpenOrders::claim(order)) {
    reportUnstartable("openCart: the checkout of order \"" + order +
                      "\" is still open; this one was not started");
    return;
  }

  NavigationController* navigation = prepareWindow();
  const bool production = NetworkManager::environment() == Environment::production;
  ScreenFactory& factory = *ScreenFactory::shared();
  switch (route) {
    case OrderRoute::webCheckout:
      show(factory.makeWebCheckout(createData, production), "CustomeCheckout", navigation, false,
           order);
      return;
    case OrderRoute::upiCheckout:
      show(factory.makeUpiCheckout(createData, production), "UpiCheckoutViewController", navigation,
           false, order);
      return;
    case OrderRoute::verifyOtpPushed:
    case OrderRoute::verifyOtpModal:
      show(factory.makeVerifyOTP(createData, production), "VerifyOTPViewController", navigation,
           route == OrderRoute::verifyOtpModal, order);
      return;
    case OrderRoute::none:
    case OrderRoute::rtoTracking:
      return;
  }
}

// Makes sure the key window's root is a navigation controller: an existing one is kept, any
// other root becomes the bottom of a new one. When the host shows no window, the component
// opens its own.
NavigationController* CheckoutCore::prepareWindow() {
  QWidget* window = KeyWindow::currentOrOpen();
  if (!window) return nullptr;
  QWidget* root = KeyWindow::rootWidget(window);
  if (auto* navigation = qobject_cast<NavigationController*>(root)) {
    KeyWindow::setRootWidget(window, navigation);
    KeyWindow::makeKeyAndVisible(window);
    return navigation;
  }

  QWidget* focus = window->focusWidget();
  QWidget* former = KeyWindow::setRootWidget(window, nullptr);
  ViewController* formerScreen = qobject_cast<ViewController*>(former);
  if (former && !formerScreen) formerScreen = new HostWidgetViewController(former);
  setRootViewController(formerScreen);

  // Without a former root a blank screen takes the bottom, so that the flow's screen, which
  // closes itself by popping, is never the bottom screen.
  auto* navigation = new NavigationController(formerScreen ? formerScreen : new ViewController);
  KeyWindow::setRootWidget(window, navigation);
  if (window != KeyWindow::ownWindow()) HostRootLease::take(window, navigation, former, focus);
  KeyWindow::makeKeyAndVisible(window);
  return navigation;
}

// A modal screen goes above whatever the window already presents. A screen that cannot be
// shown (none, or one that already sits somewhere) ends its flow at once with a failure; one
// that nothing else holds is freed.
void CheckoutCore::show(CheckoutScreen* screen, const std::string& screenName,
                        NavigationController* navigation, bool modally, const std::string& order) {
  auto relay = std::make_shared<FlowRelay>(shared_from_this(), screenName, order);
  const bool heldElsewhere = screen && (screen->parentWidget() || screen->isVisible());
  if (!screen || heldElsewhere || !navigation) {
    if (screen && !heldElsewhere) delete screen;
    relay->fail(unshownReason(screen, screenName));
    return;
  }
  relay->watch(screen);
  relay->followJournal(screen->journalTicket());
  screen->setCheckoutStatusDelegate(relay);
  navigation->setNavigationBarHidden(true, false);
  if (modally) {
    log(LogLevel::info, "Presenting " + screenName + " modally; its delegate is " + description());
    navigation->present(screen, true);
  } else {
    navigation->pushViewController(screen, true);
  }
  relay->watchWindow(screen);
}

// The component's own window closes once no flow shows anything in it any more; a host's
// window gets its own root back.
void CheckoutCore::screenClosed() {
  MainQueue::async([] {
    HostRootLease::handBackIdle();
    QWidget* own = KeyWindow::ownWindow();
    auto* navigation = qobject_cast<NavigationController*>(KeyWindow::rootWidget(own));
    if (!navigation || navigation->presentedViewController()) return;
    if (navigation->viewControllers().size() > 1) return;
    own->close();
  });
}

void CheckoutCore::reportUnstartable(const std::string& error) {
  log(LogLevel::warning, error);
  auto self = shared_from_this();
  MainQueue::async([self, error] { self->deliver(false, Dictionary{{"error", error}}); });
}

// One GET "v2/rto/track" with the order's "request_id" and "moid" as found. The closures hold
// this object until the answer has been passed on; each answer goes to the host on the main
// thread: status true with the answer, or false with {"error": <the failure's text>}.
void CheckoutCore::startRtoTracking(const Dictionary& createData) {
  std::shared_ptr<VerifyOTPViewModel> model = viewModel();
  if (!model) {
    reportUnstartable("No view model for the RTO tracking request.");
    return;
  }
  Dictionary params = Dictionary::object();
  params["request_id"] = valueOrEmptyText(createData, "request_id");
  params["moid"] = valueOrEmptyText(createData, "moid");

  auto self = shared_from_this();
  model->onSuccessRto = [self](const Dictionary& response) {
    MainQueue::async([self, response] { self->finishRtoTracking(true, response); });
  };
  model->onFailureRto = [self](const std::string& error) {
    MainQueue::async([self, error] {
      self->finishRtoTracking(false, Dictionary{{"error", error}});
    });
  };
  if (std::find(rtoViewModels_.begin(), rtoViewModels_.end(), model) == rtoViewModels_.end()) {
    rtoViewModels_.push_back(model);
  }
  ++rtoPending_;
  model->completeOrder(params);
}

void CheckoutCore::finishRtoTracking(bool status, const Dictionary& data) {
  if (rtoPending_ == 0) {
    log(LogLevel::warning, "Dropped an RTO tracking outcome that no request is waiting for");
    return;
  }
  --rtoPending_;
  if (rtoPending_ == 0) {
    // Nothing is waiting any more: let go of the closures, which hold this object.
    for (const auto& model : rtoViewModels_) {
      model->onSuccessRto = nullptr;
      model->onFailureRto = nullptr;
    }
    rtoViewModels_.clear();
  }
  deliver(status, data);
}

void CheckoutCore::deliver(bool status, const Dictionary& data) {
  if (auto host = delegate()) host->tarvelPayment(status, data);
}

void CheckoutCore::passScreenOutcome(bool status, const Dictionary& data) {
  if (entry_) {
    entry_->checkOutCompleted(status, data);
  } else {
    deliver(status, data);
  }
}

void CheckoutCore::setEntryObject(TarvelCheckout* entry) { entry_ = entry; }

ViewController* CheckoutCore::rootViewController() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return rootViewController_;
}

void CheckoutCore::setRootViewController(ViewController* root) {
  std::lock_guard<std::mutex> lock(mutex_);
  rootViewController_ = root;
}

std::shared_ptr<TarvelPaymentStatusDelegate> CheckoutCore::delegate() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return delegate_;
}

void CheckoutCore::setDelegate(std::shared_ptr<TarvelPaymentStatusDelegate> delegate) {
  std::lock_guard<std::mutex> lock(mutex_);
  delegate_ = std::move(delegate);
}

std::shared_ptr<VerifyOTPViewModel> CheckoutCore::viewModel() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return viewModel_;
}

void CheckoutCore::setViewModel(std::shared_ptr<VerifyOTPViewModel> viewModel) {
  std::lock_guard<std::mutex> lock(mutex_);
  viewModel_ = std::move(viewModel);
}

std::string CheckoutCore::description() const {
  char address[32];
  std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
  return std::string("<tarvel::TarvelCheckout: ") + address + ">";
}

}  // namespace tarvel::detail
