// tarvel_flow_bench: whole-flow figures of the component beside the bare pieces beneath it.
// Each mode prints "figure <name> <value>" lines, which scripts/run-bench.sh gathers into one
// table with the ratios; a mode exits 0 only when its flows ended with the outcome they expect.
//
//   stall [--delay-ms N] [--flows upi,otp]  longest main-thread stall of a full UPI (QR) and
//                                  OTP flow, answers delayed by N ms
//   coldstart bare|cold|warm       openCart to the UPI screen's first paint and to the verify
//                                  request at the server, without and after warmUp(); bare:
//                                  the floors (a widget from the same .ui, a new libcurl
//                                  client's first request)
//   webstart bare|component|warm   GUI-thread hold of a first web page: a bare QWebEngineView,
//                                  the first web checkout, the same after warmUpWebCheckout()
//   pageurl                        the hosted page's address for the bare web program
#include <algorithm>   // max
#include <atomic>      // atomic
#include <chrono>      // steady_clock, milliseconds
#include <cstdint>     // int64_t
#include <cstdio>      // printf
#include <cstdlib>     // setenv
#include <functional>  // function
#include <memory>      // make_shared
#include <optional>    // optional
#include <string>      // string

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEngineCertificateError>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <time.h>    // clock_gettime
#include <unistd.h>  // _exit

#include "BareCurl.h"
#include "SandboxServer.h"
#include "screens/web/WebCheckoutPageAddress.h"
#include "tarvel/Config.h"
#include "tarvel/CustomeCheckout.h"
#include "tarvel/Log.h"
#include "tarvel/TarvelCheckout.h"
#include "tarvel/UIFont.h"
#include "tarvel/UpiCheckoutViewController.h"
#include "ui_UpiCheckoutViewController.h"

namespace {

using namespace std::chrono_literals;
using tarvel::Dictionary;
using SteadyClock = std::chrono::steady_clock;

void figure(const std::string& name, double value) {
  std::printf("figure %s %.3f\n", name.c_str(), value);
  std::fflush(stdout);
}

double millisSince(SteadyClock::time_point start, SteadyClock::time_point end) {
  return std::chrono::duration<double, std::milli>(end - start).count();
}

QWidget* visibleWidget(const QString& objectName) {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    for (QWidget* widget : window->findChildren<QWidget*>(objectName)) {
      if (widget->isVisible()) return widget;
    }
  }
  return nullptr;
}

// Runs the event loop until `done` or `bound`, checking every 5 ms; returns whether `done` came.
bool runLoopUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (done()) loop.quit();
  });
  poll.start(5);
  QTimer::singleShot(bound, &loop, &QEventLoop::quit);
  if (!done()) loop.exec();
  return done();
}

// How long the main thread stays away from its event loop: a precise 2 ms timer ticks; the
// longest gap between ticks less the tick (wall clock, which a loaded machine inflates), and
// the thread's own CPU time over its busiest gap (which it does not).
class EventLoopProbe {
 public:
  EventLoopProbe() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    wall_.start();
    lastCpuNs_ = cpuNs();
    timer_.start(kTickMs);
  }
  // Stops and prints "<name>_wall_ms" and "<name>_cpu_ms".
  void report(const std::string& name) {
    tick();
    timer_.stop();
    figure(name + "_wall_ms", static_cast<double>(longestWallNs_) / 1e6);
    figure(name + "_cpu_ms", static_cast<double>(longestCpuNs_) / 1e6);
  }

 private:
  static constexpr std::int64_t kTickMs = 2;
  static std::int64_t cpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
  }
  void tick() {
    const std::int64_t wall = wall_.nsecsElapsed(), cpu = cpuNs();
    longestWallNs_ = std::max(longestWallNs_, wall - lastWallNs_ - kTickMs * 1000000);
    longestCpuNs_ = std::max(longestCpuNs_, cpu - lastCpuNs_);
    lastWallNs_ = wall;
    lastCpuNs_ = cpu;
  }

  QTimer timer_;
  QElapsedTimer wall_;
  std::int64_t lastWallNs_ = 0, lastCpuNs_ = 0, longestWallNs_ = 0, longestCpuNs_ = 0;
};

