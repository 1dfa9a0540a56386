#include "ScriptedShopper.h"

#include <cstdio>   // printf, fflush
#include <utility>  // move

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRect>
#include <QTest>

#include "DemoReport.h"
#include "DemoShopWindow.h"
#include "SandboxControl.h"
#include "tarvel/Log.h"
#include "tarvel/PaymentOptionView.h"

namespace demo {
namespace {

constexpr int kTickMs = 50;
constexpr qint64 kStepDeadlineMs = 45'000;
// After the first outcome the shopper waits this long for a second one that must not come.
constexpr qint64 kQuietMs = 1'500;

QString compact(const tarvel::Dictionary& data) {
  return QString::fromStdString(tarvel::redactedForLog(data).dump(
      -1, ' ', false, tarvel::Dictionary::error_handler_t::replace));
}

bool textIs(const tarvel::Dictionary& data, const char* key, const char* value) {
  return data.is_object() && data.contains(key) && data[key] == value;
}

// The digits of `otp` turned by one, so that it is surely wrong.
QString wrongOtp(const QString& otp) {
  QString wrong = otp;
  for (QChar& digit : wrong) digit = QChar('0' + (digit.digitValue() + 1) % 10);
  return wrong;
}

}  // namespace

QStringList ScriptedShopper::allFlows() {
  return {"upi-tiles", "upi-phonepe", "upi-qr", "cod", "cod-modal", "web", "rto", "cancel"};
}

QStringList ScriptedShopper::knownFlows() { return allFlows() << "upi-kiosk"; }

ScriptedShopper::ScriptedShopper(DemoShopWindow& shop, DemoReport& report, SandboxControl& sandbox,
                                 QStringList flows, QObject* parent)
    : QObject(parent), shop_(shop), report_(report), sandbox_(sandbox), queue_(std::move(flows)) {
  ticker_.setInterval(kTickMs);
  connect(&ticker_, &QTimer::timeout, this, &ScriptedShopper::tick);
  connect(&shop_, &DemoShopWindow::checkoutStarted, this, [this](int serial) { serial_ = serial; });
}

ScriptedShopper::~ScriptedShopper() = default;

void ScriptedShopper::start() {
  QTimer::singleShot(0, this, [this] {
    report_.screenshot(&shop_, "shop", "start", "The demo shop: a cart, the ways to pay, Pay");
    startFlow();
  });
}

void ScriptedShopper::say(const QString& line) {
  std::printf("[%s] %s\n", qPrintable(flow_.id), qPrintable(line));
  std::fflush(stdout);
}

// --- the flows --------------------------------------------------------------------------------

ScriptedShopper::Flow ScriptedShopper::makeFlow(const QString& id) {
  const auto paid = [](const tarvel::Dictionary& data) {
    return textIs(data, "payment_status", "PAID");
  };
  const auto loadingShown = [this] { return visible("viewLoading") != nullptr; };

  if (id == "upi-tiles" || id == "upi-kiosk") {
    const bool kiosk = id == "upi-kiosk";
    Flow flow{id,   "upi-tiles",     kiosk ? "UPI app list on a kiosk" : "UPI app list",
              true, "success, PAID", paid,
              {}};
    flow.steps.push_back({"tap the PhonePe tile", [this] { return tilesShown(); }, "tiles",
                          "The UPI apps the platform offers, as tiles",
                          [this] { tapTile("PhonePe"); }});
    // On a real display the app's own window takes the focus; the shopper pays there and
    // comes back to the shop.
    if (onRealDisplay()) {
      flow.steps.push_back({"PhonePe opens its own window and takes the focus",
                            [] { return !QApplication::activeWindow(); },
                            "app",
                            "PhonePe's own window over the shop: the shopper has left",
                            {},
                            true});
      // A kiosk has no window manager to hand the focus back: the shop must hear the outcome
      // without it.
      flow.steps.push_back({kiosk ? "PhonePe paid; the focus stays away from the shop"
                                  : "PhonePe paid; back to the shop",
                            [this] { return orderPaid(); }, "", "",
                            [this, kiosk] {
                              if (!kiosk) returnToShop();
                            }});
    }
    // The first status check goes out as soon as the app opened, so on a real display the
    // payment may be confirmed before the shopper is back.
    flow.steps.push_back({"back from PhonePe, waiting for the payment status",
                          [this, loadingShown] { return loadingShown() || currentOutcomes() > 0; },
                          "polling",
                          "Back from the UPI app: the payment status is checked",
                          {}});
    return flow;
  }
  if (id == "upi-phonepe") {
    return {id,
            "upi-phonepe",
            "UPI, PhonePe named by the shop",
            true,
            "success, PAID",
            paid,
            {{"PhonePe opened directly; waiting for the payment status",
              loadingShown,
              "polling",
              "PhonePe opened straight away; the status is checked",
              {}}}};
  }
  if (id == "upi-qr") {
    return {id,
            "upi-qr",
            "UPI QR code (no UPI app)",
            true,
            "success, PAID",
            paid,
            {{"scan the QR code from another phone and pay",
              [this] { return visible("viewQRCode") != nullptr; }, "qr",
              "No UPI app on this device: a QR code to scan from another phone",
              [this] {
                paidFromSecondPhone_ = false;
                sandbox_.payOrder(
                    QString::fromStdString(shop_.orderOf(serial_)["moid"].get<std::string>()),
                    [this](bool paid) { paidFromSecondPhone_ = paid; });
              }}}};
  }
  if (id == "cod" || id == "cod-modal") {
    const bool modal = id == "cod-modal";
    Flow flow{id,
              id,
              modal ? "Cash on delivery, modal" : "Cash on delivery",
              true,
              "success, otp_verified true",
              [](const tarvel::Dictionary& data) {
                return data.is_object() && data.contains("otp_verified") &&
                       data["otp_verified"] == true;
              },
              {}};
    const auto otpPanelShown = [this] {
      return visible("viewCODContainer") != nullptr && !smsOtp().isEmpty();
    };
    const auto otpArrived = [this] { return !otp_.isEmpty(); };
    flow.steps.push_back({"read the OTP from the SMS", otpPanelShown, modal ? "sheet" : "otp",
                          modal ? "The OTP check presented over the shop"
                                : "The platform sent an OTP to the shopper's phone",
                          [this, modal] { fetchOtp(!modal); }});
    if (!modal) {
      flow.steps.push_back({"type a wrong OTP and submit", otpArrived, "", "", [this] {
                              typeOtp(otp_);
                              tap(visible("buttonSubmitOTP"));
                            }});
      flow.steps.push_back({"the platform refuses it; close the alert",
                            [this] { return alertShown("Alert"); }, "wrong-otp",
                            "A wrong OTP: the platform's message, in the screen and in an alert",
                            [this] {
                              tapAlertAction("Ok");
                              clearOtp();
                              fetchOtp(false);
                            }});
    }
    flow.steps.push_back({"type the OTP", otpArrived, "", "", [this] { typeOtp(otp_); }});
    // The picture is taken once all four digits are in, before the submit.
    flow.steps.push_back({"submit the OTP", [this] { return otpTyped(); }, "typed",
                          "The four digits typed, ready to submit",
                          [this] { tap(visible("buttonSubmitOTP")); }});
    return flow;
  }
  if (id == "web") {
    return {id,
            "web",
            "Hosted web checkout",
            true,
            "success, PAID",
            [](const tarvel::Dictionary& data) {
              return textIs(data, "status", "success") && textIs(data, "payment_status", "PAID");
            },
            {{"press the page's Pay now button", [this] { return hostedPageReady(); }, "page",
              "Tarvel's hosted checkout page in the component's web view",
              [this] { pressHostedPayButton(); }}}};
  }
  if (id == "rto") {
    return {id,
            "rto",
            "RTO tracking (no screen)",
            true,
            "success with the tracking answer",
            [](const tarvel::Dictionary& data) {
              return data.is_object() && data.contains("data") && data["data"].is_object();
            },
            {}};
  }
  // Cancel: the shopper changes their mind on the tile list.
  return {
      id,
      "upi-tiles",
      "Cancelled by the shopper",
      false,
      "failure, {}",
      [](const tarvel::Dictionary& data) { return data.is_object() && data.empty(); },
      {{"press back", [this] { return tilesShown(); }, "", "", [this] { tapBack(); }},
       {"confirm: cancel the payment",
        [this] { return alertShown("Are you sure you want to cancel the payment?"); }, "confirm",
        "Back asks before it cancels the payment", [this] { tapAlertAction("OK"); }}}};
}

// --- the run ----------------------------------------------------------------------------------

void ScriptedShopper::startFlow() {
  if (queue_.isEmpty()) {
    ticker_.stop();
    emit finished(allAsExpected_);
    return;
  }
  flow_ = makeFlow(queue_.takeFirst());
  step_ = 0;
  otp_.clear();
  orderPaid_ = false;
  quietClock_.invalidate();
  shop_.selectKind(flow_.kindId);
  shop_.selectScenario("");
  say("choose \"" + flow_.title + "\" and press Pay");
  tap(shop_.payButton());
  stepClock_.start();
  ticker_.start();
}

void ScriptedShopper::tick() {
  if (step_ < flow_.steps.size()) {
    const Step& step = flow_.steps[step_];
    if (step.until && !step.until()) {
      if (stepClock_.elapsed() > kStepDeadlineMs) finishFlow(true);
      return;
    }
    if (!step.shot.isEmpty() && step.wholeScreen) {
      report_.screenshotOfScreen(flow_.id, step.shot, step.caption);
    } else if (!step.shot.isEmpty()) {
      report_.screenshot(&shop_, flow_.id, step.shot, step.caption);
    }
    say(step.say);
    ++step_;
    stepClock_.start();
    if (step.act) step.act();
    return;
  }
  if (currentOutcomes() == 0) {
    if (stepClock_.elapsed() > kStepDeadlineMs) finishFlow(true);
    return;
  }
  if (!quietClock_.isValid()) quietClock_.start();
  if (quietClock_.elapsed() >= kQuietMs) finishFlow(false);
}

void ScriptedShopper::finishFlow(bool timedOut) {
  ticker_.stop();
  const FlowRecord& record = shop_.flows().at(serial_);
  const bool passed = !timedOut && record.outcomes == 1 &&
                      record.lastStatus == flow_.expectedStatus &&
                      flow_.dataMatches(record.lastData);
  allAsExpected_ = allAsExpected_ && passed;

  QString received;
  if (record.outcomes == 0) {
    received = "no outcome";
  } else {
    received =
        QString("%1 %2").arg(record.lastStatus ? "SUCCESS" : "FAILURE", compact(record.lastData));
    if (record.outcomes > 1) received += QString(" (%1 outcomes)").arg(record.outcomes);
  }
  report_.outcome(flow_.id, flow_.title, flow_.expected, received, passed);
  report_.screenshot(&shop_, flow_.id, "after", "Back in the shop: what the host heard");
  say(QString("outcome: %1 -> %2")
          .arg(received.left(160), passed ? "as expected" : "NOT AS EXPECTED"));
  QTimer::singleShot(0, this, &ScriptedShopper::startFlow);
}

int ScriptedShopper::currentOutcomes() const {
  auto flow = shop_.flows().find(serial_);
  return flow == shop_.flows().end() ? 0 : flow->second.outcomes;
}

// --- what the shopper sees and does -------------------------------------------------------------

QWidget* ScriptedShopper::visible(const QString& objectName) const {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    for (QWidget* widget : window->findChildren<QWidget*>(objectName)) {
      if (widget->isVisible()) return widget;
    }
  }
  return nullptr;
}

