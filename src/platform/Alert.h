#pragma once

#include <functional>  // function
#include <vector>      // vector

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

class QHBoxLayout;

namespace tarvel::detail {

/// A small modal dialog with a title, a message and ordered action buttons, like a phone
/// toolkit's alert.
///
///   auto* alert = new Alert("Alert", "No Network");
///   alert->addAction("Ok", Alert::ActionStyle::cancel);
///   alert->showOver(screen);
///
/// The buttons appear in the order the actions were added. Tapping one closes the alert and
/// then runs its handler. The alert is window-modal over the widget it is shown over and
/// deletes itself when closed. Tests find open alerts with `openAlerts()` and tap an action
/// with `triggerAction`. Main thread only.
class Alert : public QDialog {
  Q_OBJECT

 public:
  enum class ActionStyle { defaultStyle, cancel };

  /// An empty title or message leaves that line out.
  explicit Alert(const QString& title, const QString& message = {}, QWidget* parent = nullptr);
  ~Alert() override;

  void addAction(const QString& title, ActionStyle style, std::function<void()> handler = {});

  /// Shows the alert window-modal over `widget`'s window (application-modal without one).
  void showOver(QWidget* widget);

  QString title() const;
  QString message() const;
  QStringList actionTitles() const;
  ActionStyle actionStyle(const QString& actionTitle) const;

  /// Taps the first action titled `actionTitle`, as the user would; false when there is none.
  bool triggerAction(const QString& actionTitle);

  /// The alerts on screen, oldest first.
  static QList<Alert*> openAlerts();

  /// Escape (or closing the window) taps the cancel action when there is one; without one the
  /// alert stays open.
  void reject() override;

 private:
  struct Action {
    QString title;
    ActionStyle style;
    std::function<void()> handler;
  };

  void run(std::size_t index);

  QString title_;
  QString message_;
  std::vector<Action> actions_;
  QHBoxLayout* buttons_ = nullptr;
  bool finished_ = false;
};

}  // namespace tarvel::detail