// The sandbox platform in this process over HTTPS, the component's staging hosts pointed at
// it; records when the first verify request arrives. Never stopped:
// stopping would wait out the keep-alive of the shared loader's connection (main ends with
// _exit).
struct Platform {
  tarvel::sandbox::SandboxServer* server = nullptr;
  std::atomic<SteadyClock::rep> verifyNs{-1};
};

Platform* startPlatform(std::chrono::milliseconds delay) {
  auto* platform = new Platform;
  tarvel::sandbox::SandboxOptions options;
  options.slowDelay = delay;
  options.requestArrived = [platform](std::string_view, std::string_view path) {
    SteadyClock::rep none = -1;
    if (path.ends_with("/v1/order/verify")) {
      platform->verifyNs.compare_exchange_strong(none,
                                                 SteadyClock::now().time_since_epoch().count());
    }
  };
  platform->server = new tarvel::sandbox::SandboxServer(options);
  if (!platform->server->start()) {
    std::printf("the sandbox did not start: %s\n", platform->server->error().c_str());
    return nullptr;
  }
  ::setenv("TARVEL_STAGING_API_URL", platform->server->apiBaseUrl().c_str(), 1);
  ::setenv("TARVEL_STAGING_ANALYTICS_URL", platform->server->analyticsBaseUrl().c_str(), 1);
  ::setenv("TARVEL_STAGING_WEB_URL", platform->server->webBaseUrl().c_str(), 1);
  ::setenv("TARVEL_CA_FILE", platform->server->caFile().c_str(), 1);
  return platform;
}

// Keeps the outcome the host hears.
struct OutcomeListener : public tarvel::TarvelPaymentStatusDelegate {
  std::optional<std::pair<bool, Dictionary>> outcome;  // the status and the data
  void tarvelPayment(bool status, const Dictionary& data) override {
    outcome.emplace(status, data);
  }
};

// Opens a checkout of `order` under the event-loop probe and runs the event loop until its
// outcome (or `bound`), calling `step` every 20 ms on the way, as a shopper would act; prints
// the flow's stall figures.
std::optional<std::pair<bool, Dictionary>> runCheckout(const Dictionary& order,
                                                       const std::function<void()>& step,
                                                       std::chrono::milliseconds bound,
                                                       const std::string& flow) {
  auto listener = std::make_shared<OutcomeListener>();
  tarvel::TarvelCheckout checkout(false, listener);
  QTimer stepper;
  QObject::connect(&stepper, &QTimer::timeout, [&] {
    if (step) step();
  });
  stepper.start(20);
  EventLoopProbe probe;
  checkout.openCart(order);
  runLoopUntil([&] { return listener->outcome.has_value(); }, bound);
  probe.report("stall_" + flow);
  return listener->outcome;
}

// A UPI order ("cod": the OTP flow) in the sandbox scenario `scenario`.
Dictionary order(const char* type, const std::string& moid, const std::string& scenario) {
  Dictionary order = Dictionary::parse(R"({"mid": "M-bench", "request_id": "req-bench",
      "phone": "9876543210", "total": "499.00", "tarvel_oid": "tvl-bench"})");
  order.update({{"order_type", type}, {"moid", moid}, {"sandbox_scenario", scenario}});
  return order;
}

int stallMode(std::chrono::milliseconds delay, const QString& flows) {
  Platform* platform = startPlatform(delay);
  if (!platform) return 1;
  bool asExpected = true;
  if (flows.contains(QLatin1String("upi"))) {
    const auto outcome = runCheckout(order("upi", "bench-stall-upi", "slow,no-uapp,paid"), {},
                                     delay * 6 + 30s, "upi");
    asExpected = outcome && outcome->first && outcome->second.value("payment_status", "") == "PAID";
  }
  if (flows.contains(QLatin1String("otp"))) {
    // The shopper: once the screen shows its OTP panel and the platform has sent the OTP,
    // types the four digits and submits them, once.
    bool submitted = false;
    const auto shopper = [&] {
      const auto otp = platform->server->lastOtp("bench-stall-otp", "9876543210");
      if (submitted || !otp || otp->size() < 4 ||
          !visibleWidget(QStringLiteral("viewCODContainer"))) {
        return;
      }
      for (int i = 0; i < 4; ++i) {
        QWidget* field = visibleWidget(QStringLiteral("textField%1").arg(i + 1));
        field->setFocus();
        QTest::keyClick(field, (*otp)[static_cast<std::size_t>(i)]);
      }
      QTest::mouseClick(visibleWidget(QStringLiteral("buttonSubmitOTP")), Qt::LeftButton);
      submitted = true;
    };
    const auto outcome =
        runCheckout(order("cod", "bench-stall-otp", "slow"), shopper, delay * 6 + 30s, "otp");
    asExpected = asExpected && outcome && outcome->first &&
                 outcome->second.value("otp_verified", false) == true;
  }
  return asExpected ? 0 : 1;
}