// The shopper clicks back into the shop. Without a window manager nobody hands the focus back
// when the app's window closes, so the click is xdotool's focus request on the shop's window.
void ScriptedShopper::returnToShop() {
  shop_.raise();
  QProcess::startDetached("xdotool", {"windowfocus", QString::number(shop_.winId())});
}

bool ScriptedShopper::onRealDisplay() {
  return QGuiApplication::platformName() != QLatin1String("offscreen");
}

// Asks the platform, one question at a time, whether the flow's order is paid.
bool ScriptedShopper::orderPaid() {
  if (orderPaid_) return true;
  if (!statusQuestionOut_) {
    statusQuestionOut_ = true;
    QPointer<ScriptedShopper> self(this);
    sandbox_.paymentStatus(
        QString::fromStdString(shop_.orderOf(serial_)["moid"].get<std::string>()),
        [self](const QString& status) {
          if (!self) return;
          self->statusQuestionOut_ = false;
          self->orderPaid_ = status == "PAID";
        });
  }
  return false;
}

bool ScriptedShopper::tilesShown() const {
  for (auto* tile : shop_.findChildren<tarvel::PaymentOptionView*>()) {
    if (tile->isVisible()) return true;
  }
  return false;
}

bool ScriptedShopper::alertShown(const QString& title) const {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(window);
    if (dialog && dialog->isVisible() && dialog->windowTitle() == title) return true;
  }
  for (auto* dialog : shop_.findChildren<QDialog*>()) {
    if (dialog->isVisible() && dialog->windowTitle() == title) return true;
  }
  return false;
}

