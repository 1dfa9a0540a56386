#include "tarvel/CustomTextField.h"

#include <algorithm>  // all_of

#include <QClipboard>         // QClipboard
#include <QContextMenuEvent>  // QContextMenuEvent
#include <QGuiApplication>    // QGuiApplication::clipboard
#include <QInputMethodEvent>  // QInputMethodEvent
#include <QKeyEvent>          // QKeyEvent
#include <QMenu>              // QMenu
#include <QPainter>           // QPainter
#include <QPointer>           // QPointer
#include <QProxyStyle>        // QProxyStyle

#include "tarvel/BackSpaceDelegate.h"
#include "tarvel/TextFieldDelegate.h"

namespace tarvel {

namespace {

// The line edit draws its cursor in the text's colour; with a tint the field draws it instead.
class NoCursorStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_TextCursorWidth) return 0;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};

constexpr int kTintedCursorWidth = 2;

bool isPrintable(const QString& text) {
  return !text.isEmpty() &&
         std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

}  // namespace

CustomTextField::CustomTextField(QWidget* parent) : QLineEdit(parent) {
  // A drop would change the text without asking the delegate.
  setAcceptDrops(false);
}

CustomTextField::~CustomTextField() = default;

TextFieldDelegate* CustomTextField::delegate() const { return delegate_; }

void CustomTextField::setDelegate(TextFieldDelegate* delegate) { delegate_ = delegate; }

BackSpaceDelegate* CustomTextField::backSpaceDelegate() const { return backSpaceDelegate_; }

void CustomTextField::setBackSpaceDelegate(BackSpaceDelegate* delegate) {
  backSpaceDelegate_ = delegate;
}

int CustomTextField::tag() const { return tag_; }

void CustomTextField::setTag(int tag) { tag_ = tag; }

bool CustomTextField::isOneTimeCode() const { return oneTimeCode_; }

void CustomTextField::setOneTimeCode(bool oneTimeCode) { oneTimeCode_ = oneTimeCode; }

QColor CustomTextField::tintColor() const { return tint_; }

void CustomTextField::setTintColor(const QColor& tint) {
  if (tint.isValid() && !tint_.isValid()) {
    auto* style = new NoCursorStyle;
    style->setParent(this);
    setStyle(style);
  }
  tint_ = tint;
  update();
}

void CustomTextField::paintEvent(QPaintEvent* event) {
  QLineEdit::paintEvent(event);
  if (!tint_.isValid() || !hasFocus() || isReadOnly()) return;
  const QRect around = cursorRect();
  QPainter painter(this);
  painter.fillRect(QRect(around.center().x(), around.top(), kTintedCursorWidth, around.height()),
                   tint_);
}

bool CustomTextField::offerReplacement(int start, int length, const QString& text) {
  return !delegate_ || delegate_->textFieldShouldChangeCharactersIn(this, start, length, text);
}

void CustomTextField::insertText(const QString& text) {
  const bool selected = hasSelectedText();
  const int start = selected ? selectionStart() : cursorPosition();
  const int length = selected ? selectionLength() : 0;
  // The delegate may move the focus or close the screen that holds this field.
  QPointer<CustomTextField> self(this);
  if (offerReplacement(start, length, text) && self) insert(text);
}

void CustomTextField::pasteFromClipboard() {
  if (isReadOnly()) return;
  const QString text = QGuiApplication::clipboard()->text();
  if (!text.isEmpty()) insertText(text);
}

void CustomTextField::deleteBackward() {
  const bool wasEmpty = text().isEmpty();
  QPointer<CustomTextField> self(this);
  if (!wasEmpty && (hasSelectedText() || cursorPosition() > 0)) {
    const bool selected = hasSelectedText();
    const int start = selected ? selectionStart() : cursorPosition() - 1;
    const int length = selected ? selectionLength() : 1;
    if (offerReplacement(start, length, QString()) && self) backspace();
  }
  if (!self) return;
  BackSpaceDelegate* listener = backSpaceDelegate_;
  if (!listener) listener = dynamic_cast<BackSpaceDelegate*>(delegate_);
  if (listener) listener->textFieldDidDeleteBackward(this, wasEmpty);
}

void CustomTextField::deleteSelectionOrForward() {
  const bool selected = hasSelectedText();
  if (!selected && cursorPosition() >= text().size()) return;
  const int start = selected ? selectionStart() : cursorPosition();
  const int length = selected ? selectionLength() : 1;
  QPointer<CustomTextField> self(this);
  if (offerReplacement(start, length, QString()) && self) {
    if (selected) {
      del();
    } else {
      setSelection(start, length);
      del();
    }
  }
}

// Every key that would change the text goes through the delegate; the others (cursor keys,
// selection, copy, Tab, Return, Escape) keep the line edit's own handling.
void CustomTextField::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Backspace) {
    deleteBackward();
  } else if (event->key() == Qt::Key_Delete) {
    deleteSelectionOrForward();
  } else if (event->matches(QKeySequence::Paste)) {
    pasteFromClipboard();
  } else if (event->matches(QKeySequence::Cut)) {
    if (hasSelectedText()) {
      copy();
      deleteSelectionOrForward();
    }
  } else if (delegate_ &&
             (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo) ||
              event->matches(QKeySequence::DeleteEndOfLine) ||
              event->matches(QKeySequence::DeleteEndOfWord) ||
              event->matches(QKeySequence::DeleteStartOfWord))) {
    // Would change the text past the delegate: not offered, not applied.
  } else if (!(event->modifiers() & Qt::ControlModifier) && isPrintable(event->text())) {
    insertText(event->text());
  } else {
    QLineEdit::keyPressEvent(event);
    return;
  }
  event->accept();
}

void CustomTextField::inputMethodEvent(QInputMethodEvent* event) {
  const bool plainCommit = !event->commitString().isEmpty() && event->preeditString().isEmpty() &&
                           event->replacementLength() == 0;
  if (!plainCommit) {
    QLineEdit::inputMethodEvent(event);
    return;
  }
  insertText(event->commitString());
  event->accept();
}

// The line edit's own menu would paste and cut past the delegate.
void CustomTextField::contextMenuEvent(QContextMenuEvent* event) {
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  QAction* copyAction = menu->addAction(tr("Copy"), this, &QLineEdit::copy);
  copyAction->setEnabled(hasSelectedText() && echoMode() == QLineEdit::Normal);
  QAction* pasteAction = menu->addAction(tr("Paste"), this, &CustomTextField::pasteFromClipboard);
  pasteAction->setEnabled(!isReadOnly() && !QGuiApplication::clipboard()->text().isEmpty());
  menu->addSeparator();
  menu->addAction(tr("Select All"), this, &QLineEdit::selectAll);
  menu->popup(event->globalPos());
  event->accept();
}

}  // namespace tarvel
