#pragma once

#include <QPointer>

#include "tarvel/ViewController.h"

namespace tarvel::detail {

/// A screen around a plain widget of the host (for example the former central widget of the
/// host's window), so that the widget can sit at the bottom of a navigation stack. The screen
/// takes the widget over and fills itself with it.
class HostWidgetViewController : public ViewController {
  Q_OBJECT

 public:
  explicit HostWidgetViewController(QWidget* content, QWidget* parent = nullptr);
  ~HostWidgetViewController() override;

  QWidget* content() const;

 private:
  QPointer<QWidget> content_;
};

}  // namespace tarvel::detail
