#pragma once

#include <functional>  // function
#include <vector>      // vector

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "tarvel/Dictionary.h"

class QWidget;

namespace demo {

class DemoReport;
class DemoShopWindow;
class SandboxControl;

/// A shopper who goes through the demo shop's flows unattended, against the sandbox: chooses
/// a way to pay, presses Pay, taps tiles, reads the OTP the platform sent and types it, pays a
/// QR code from "another phone", presses the hosted page's button, cancels once. It writes a
/// picture of every screen and phase, prints one line per step and one per outcome, and
/// reports whether every flow ended with exactly the outcome it expected.
class ScriptedShopper : public QObject {
  Q_OBJECT

 public:
  /// The flows it runs by default, in that order.
  static QStringList allFlows();
  /// Those and the flows that run only when named: "upi-kiosk", the app list on a real display
  /// where the shopper never hands the shop the focus back.
  static QStringList knownFlows();

  ScriptedShopper(DemoShopWindow& shop, DemoReport& report, SandboxControl& sandbox,
                  QStringList flows, QObject* parent = nullptr);
  ~ScriptedShopper() override;

  void start();

 signals:
  /// Every flow ran; `allAsExpected` is true when each produced exactly its expected outcome.
  void finished(bool allAsExpected);

 private:
  struct Step {
    QString say;                  ///< the progress line, printed when the step acts
    std::function<bool()> until;  ///< waits until true (none: at once)
    QString shot;                 ///< picture phase name taken when `until` holds ("": none)
    QString caption;
    std::function<void()> act;  ///< then does this (may be none)
    bool wholeScreen = false;   ///< the picture is of the whole screen, not the shop's window
  };
  struct Flow {
    QString id;
    QString kindId;
    QString title;
    bool expectedStatus = true;
    QString expected;
    std::function<bool(const tarvel::Dictionary&)> dataMatches;
    std::vector<Step> steps;
  };

  Flow makeFlow(const QString& id);
  void startFlow();
  void tick();
  void finishFlow(bool timedOut);
  void say(const QString& line);

  // What the scripted shopper sees and does.
  QWidget* visible(const QString& objectName) const;
  static bool onRealDisplay();
  void returnToShop();
  bool orderPaid();
  bool tilesShown() const;
  bool alertShown(const QString& title) const;
  void tapAlertAction(const QString& title);
  void tap(QWidget* widget);
  void tapTile(const QString& appName);
  void tapBack();
  void typeOtp(const QString& otp);
  void clearOtp();
  bool otpTyped() const;
  void fetchOtp(bool wrong);
  QString smsOtp() const;
  void pressHostedPayButton();
  bool hostedPageReady();
  QWidget* hostedPageView() const;
  static bool showsContent(QWidget* view);
  int currentOutcomes() const;

  DemoShopWindow& shop_;
  DemoReport& report_;
  SandboxControl& sandbox_;
  QStringList queue_;
  bool allAsExpected_ = true;

  Flow flow_;
  std::size_t step_ = 0;
  int serial_ = 0;
  QString otp_;
  QString lastSmsOtp_;
  bool paidFromSecondPhone_ = false;
  bool orderPaid_ = false;
  bool statusQuestionOut_ = false;
  QTimer ticker_;
  QElapsedTimer stepClock_;
  QElapsedTimer quietClock_;
};

}  // namespace demo
