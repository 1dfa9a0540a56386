// tarvel_flow_bench: whole-flow figures of the component beside the bare Qt pieces beneath it.
// Each mode prints "figure <name> <value>" lines, which scripts/run-bench.sh gathers into one
// table with the ratios; a mode exits 0 only when its flows ended with the outcome they expect.
//
//   tarvel_flow_bench stall [--delay-ms N] [--flows upi,otp]   longest main-thread stall of a
//                                          full UPI (QR) and OTP flow, answers delayed by N ms
//   tarvel_flow_bench connections          TCP connections and TLS handshakes of a 24-poll QR
//                                          flow, counted by the sandbox
//   tarvel_flow_bench coldstart            openCart to the UPI screen's first paint and to the
//                                          verify request at the server, beside a bare widget
//                                          made from the same .ui
//   tarvel_flow_bench webstart bare|component|warm   GUI-thread hold of a first web page:
//                                          a bare QWebEngineView, the first web checkout, the
//                                          first web checkout after warmUpWebCheckout()
//   tarvel_flow_bench pageurl              the hosted page's address for the bench's web order
//                                          (under TARVEL_STAGING_WEB_URL), for the bare web
//                                          program
#include <atomic>      // atomic
#include <chrono>      // steady_clock, milliseconds
#include <cstdio>      // printf
#include <cstdlib>     // setenv
#include <functional>  // function
#include <memory>      // make_shared
#include <optional>    // optional
#include <string>      // string

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWebEngineCertificateError>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <unistd.h>  // _exit

#include "EventLoopProbe.h"
#include "ManualClock.h"
#include "SandboxServer.h"
#include "platform/ActivityIndicator.h"
#include "platform/MainQueue.h"
#include "screens/web/WebCheckoutPageAddress.h"
#include "tarvel/Config.h"
#include "tarvel/CustomeCheckout.h"
#include "tarvel/Log.h"
#include "tarvel/TarvelCheckout.h"
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

// Qt WebEngine's helper processes started by this process and still running.
int webEngineProcesses() {
  int count = 0;
  const QString self = QString::number(QCoreApplication::applicationPid());
  for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) continue;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 1 && fields[1] == self.toLatin1() && text.contains("QtWebEngineProc")) {
      ++count;
    }
  }
  return count;
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

// The sandbox platform in this process over HTTPS, with the component's staging hosts pointed
// at it; records when requests arrive.
class Platform {
 public:
  explicit Platform(std::chrono::milliseconds delay) : server_(optionsWith(delay)) {}

  /// One for the rest of the process, never stopped: stopping would wait out the keep-alive of
  /// the connection the component's shared loader keeps open, and the process ends with _exit.
  static Platform& forProcess(std::chrono::milliseconds delay) { return *new Platform(delay); }

  bool start() {
    if (!server_.start()) {
      std::printf("the sandbox did not start: %s\n", server_.error().c_str());
      return false;
    }
    ::setenv("TARVEL_STAGING_API_URL", server_.apiBaseUrl().c_str(), 1);
    ::setenv("TARVEL_STAGING_ANALYTICS_URL", server_.analyticsBaseUrl().c_str(), 1);
    ::setenv("TARVEL_STAGING_WEB_URL", server_.webBaseUrl().c_str(), 1);
    ::setenv("TARVEL_CA_FILE", server_.caFile().c_str(), 1);
    return true;
  }
  tarvel::sandbox::SandboxServer& server() { return server_; }
  int captures() const { return captures_.load(); }
  std::optional<SteadyClock::time_point> verifyArrived() const {
    const auto ns = verifyArrivedNs_.load();
    if (ns < 0) return std::nullopt;
    return SteadyClock::time_point(std::chrono::nanoseconds(ns));
  }

 private:
  tarvel::sandbox::SandboxOptions optionsWith(std::chrono::milliseconds delay) {
    tarvel::sandbox::SandboxOptions options;
    options.slowDelay = delay;
    options.requestArrived = [this](std::string_view, std::string_view path) {
      if (path.ends_with("/v1/payment/capture")) ++captures_;
      if (path.ends_with("/v1/order/verify") && verifyArrivedNs_.load() < 0) {
        verifyArrivedNs_ = SteadyClock::now().time_since_epoch().count();
      }
    };
    return options;
  }

  std::atomic<int> captures_{0};
  std::atomic<SteadyClock::rep> verifyArrivedNs_{-1};
  tarvel::sandbox::SandboxServer server_;
};

class OutcomeListener : public tarvel::TarvelPaymentStatusDelegate {
 public:
  std::function<void(bool, const Dictionary&)> heard;
  void tarvelPayment(bool status, const Dictionary& data) override {
    if (heard) heard(status, data);
  }
};

struct Outcome {
  bool status = false;
  Dictionary data;
};

