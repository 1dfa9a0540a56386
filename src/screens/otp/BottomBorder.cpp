#include "tarvel/BottomBorder.h"

#include <QEvent>     // QEvent::Resize
#include <QLineEdit>  // QLineEdit

namespace tarvel {

namespace {

const char* const kLineName = "bottomBorder";

// The underline: a 1-pixel strip on the field's bottom edge that keeps there when the field
// is resized, the way a layer keeps its frame inside its view.
class BottomBorderLine : public QWidget {
 public:
  explicit BottomBorderLine(QLineEdit* field) : QWidget(field) {
    setObjectName(kLineName);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAutoFillBackground(true);
    field->installEventFilter(this);
    follow(field);
    show();
  }

  void setColor(const QColor& color) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, color);
    setPalette(palette);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == parentWidget() && event->type() == QEvent::Resize) follow(parentWidget());
    return QWidget::eventFilter(watched, event);
  }

 private:
  void follow(QWidget* field) {
    setGeometry(0, field->height() - 1, field->width(), 1);
    raise();
  }
};

}  // namespace

void addBottomBorder(QLineEdit* textField, const QColor& color) {
  if (!textField) return;
  textField->setFrame(false);
  // Only this file names a child so, and only ever with a BottomBorderLine.
  auto* line = static_cast<BottomBorderLine*>(
      textField->findChild<QWidget*>(kLineName, Qt::FindDirectChildrenOnly));
  if (!line) line = new BottomBorderLine(textField);
  line->setColor(color);
}

}  // namespace tarvel
