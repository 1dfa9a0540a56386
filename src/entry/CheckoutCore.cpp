#include "entry/CheckoutCore.h"

#include <algorithm>  // find
#include <cstdio>     // snprintf
#include <optional>   // optional
#include <utility>    // move

#include "config/OrderRoute.h"
#include "entry/FlowRelay.h"
#include "entry/ScreenFactory.h"
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
  const bool showsScreen = route != OrderRoute::none && route != OrderRoute::rtoTracking;
  NavigationController* navigation = prepareWindow(showsScreen);

  const bool production = NetworkManager::environment() == Environment::production;
  ScreenFactory& factory = *ScreenFactory::shared();
  switch (route) {
    case OrderRoute::none:
      log("openCart: the order has no text \"order_type\"; no checkout started");
      return;
    case OrderRoute::rtoTracking:
      startRtoTracking(createData);
      return;
    case OrderRoute::webCheckout: {
      CheckoutScreen* screen = factory.makeWebCheckout(createData, production);
      if (!screen && !WebCheckoutModule::failure().empty()) {
        reportUnstartable(WebCheckoutModule::failure());
        return;
      }
      show(screen, "CustomeCheckout", navigation, false);
      return;
    }
    case OrderRoute::upiCheckout:
      show(factory.makeUpiCheckout(createData, production), "UpiCheckoutViewController", navigation,
           false);
      return;
    case OrderRoute::verifyOtpPushed:
    case OrderRoute::verifyOtpModal:
      show(factory.makeVerifyOTP(createData, production), "VerifyOTPViewController", navigation,
           route == OrderRoute::verifyOtpModal);
      return;
  }
}

// Makes sure the key window's root is a navigation controller: an existing one is kept, any
// other root becomes the bottom of a new one. When the host shows no window, the component
// opens its own for a flow with a screen; a flow without one leaves the windows alone.
NavigationController* CheckoutCore::prepareWindow(bool openOwnWindow) {
  QWidget* window = openOwnWindow ? KeyWindow::currentOrOpen() : KeyWindow::current();
  if (!window) return nullptr;
  QWidget* root = KeyWindow::rootWidget(window);
  if (auto* navigation = qobject_cast<NavigationController*>(root)) {
    KeyWindow::setRootWidget(window, navigation);
    KeyWindow::makeKeyAndVisible(window);
    return navigation;
  }

  QWidget* former = KeyWindow::setRootWidget(window, nullptr);
  ViewController* formerScreen = qobject_cast<ViewController*>(former);
  if (former && !formerScreen) formerScreen = new HostWidgetViewController(former);
  setRootViewController(formerScreen);

  // Without a former root a blank screen takes the bottom, so that the flow's screen, which
  // closes itself by popping, is never the bottom screen.
  auto* navigation = new NavigationController(formerScreen ? formerScreen : new ViewController);
  KeyWindow::setRootWidget(window, navigation);
  KeyWindow::makeKeyAndVisible(window);
  return navigation;
}

// A modal screen goes above whatever the window already presents. A screen that cannot be
// shown (none, or one that already sits somewhere) ends its flow at once with a failure; one
// that nothing else holds is freed.
void CheckoutCore::show(CheckoutScreen* screen, const std::string& screenName,
                        NavigationController* navigation, bool modally) {
  auto relay = std::make_shared<FlowRelay>(shared_from_this(), screenName);
  const bool heldElsewhere = screen && (screen->parentWidget() || screen->isVisible());
  if (!screen || heldElsewhere || !navigation) {
    if (screen && !heldElsewhere) delete screen;
    relay->fail(screenName + " could not be shown.");
    return;
  }
  relay->watch(screen);
  screen->setCheckoutStatusDelegate(relay);
  navigation->setNavigationBarHidden(true, false);
  if (modally) {
    log("Presenting " + screenName + " modally; its delegate is " + description());
    navigation->present(screen, true);
  } else {
    navigation->pushViewController(screen, true);
  }
}

// The component's own window closes once no flow shows anything in it any more.
void CheckoutCore::screenClosed() {
  MainQueue::async([] {
    QWidget* own = KeyWindow::ownWindow();
    auto* navigation = qobject_cast<NavigationController*>(KeyWindow::rootWidget(own));
    if (!navigation || navigation->presentedViewController()) return;
    if (navigation->viewControllers().size() > 1) return;
    own->close();
  });
}

void CheckoutCore::reportUnstartable(const std::string& error) {
  log(error);
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
    log("Dropped an RTO tracking outcome that no request is waiting for");
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