// Opens a checkout of `order` and runs the event loop until its outcome (or `bound`), calling
// `step` every 20 ms on the way, as a shopper looking at the screen would act.
std::optional<Outcome> runCheckout(const Dictionary& order, const std::function<void()>& step,
                                   std::chrono::milliseconds bound) {
  auto listener = std::make_shared<OutcomeListener>();
  std::optional<Outcome> outcome;
  QEventLoop loop;
  listener->heard = [&](bool status, const Dictionary& data) {
    outcome = Outcome{status, data};
    loop.quit();
  };
  auto checkout = std::make_shared<tarvel::TarvelCheckout>(false, listener);
  QTimer stepper;
  stepper.setInterval(20);
  QObject::connect(&stepper, &QTimer::timeout, [&] {
    if (step) step();
  });
  stepper.start();
  QTimer::singleShot(bound, &loop, &QEventLoop::quit);
  checkout->openCart(order);
  if (!outcome) loop.exec();
  listener->heard = nullptr;
  return outcome;
}

// A UPI order ("cod": the OTP flow) in the sandbox scenario `scenario`.
Dictionary order(const char* type, const std::string& moid, const std::string& scenario) {
  return {{"order_type", type},
          {"mid", "M-bench"},
          {"moid", moid},
          {"request_id", "req-bench"},
          {"phone", "9876543210"},
          {"total", "499.00"},
          {"tarvel_oid", "tvl-bench"},
          {"sandbox_scenario", scenario}};
}

bool paid(const std::optional<Outcome>& outcome) {
  return outcome && outcome->status && outcome->data.value("payment_status", "") == "PAID";
}

// The OTP screen's shopper: once the platform has sent the OTP and the screen waits for it,
// types the four digits and submits them, once.
std::function<void()> otpShopper(Platform& platform, const std::string& moid, bool& submitted) {
  return [&platform, moid, &submitted] {
    if (submitted) return;
    const auto otp = platform.server().lastOtp(moid, "9876543210");
    auto* submit = qobject_cast<QAbstractButton*>(visibleWidget(QStringLiteral("buttonSubmitOTP")));
    auto* busy = qobject_cast<tarvel::detail::ActivityIndicator*>(
        visibleWidget(QStringLiteral("activityIndicator")));
    if (!otp || otp->size() < 4 || !submit || (busy && busy->isAnimating())) return;
    for (int i = 0; i < 4; ++i) {
      auto* field =
          qobject_cast<QLineEdit*>(visibleWidget(QStringLiteral("textField%1").arg(i + 1)));
      if (!field || !field->isEnabled()) return;
    }
    for (int i = 0; i < 4; ++i) {
      QWidget* field = visibleWidget(QStringLiteral("textField%1").arg(i + 1));
      field->setFocus();
      QTest::keyClick(field, (*otp)[static_cast<std::size_t>(i)]);
    }
    QTest::mouseClick(submit, Qt::LeftButton);
    submitted = true;
  };
}

// Runs one checkout under the event-loop probe and prints the flow's stall figures and the Qt
// WebEngine processes left after it.
std::optional<Outcome> probedCheckout(const std::string& flow, const Dictionary& order,
                                      const std::function<void()>& step,
                                      std::chrono::milliseconds bound) {
  tarvel::bench::EventLoopProbe probe;
  probe.start();
  auto outcome = runCheckout(order, step, bound);
  probe.stop();
  figure("stall_" + flow + "_wall_ms", probe.longestStallMs());
  figure("stall_" + flow + "_cpu_ms", probe.longestBusyCpuMs());
  figure("stall_" + flow + "_cpu_ended_at_ms", probe.longestBusyEndedAtMs());
  figure("webengine_processes_after_" + flow, webEngineProcesses());
  return outcome;
}

int stallMode(std::chrono::milliseconds delay, const QString& flows) {
  Platform& platform = Platform::forProcess(delay);
  if (!platform.start()) return 1;
  const auto bound = delay * 6 + 30s;
  bool allAsExpected = true;
  if (flows.contains(QLatin1String("upi"))) {
    const auto outcome =
        probedCheckout("upi", order("upi", "bench-stall-upi", "slow,no-uapp,paid"), {}, bound);
    allAsExpected = allAsExpected && paid(outcome);
  }
  if (flows.contains(QLatin1String("otp"))) {
    bool submitted = false;
    const auto outcome = probedCheckout("otp", order("cod", "bench-stall-otp", "slow"),
                                        otpShopper(platform, "bench-stall-otp", submitted), bound);
    allAsExpected = allAsExpected && outcome && outcome->status &&
                    outcome->data.contains("otp_verified") && outcome->data["otp_verified"] == true;
  }
  figure("stall_flows_as_expected", allAsExpected ? 1 : 0);
  return allAsExpected ? 0 : 1;
}