// Milliseconds from `show` being called to the first paint of a widget `watched` picks, or of
// a widget inside one.
double timeToFirstPaint(const std::function<void()>& show,
                        const std::function<bool(QObject*)>& watched) {
  class FirstPaint : public QObject {
   public:
    std::function<bool(QObject*)> watched;
    std::optional<SteadyClock::time_point> painted;
    QEventLoop loop;
    bool eventFilter(QObject* object, QEvent* event) override {
      for (QObject* o = object; !painted && event->type() == QEvent::Paint && o; o = o->parent()) {
        if (!watched(o)) continue;
        painted = SteadyClock::now();
        loop.quit();
      }
      return false;
    }
  } filter;
  filter.watched = watched;
  qApp->installEventFilter(&filter);
  QTimer::singleShot(20s, &filter.loop, &QEventLoop::quit);
  const auto start = SteadyClock::now();
  show();
  if (!filter.painted) filter.loop.exec();
  qApp->removeEventFilter(&filter);
  return filter.painted ? millisSince(start, *filter.painted) : -1;
}

QByteArray fileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The floors ("bare"), or the component's first UPI screen without ("cold") and after ("warm")
// TarvelCheckout::warmUp(); each in a fresh process, after Qt's own first window.
int coldStartMode(const QString& variant) {
  Platform* platform = startPlatform(0ms);
  if (!platform) return 1;
  QLabel first(QStringLiteral("Qt's first window"));
  // The window a checkout opens in, as a host's: the floor's size. At a label's own size it
  // grew from 96 to 262 px wide around the screen, which rescaled its fonts at each width.
  first.resize(375, 667);
  timeToFirstPaint([&] { first.show(); }, [&](QObject* o) { return o == &first; });
  const std::string name = "coldstart_" + variant.toStdString();
  SteadyClock::time_point start;
  if (variant == QLatin1String("bare")) {
    QWidget bare;
    Ui::TarvelCheckoutViewController ui;
    const auto show = [&] {
      ui.setupUi(&bare);
      bare.resize(375, 667);
      bare.show();
    };
    figure(name + "_paint_ms", timeToFirstPaint(show, [&](QObject* o) { return o == &bare; }));
    // A new libcurl client reading the system's authorities and the sandbox's as one bundle,
    // then making one request to the same server.
    QFile bundle(QDir::temp().filePath(QStringLiteral("tarvel-bench-ca.pem")));
    const QByteArray pem = fileBytes(QStringLiteral("/etc/ssl/certs/ca-certificates.crt")) +
                           fileBytes(QString::fromStdString(platform->server->caFile()));
    if (!bundle.open(QIODevice::WriteOnly) || bundle.write(pem) != pem.size()) return 1;
    bundle.close();
    curl_global_init(CURL_GLOBAL_DEFAULT);
    start = SteadyClock::now();
    tarvel::bench::BareCurlPost client(platform->server->apiBaseUrl() + "v1/order/verify",
                                       order("upi", "bench-bare", "").dump(),
                                       bundle.fileName().toStdString());
    if (!client.post()) return 1;
  } else {
    if (variant == QLatin1String("warm")) {
      tarvel::TarvelCheckout::warmUp();
      if (!runLoopUntil(
              [&] {
                return platform->server->clientConnections() == 1 &&
                       tarvel::UIFont::registeredFaces().size() == 7;
              },
              20s)) {
        return 1;
      }
      runLoopUntil([] { return false; }, 300ms);  // the host's start-up goes on a moment
    }
    auto listener = std::make_shared<OutcomeListener>();
    std::shared_ptr<tarvel::TarvelCheckout> checkout;  // made within the time, as by a host
    const auto open = [&] {
      start = SteadyClock::now();
      checkout = std::make_shared<tarvel::TarvelCheckout>(false, listener);
      checkout->openCart(order("upi", "bench-coldstart", "no-uapp,never-pays"));
    };
    figure(name + "_paint_ms", timeToFirstPaint(open, [](QObject* o) {
             return qobject_cast<tarvel::UpiCheckoutViewController*>(o) != nullptr;
           }));
  }
  if (!runLoopUntil([&] { return platform->verifyNs.load() >= 0; }, 20s)) return 1;
  figure(name + "_verify_ms",
         millisSince(start,
                     SteadyClock::time_point(SteadyClock::duration(platform->verifyNs.load()))));
  figure(name + "_tls_handshakes", static_cast<double>(platform->server->tlsHandshakes()));
  return 0;
}

