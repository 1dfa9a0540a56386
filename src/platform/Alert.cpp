#include "platform/Alert.h"

#include <utility>  // move

#include <QAccessibleWidget>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/KeyboardFocus.h"

namespace tarvel::detail {

namespace {

// A phone-like alert whatever the window's size: a white card, the title in bold, the actions
// as buttons in the theme's green.
constexpr char kAlertStyle[] =
    "QDialog { background-color: #FFFFFF; }"
    " QLabel#alertTitle { font-family: Metropolis-Bold; font-size: 17px; color: #1A1A1A; }"
    " QLabel#alertMessage { font-family: Metropolis-Regular; font-size: 15px; color: #3C4043; }"
    " QPushButton { min-width: 72px; min-height: 32px; padding: 4px 14px; border-radius: 6px;"
    " border: 1px solid #D0D4DA; background-color: #FFFFFF; color: #0A9C4D;"
    " font-family: Metropolis-Bold; font-size: 15px; }"
    " QPushButton[keyboardFocus=\"true\"] { border: 2px solid #0A9C4D; }"
    " QPushButton:pressed { background-color: #E6F4EC; }";
constexpr int kAlertWidth = 300;

QList<Alert*>& shownAlerts() {
  static QList<Alert*> alerts;
  return alerts;
}

// Screen readers speak a window with the alert role as soon as it shows, title and message
// first; a plain dialog would wait for the shopper to explore it.
QAccessibleInterface* alertAccessible(const QString& className, QObject* object) {
  if (className != QLatin1String(Alert::staticMetaObject.className())) return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::AlertMessage);
}

}  // namespace

Alert::Alert(const QString& title, const QString& message, QWidget* parent)
    : QDialog(parent), title_(title), message_(message) {
  static const bool announced = (QAccessible::installFactory(alertAccessible), true);
  Q_UNUSED(announced);
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(title);
  setAccessibleName(title);
  setAccessibleDescription(message);
  setStyleSheet(QLatin1String(kAlertStyle));
  setFixedWidth(kAlertWidth);
  auto* layout = new QVBoxLayout(this);
  if (!title.isEmpty()) {
    auto* titleLabel = new QLabel(title, this);
    titleLabel->setObjectName("alertTitle");
    titleLabel->setWordWrap(true);
    titleLabel->setAlignment(Qt::AlignCenter);
    QFont bold = titleLabel->font();
    bold.setBold(true);
    titleLabel->setFont(bold);
    layout->addWidget(titleLabel);
  }
  if (!message.isEmpty()) {
    auto* messageLabel = new QLabel(message, this);
    messageLabel->setObjectName("alertMessage");
    messageLabel->setTextFormat(Qt::PlainText);  // messages may quote outside text
    messageLabel->setWordWrap(true);
    messageLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(messageLabel);
  }
  buttons_ = new QHBoxLayout;
  layout->addLayout(buttons_);
  shownAlerts().append(this);
}

Alert::~Alert() { shownAlerts().removeAll(this); }

void Alert::addAction(const QString& title, ActionStyle style, std::function<void()> handler) {
  const std::size_t index = actions_.size();
  actions_.push_back(Action{title, style, std::move(handler)});
  auto* button = new QPushButton(title, this);
  button->setAutoDefault(false);
  showFocusFromKeyboardOnly(button);  // no frame on the button the alert opens with
  if (style == ActionStyle::cancel) {
    QFont bold = button->font();
    bold.setBold(true);
    button->setFont(bold);
  }
  connect(button, &QPushButton::clicked, this, [this, index] { run(index); });
  buttons_->addWidget(button);
}

void Alert::showOver(QWidget* widget) {
  QWidget* window = widget ? widget->window() : nullptr;
  if (window && window != parentWidget()) setParent(window, windowFlags() | Qt::Dialog);
  setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
  show();
  raise();
  activateWindow();
}

QString Alert::title() const { return title_; }

QString Alert::message() const { return message_; }

QStringList Alert::actionTitles() const {
  QStringList titles;
  for (const Action& action : actions_) titles.append(action.title);
  return titles;
}

Alert::ActionStyle Alert::actionStyle(const QString& actionTitle) const {
  for (const Action& action : actions_) {
    if (action.title == actionTitle) return action.style;
  }
  return ActionStyle::defaultStyle;
}

bool Alert::triggerAction(const QString& actionTitle) {
  if (finished_) return false;
  for (std::size_t index = 0; index < actions_.size(); ++index) {
    if (actions_[index].title == actionTitle) {
      run(index);
      return true;
    }
  }
  return false;
}

QList<Alert*> Alert::openAlerts() {
  QList<Alert*> open;
  for (Alert* alert : shownAlerts()) {
    if (alert->isVisible() && !alert->finished_) open.append(alert);
  }
  return open;
}

void Alert::reject() {
  for (std::size_t index = 0; index < actions_.size(); ++index) {
    if (actions_[index].style == ActionStyle::cancel) {
      run(index);
      return;
    }
  }
}

// The handler runs after the alert is closed, so it may show another alert or close the
// screen underneath. The alert itself is deleted later.
void Alert::run(std::size_t index) {
  if (finished_) return;
  finished_ = true;
  std::function<void()> handler = actions_[index].handler;
  hide();
  deleteLater();
  if (handler) handler();
}

}  // namespace tarvel::detail