// A QR flow that never gets paid: the screen polls 24 times on the manual clock (each poll
// after the previous answer is in) and then reports the last status.
int connectionsMode() {
  Platform& platform = Platform::forProcess(0ms);
  if (!platform.start()) return 1;
  auto clock = std::make_shared<tarvel::test::ManualClock>();
  tarvel::detail::MainQueue::setClock(clock);
  int advanced = 0;
  const auto step = [&] {
    const bool qrShown = visibleWidget(QStringLiteral("viewQRCode")) != nullptr;
    const bool polling = visibleWidget(QStringLiteral("viewLoading")) != nullptr;
    if (!qrShown || polling || platform.captures() != advanced) return;
    clock->advance(5s);
    ++advanced;
  };
  const auto outcome = runCheckout(order("upi", "bench-polls", "no-uapp,never-pays"), step, 120s);
  tarvel::detail::MainQueue::setClock(nullptr);
  figure("qr_flow_polls", platform.captures());
  figure("qr_flow_tcp_connections", static_cast<double>(platform.server().clientConnections()));
  figure("qr_flow_tls_handshakes", static_cast<double>(platform.server().tlsHandshakes()));
  const bool asExpected = outcome && !outcome->status && platform.captures() == 24;
  figure("qr_flow_as_expected", asExpected ? 1 : 0);
  return asExpected ? 0 : 1;
}

// Whether `object` is a widget `is` picks, or inside one.
bool within(QObject* object, const std::function<bool(QObject*)>& is) {
  for (; object != nullptr; object = object->parent()) {
    if (is(object)) return true;
  }
  return false;
}

// Calls `done` with the time of the first paint event `watched` says is the one.
class FirstPaint : public QObject {
 public:
  FirstPaint(std::function<bool(QObject*)> watched, std::function<void()> done)
      : watched_(std::move(watched)), done_(std::move(done)) {}
  bool eventFilter(QObject* object, QEvent* event) override {
    if (!seen_ && event->type() == QEvent::Paint && watched_(object)) {
      seen_ = true;
      done_();
    }
    return false;
  }

 private:
  std::function<bool(QObject*)> watched_;
  std::function<void()> done_;
  bool seen_ = false;
};

// Milliseconds from `show` being called to the first paint of a widget `watched` picks.
double timeToFirstPaint(const std::function<void()>& show,
                        const std::function<bool(QObject*)>& watched) {
  QEventLoop loop;
  std::optional<SteadyClock::time_point> painted;
  FirstPaint filter(watched, [&] {
    painted = SteadyClock::now();
    loop.quit();
  });
  qApp->installEventFilter(&filter);
  QTimer::singleShot(20s, &loop, &QEventLoop::quit);
  const auto start = SteadyClock::now();
  show();
  if (!painted) loop.exec();
  qApp->removeEventFilter(&filter);
  return painted ? millisSince(start, *painted) : -1;
}

int coldStartMode() {
  Platform& platform = Platform::forProcess(0ms);
  if (!platform.start()) return 1;
  // Qt's own first window (platform plugin, style, fonts) is paid before either is timed.
  {
    QLabel first(QStringLiteral("warm-up"));
    timeToFirstPaint([&] { first.show(); }, [&](QObject* o) { return o == &first; });
  }
  QWidget bare;
  Ui::TarvelCheckoutViewController ui;
  const double bareMs = timeToFirstPaint(
      [&] {
        ui.setupUi(&bare);
        bare.resize(375, 667);
        bare.show();
      },
      [&](QObject* o) { return within(o, [&](QObject* w) { return w == &bare; }); });
  bare.hide();

  auto listener = std::make_shared<OutcomeListener>();
  auto checkout = std::make_shared<tarvel::TarvelCheckout>(false, listener);
  SteadyClock::time_point opened;
  const double componentMs = timeToFirstPaint(
      [&] {
        opened = SteadyClock::now();
        checkout->openCart(order("upi", "bench-coldstart", "no-uapp,never-pays"));
      },
      [](QObject* o) {
        return within(o, [](QObject* w) {
          return qobject_cast<tarvel::UpiCheckoutViewController*>(w) != nullptr;
        });
      });
  runLoopUntil([&] { return platform.verifyArrived().has_value(); }, 20s);
  const auto verify = platform.verifyArrived();
  figure("coldstart_bare_ui_paint_ms", bareMs);
  figure("coldstart_component_paint_ms", componentMs);
  figure("coldstart_verify_at_server_ms", verify ? millisSince(opened, *verify) : -1);
  return bareMs > 0 && componentMs > 0 && verify ? 0 : 1;
}

void acceptSandboxCertificate(QWebEnginePage* page) {
  QObject::connect(page, &QWebEnginePage::certificateError,
                   [](QWebEngineCertificateError error) { error.acceptCertificate(); });
}