void ScriptedShopper::tapAlertAction(const QString& title) {
  QList<QDialog*> dialogs = shop_.findChildren<QDialog*>();
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<QDialog*>(window)) dialogs << dialog;
  }
  for (QDialog* dialog : dialogs) {
    if (!dialog->isVisible()) continue;
    for (auto* button : dialog->findChildren<QPushButton*>()) {
      if (button->text() == title) {
        tap(button);
        return;
      }
    }
  }
}

void ScriptedShopper::tap(QWidget* widget) {
  if (!widget) return;
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

void ScriptedShopper::tapTile(const QString& appName) {
  for (auto* tile : shop_.findChildren<tarvel::PaymentOptionView*>()) {
    if (tile->isVisible() && tile->buttonUPIOption()->text().contains(appName)) {
      tap(tile->buttonUPIOption());
      return;
    }
  }
}

void ScriptedShopper::tapBack() {
  for (auto* button : shop_.findChildren<QAbstractButton*>()) {
    const bool isBack = button->accessibleName().compare("Back", Qt::CaseInsensitive) == 0 ||
                        button->objectName().contains("back", Qt::CaseInsensitive);
    if (isBack && button->isVisible()) {
      tap(button);
      return;
    }
  }
}

void ScriptedShopper::typeOtp(const QString& otp) {
  for (int i = 0; i < otp.size() && i < 4; ++i) {
    QWidget* field = visible(QString("textField%1").arg(i + 1));
    if (!field) return;
    field->setFocus();
    QTest::keyClick(field, otp.at(i).toLatin1());
  }
}

bool ScriptedShopper::otpTyped() const {
  for (int n = 1; n <= 4; ++n) {
    auto* field = qobject_cast<QLineEdit*>(visible(QString("textField%1").arg(n)));
    if (!field || field->text().isEmpty()) return false;
  }
  return true;
}

void ScriptedShopper::clearOtp() {
  QWidget* last = visible("textField4");
  if (!last) return;
  last->setFocus();
  for (int i = 0; i < 4; ++i) {
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : last,
                    Qt::Key_Backspace);
  }
}

