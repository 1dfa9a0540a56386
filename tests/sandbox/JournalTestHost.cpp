// A host application for the journal's process tests. It prints each outcome it hears as one
// line "OUTCOME <status> <data as JSON>".
//
//   journal-test-host pay <moid>          opens a UPI checkout and never polls (a manual clock
//                                         that never moves): the shopper sees the QR code and
//                                         pays; the test ends the process
//   journal-test-host finish <moid>       the same QR checkout, polled once its journal entry
//                                         exists; exits after the outcome
//   journal-test-host recover             recoverUnfinishedCheckouts, then prints "RECOVERED"
#include <chrono>  // seconds
#include <cstdio>  // printf, fflush
#include <memory>  // make_shared
#include <string>  // string

#include <QApplication>
#include <QDir>
#include <QTimer>

#include "InstalledSchemesRegistry.h"
#include "ManualClock.h"
#include "platform/Application.h"
#include "platform/CheckoutJournal.h"
#include "platform/MainQueue.h"
#include "tarvel/TarvelCheckout.h"

namespace {

class PrintingDelegate : public tarvel::TarvelPaymentStatusDelegate {
 public:
  void tarvelPayment(bool status, const tarvel::Dictionary& data) override {
    std::printf("OUTCOME %s %s\n", status ? "true" : "false", data.dump().c_str());
    std::fflush(stdout);
    if (quitAfterOutcome) QApplication::quit();
  }
  bool quitAfterOutcome = false;
};

bool journalHasEntry() {
  return !QDir(tarvel::detail::CheckoutJournal::location())
              .entryList({QStringLiteral("*.json")}, QDir::Files)
              .isEmpty();
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("journal-test-host"));
  const QStringList args = app.arguments();
  const QString mode = args.value(1);

  auto delegate = std::make_shared<PrintingDelegate>();
  tarvel::TarvelCheckout checkout(false, delegate);
  if (mode == QLatin1String("recover")) {
    checkout.recoverUnfinishedCheckouts([] {
      std::printf("RECOVERED\n");
      std::fflush(stdout);
      QApplication::quit();
    });
    return app.exec();
  }

  auto clock = std::make_shared<tarvel::test::ManualClock>();
  tarvel::detail::MainQueue::setClock(clock);
  tarvel::detail::Application::setUrlSchemeRegistry(
      std::make_shared<tarvel::test::InstalledSchemesRegistry>());
  tarvel::Dictionary order = {{"order_type", "upi"},   {"moid", args.last().toStdString()},
                              {"mid", "journal-shop"}, {"request_id", "r-1"},
                              {"total", "10.00"},      {"phone", "9999999999"}};
  checkout.openCart(order);

  QTimer poll;  // "finish": one status poll once the entry is written, then the outcome
  if (mode == QLatin1String("finish")) {
    delegate->quitAfterOutcome = true;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (!journalHasEntry()) return;
      poll.stop();
      clock->advance(std::chrono::seconds(5));
    });
    poll.start(10);
  }
  const int code = app.exec();
  tarvel::detail::MainQueue::setClock(nullptr);
  return code;
}
