#pragma once

#include <vector>  // vector

#include <QColor>   // QColor
#include <QFont>    // QFont
#include <QString>  // QString

namespace tarvel::detail {

/// Text made of runs, each with its own font and colour, joined without separators; shown in a
/// label as rich text (`toHtml`).
///
///   AttributedText amount;
///   amount.append("Pay ", regular, Qt::black).append("₹499.00", bold, Qt::black);
///   label->setText(amount.toHtml());
class AttributedText {
 public:
  struct Run {
    QString text;
    QFont font;
    QColor color;
  };

  AttributedText& append(const QString& text, const QFont& font, const QColor& color);
  /// Appends `marked`, a text whose <b>…</b> parts are in `bold` and the rest in `regular`,
  /// with `%1` replaced by `argument`: the form of a translated text, where a language moves
  /// the bold part ("Pay <b>%1</b>", "<b>%1</b> का भुगतान करें"). Empty parts add no run.
  AttributedText& appendMarked(const QString& marked, const QFont& regular, const QFont& bold,
                               const QColor& color, const QString& argument = {});

  const std::vector<Run>& runs() const { return runs_; }
  /// The runs' texts joined.
  QString string() const;
  /// One span a run with the run's family, weight, pixel size and colour; the text escaped and
  /// its spaces kept.
  QString toHtml() const;

  friend bool operator==(const AttributedText&, const AttributedText&) = default;

 private:
  std::vector<Run> runs_;
};

}  // namespace tarvel::detail