// The shopper reads the code off the SMS; the sandbox shows it through its control endpoint.
// The shopper reads the code off the SMS notification the shop shows.
void ScriptedShopper::fetchOtp(bool wrong) {
  const QString otp = smsOtp().isEmpty() ? lastSmsOtp_ : smsOtp();
  lastSmsOtp_ = otp;
  otp_ = wrong ? wrongOtp(otp) : otp;
}

QString ScriptedShopper::smsOtp() const {
  auto* notification = qobject_cast<QLabel*>(visible("notification"));
  if (!notification) return {};
  const QString text = notification->text();
  const qsizetype digits = text.lastIndexOf(' ') + 1;
  return digits > 0 ? text.mid(digits) : QString();
}

// The hosted page's view, found by class name: the shop links no Qt WebEngine (the web
// checkout comes as a module loaded on demand), so it drives the page as a shopper would, with
// the keyboard.
QWidget* ScriptedShopper::hostedPageView() const {
  for (auto* widget : shop_.findChildren<QWidget*>()) {
    if (widget->inherits("QWebEngineView") && widget->isVisible()) return widget;
  }
  return nullptr;
}

// The page is there once its title is set and the view shows more than a blank page.
bool ScriptedShopper::hostedPageReady() {
  QWidget* view = hostedPageView();
  return view && view->property("title").toString() == QStringLiteral("Tarvel Sandbox Checkout") &&
         showsContent(view);
}

bool ScriptedShopper::showsContent(QWidget* view) {
  const QImage image = view->grab().toImage();
  const QRgb background = image.pixel(0, 0);
  for (int y = 0; y < image.height(); y += 4) {
    for (int x = 0; x < image.width(); x += 4) {
      if (image.pixel(x, y) != background) return true;
    }
  }
  return false;
}

// The Pay button is found where the view shows its green (#2e7d32) and clicked in its middle.
void ScriptedShopper::pressHostedPayButton() {
  QWidget* view = hostedPageView();
  if (!view) return;
  const QImage image = view->grab().toImage();
  const QRgb green = qRgb(0x2e, 0x7d, 0x32);
  QRect button;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) == green) button |= QRect(x, y, 1, 1);
    }
  }
  if (button.isEmpty()) return;
  QWidget* target = view->focusProxy() ? view->focusProxy() : view;
  QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(view, button.center()));
}

}  // namespace demo
