#include "platform/Alert.h"

#include <utility>  // move

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvel::detail {

namespace {

QList<Alert*>& shownAlerts() {
  static QList<Alert*> alerts;
  return alerts;
}

}  // namespace

Alert::Alert(const QString& title, const QString& message, QWidget* parent)
    : QDialog(parent), title_(title), message_(message) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(title);
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