Dictionary webOrder() {
  Dictionary web = order("upi", "bench-web", "");
  web["upi_app"] = "customweb";
  return web;
}

QUrl hostedPageUrl() {
  return tarvel::detail::webCheckoutPageAddress(
             tarvel::Config::webCheckoutPageBaseURL(tarvel::Environment::staging), webOrder())
      .url;
}

// The longest GUI-thread stall from the start of the first web page until it has loaded.
int webStartMode(const QString& variant) {
  if (!startPlatform(0ms)) return 1;
  bool warm = false;
  if (variant == QLatin1String("warm")) {
    tarvel::TarvelCheckout::warmUpWebCheckout([&] { warm = true; });
    if (!runLoopUntil([&] { return warm; }, 60s)) return 1;
  }
  runLoopUntil([] { return false; }, 50ms);  // what the start left queued runs first
  tarvel::TarvelCheckout checkout(false, std::make_shared<OutcomeListener>());
  std::unique_ptr<QWebEngineView> bareView;
  std::unique_ptr<QSignalSpy> loaded;
  EventLoopProbe probe;
  if (variant == QLatin1String("bare")) {
    bareView = std::make_unique<QWebEngineView>();
    QObject::connect(bareView->page(), &QWebEnginePage::certificateError,
                     [](QWebEngineCertificateError error) { error.acceptCertificate(); });
    loaded = std::make_unique<QSignalSpy>(bareView.get(), &QWebEngineView::loadFinished);
    bareView->resize(375, 667);
    bareView->show();
    bareView->load(hostedPageUrl());
  } else {
    checkout.openCart(webOrder());
  }
  const bool ok = runLoopUntil(
      [&] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
          for (auto* screen : window->findChildren<tarvel::CustomeCheckout*>()) {
            if (!loaded && screen->webView()) {  // once the screen has loaded its view
              loaded =
                  std::make_unique<QSignalSpy>(screen->webView(), &QWebEngineView::loadFinished);
            }
          }
        }
        return loaded && !loaded->isEmpty();
      },
      60s);
  probe.report("web_" + variant.toStdString() + "_stall");
  return ok && loaded->first().first().toBool() ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  // The figures alone on the console, unless the component's lines are asked for.
  if (qEnvironmentVariableIsEmpty("TARVEL_BENCH_LOG")) tarvel::setLogSink([](std::string_view) {});
  const QStringList arguments = QCoreApplication::arguments();
  const QString mode = arguments.value(1);
  const auto option = [&](const char* name, const char* fallback) {
    const auto at = arguments.indexOf(QLatin1String(name));
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : QString(fallback);
  };
  int code = 2;
  if (mode == QLatin1String("stall")) {
    code = stallMode(std::chrono::milliseconds(option("--delay-ms", "2000").toInt()),
                     option("--flows", "upi,otp"));
  } else if (mode == QLatin1String("coldstart")) {
    code = coldStartMode(arguments.value(2));
  } else if (mode == QLatin1String("webstart")) {
    code = webStartMode(arguments.value(2));
  } else if (mode == QLatin1String("pageurl")) {
    std::printf("%s\n", hostedPageUrl().toString().toUtf8().constData());
    code = 0;
  } else {
    std::printf("usage: tarvel_flow_bench stall|coldstart|webstart|pageurl\n");
  }
  std::fflush(stdout);
  // The shared loader keeps its connection to the in-process sandbox, whose stop would wait
  // out the keep-alive; the figures are out, so the process ends here.
  ::_exit(code);
}