QUrl hostedPageUrl(const Dictionary& order) {
  return tarvel::detail::webCheckoutPageAddress(
             tarvel::Config::webCheckoutPageBaseURL(tarvel::Environment::staging), order)
      .url;
}

Dictionary webOrder() {
  return {{"order_type", "upi"}, {"upi_app", "customweb"},    {"mid", "M-bench"},
          {"moid", "bench-web"}, {"request_id", "req-bench"}, {"tarvel_oid", "tvl-bench"}};
}

// The longest GUI-thread stall from the start of `open` until the page it opens has loaded.
int webStartMode(const QString& variant) {
  Platform& platform = Platform::forProcess(0ms);
  if (!platform.start()) return 1;
  if (variant == QLatin1String("warm")) {
    bool warm = false;
    tarvel::TarvelCheckout::warmUpWebCheckout([&] { warm = true; });
    if (!runLoopUntil([&] { return warm; }, 60s)) return 1;
  }
  auto listener = std::make_shared<OutcomeListener>();
  auto checkout = std::make_shared<tarvel::TarvelCheckout>(false, listener);
  std::unique_ptr<QWebEngineView> bareView;
  QEventLoop loop;
  bool loaded = false;
  QPointer<QWebEngineView> watched;
  const auto watch = [&](QWebEngineView* view) {
    watched = view;
    QObject::connect(view, &QWebEngineView::loadFinished, &loop, [&](bool ok) {
      loaded = ok;
      loop.quit();
    });
  };
  QTimer finder;  // the checkout's view appears once its screen has loaded
  QObject::connect(&finder, &QTimer::timeout, [&] {
    if (watched) return;
    for (QWidget* window : QApplication::topLevelWidgets()) {
      for (auto* screen : window->findChildren<tarvel::CustomeCheckout*>()) {
        if (screen->webView()) watch(screen->webView());
      }
    }
  });
  tarvel::bench::EventLoopProbe probe;
  double callMs = 0;
  probe.start();
  QTimer::singleShot(50, [&] {
    const auto start = SteadyClock::now();
    if (variant == QLatin1String("bare")) {
      bareView = std::make_unique<QWebEngineView>();
      acceptSandboxCertificate(bareView->page());
      watch(bareView.get());
      bareView->resize(375, 667);
      bareView->show();
      bareView->load(hostedPageUrl(webOrder()));
    } else {
      checkout->openCart(webOrder());
      finder.start(5);
    }
    callMs = millisSince(start, SteadyClock::now());
  });
  QTimer::singleShot(60s, &loop, &QEventLoop::quit);
  loop.exec();
  probe.stop();
  figure("web_first_call_ms", callMs);
  figure("web_first_stall_wall_ms", probe.longestStallMs());
  figure("web_first_stall_cpu_ms", probe.longestBusyCpuMs());
  figure("web_first_page_loaded", loaded ? 1 : 0);
  return loaded ? 0 : 1;
}

// The hosted page's address for the bench's web order, for the bare web program.
int pageUrlMode() {
  std::printf("%s\n", hostedPageUrl(webOrder()).toString().toUtf8().constData());
  return 0;
}

std::optional<QString> valueAfter(const QStringList& arguments, const QString& option) {
  const auto at = arguments.indexOf(option);
  if (at < 0 || at + 1 >= arguments.size()) return std::nullopt;
  return arguments.at(at + 1);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  // The figures alone on the console, unless the component's lines are asked for.
  if (qEnvironmentVariableIsEmpty("TARVEL_BENCH_LOG")) tarvel::setLogSink([](std::string_view) {});
  const QStringList arguments = QCoreApplication::arguments();
  const QString mode = arguments.value(1);
  int code = 2;
  if (mode == QLatin1String("stall")) {
    const int delay = valueAfter(arguments, QStringLiteral("--delay-ms")).value_or("2000").toInt();
    code = stallMode(std::chrono::milliseconds(delay),
                     valueAfter(arguments, QStringLiteral("--flows")).value_or("upi,otp"));
  } else if (mode == QLatin1String("connections")) {
    code = connectionsMode();
  } else if (mode == QLatin1String("coldstart")) {
    code = coldStartMode();
  } else if (mode == QLatin1String("webstart")) {
    code = webStartMode(arguments.value(2));
  } else if (mode == QLatin1String("pageurl")) {
    code = pageUrlMode();
  } else {
    std::printf("usage: tarvel_flow_bench stall|connections|coldstart|webstart|pageurl\n");
  }
  std::fflush(stdout);
  // The shared loader keeps its connection to the in-process sandbox, whose stop would wait
  // out the keep-alive; the figures are out, so the process ends here.
  ::_exit(code);
}
