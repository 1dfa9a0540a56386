#include "AttributedText.h"

namespace tarvel::detail {
namespace {

QString sizeOf(const QFont& font) {
  if (font.pixelSize() > 0) return QStringLiteral("%1px").arg(font.pixelSize());
  return QStringLiteral("%1pt").arg(font.pointSizeF());
}

QString spanOf(const AttributedText::Run& run) {
  return QStringLiteral(
             "<span style=\"font-family:'%1'; font-weight:%2; font-size:%3; color:%4; "
             "white-space:pre-wrap;\">%5</span>")
      .arg(run.font.family(), QString::number(static_cast<int>(run.font.weight())),
           sizeOf(run.font), run.color.name(QColor::HexRgb), run.text.toHtmlEscaped());
}

}  // namespace

AttributedText& AttributedText::append(const QString& text, const QFont& font,
                                       const QColor& color) {
  runs_.push_back({text, font, color});
  return *this;
}

AttributedText& AttributedText::appendMarked(const QString& marked, const QFont& regular,
                                             const QFont& bold, const QColor& color,
                                             const QString& argument) {
  bool inBold = false;
  qsizetype from = 0;
  while (from <= marked.size()) {
    const QString tag = inBold ? QStringLiteral("</b>") : QStringLiteral("<b>");
    qsizetype end = marked.indexOf(tag, from);
    if (end < 0) end = marked.size();
    QString part = marked.mid(from, end - from);
    // The argument goes in after the split, so that its own text is never read as a tag.
    part.replace(QStringLiteral("%1"), argument);
    if (!part.isEmpty()) append(part, inBold ? bold : regular, color);
    from = end + tag.size();
    inBold = !inBold;
  }
  return *this;
}

QString AttributedText::string() const {
  QString joined;
  for (const Run& run : runs_) joined += run.text;
  return joined;
}

QString AttributedText::toHtml() const {
  QString html;
  for (const Run& run : runs_) html += spanOf(run);
  return html;
}

}  // namespace tarvel::detail
