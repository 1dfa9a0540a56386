#pragma once

#include <memory>  // unique_ptr

#include <QPointer>  // QPointer
#include <QString>   // QString

#include "tarvel/CheckoutScreen.h"
#include "tarvel/Dictionary.h"
#include "tarvel/Export.h"

class QLabel;
class QWebEngineLoadingInfo;
class QWebEngineView;

namespace Ui {
class CustomeCheckout;
}

namespace tarvel {

namespace detail {
class ScriptMessageBridge;
}

/// The web checkout: a screen that shows the hosted checkout page "custom.html" for one order
/// and ends with the page's result.
///
/// Each time the screen is about to appear it loads, in a new web view filling `container()`,
/// the page of the current environment (`Config::webCheckoutBaseURL()` in production,
/// `Config::devWebCheckoutBaseURL()` in staging) with the query
///   order_type, mid, moid, environment=sandbox, request_id, tarvel_oid
/// in that order, the values read as text from the order and percent-encoded. An order without
/// one of those texts loads nothing: the screen closes and reports status false with
/// {"error": "<what is missing>"}.
///
/// The page ends the flow by posting `window.webkit.messageHandlers.onSuccess.postMessage(body)`
/// or `...onFailure.postMessage(body)` with a JSON object as body. "onSuccess" reports status
/// true with the body and then pops the screen; "onFailure" pops and then reports false with the
/// body. A body that is not a JSON object is reported as an empty dictionary. The back button
/// pops and reports false with an empty dictionary. Reports go to `checkoutStatusDelegate()`, on
/// the GUI thread, in a later turn of the event loop than the page's message.
///
/// The page may go anywhere on the web (a bank's verification page on another origin
/// included), but only the top-level document of the checkout page's own origin (the scheme,
/// host and port of the address the screen opened) ends the flow: frames get no
/// `window.webkit`, and a message from a document of another origin is logged with that origin
/// and dropped. A link to anything other than http or https opens in the view never; it goes to
/// the application for its scheme (`detail::Application`) only when the checkout page itself
/// followed it from its top-level document and the scheme is an app key (lower-case letters and
/// digits, at most 32). Popups open nothing and downloads are refused. Each refusal is logged.
///
/// A page that does not load (the host does not answer, refuses, breaks off, or shows a
/// certificate that is not trusted) is replaced by a plain message, `pageFailureMessage()`, and
/// a log line naming the page's host and path and the reason; the screen stays, and its back
/// button ends the flow with {"error": "<that message>"}. A page that arrives with an HTTP error
/// status is shown as the platform sent it, and the status is logged.
///
/// The screen reports exactly once: after the first outcome (message, back button or failure),
/// further messages and presses are logged and dropped. A message that arrives while no
/// delegate is set is logged and changes nothing.
class TARVEL_CHECKOUT_EXPORT CustomeCheckout : public CheckoutScreen {
  Q_OBJECT

 public:
  /// A screen for the order `createData`. Sets the process-wide environment
  /// (`NetworkManager`) from `production`.
  CustomeCheckout(const Dictionary& createData, bool production, QWidget* parent = nullptr);
  ~CustomeCheckout() override;

  void viewDidLoad() override;
  /// Builds a new web view in `container()` and loads the page into it.
  void viewWillAppear(bool animated) override;

  /// The order the page address is made from.
  const Dictionary& dict() const;
  /// The area the web view fills.
  QWidget* container() const;
  /// The newest web view, or nullptr before the first appearance.
  QWebEngineView* webView() const;
  /// The back button of the screen's bar.
  QWidget* backButton() const;
  /// The message shown in place of a page that did not load, or nullptr while there is none.
  QLabel* pageFailureMessage() const;

 public slots:
  /// The back button's action: pops the screen and reports status false with {} ({"error":
  /// "<the message>"} after the page-failure message).
  void backBtnClickAction();

 protected:
  /// A script message from the page under one of the registered names, with its body as JSON
  /// text.
  virtual void userContentControllerDidReceive(const QString& name, const QString& bodyJson);

 private:
  void loadPage();
  void failToOpen(const std::string& reason);
  void pageLoadingChanged(QWebEngineView* view, const QWebEngineLoadingInfo& loading);
  void showPageFailure();
  bool claimOutcome(const QString& what);
  void popFromNavigation();
  void finishWithMessage(const QString& name, const Dictionary& body);

  std::unique_ptr<Ui::CustomeCheckout> ui_;
  QPointer<QWebEngineView> webView_;
  QPointer<QLabel> pageFailureMessage_;
  bool outcomeClaimed_ = false;
};

}  // namespace tarvel
