#include "platform/HostWidgetViewController.h"

#include <QVBoxLayout>

namespace tarvel::detail {

HostWidgetViewController::HostWidgetViewController(QWidget* content, QWidget* parent)
    : ViewController(parent), content_(content) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  if (content) {
    layout->addWidget(content);
    content->show();
    setWindowTitle(content->windowTitle());
  }
}

HostWidgetViewController::~HostWidgetViewController() = default;

QWidget* HostWidgetViewController::content() const { return content_; }

}  // namespace tarvel::detail
