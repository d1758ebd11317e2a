#include "platform/gui/textmetrics.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>
#include <QTextOption>
#include <cmath>
#include <vector>

#include "platform/gui/font.h"

namespace kt {
namespace {

bool HaveGuiApp() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

QFont QtFont(const Font* font) { return font ? font->Handle() : QGuiApplication::font(); }

QString ToQ(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

std::vector<QString> Paragraphs(const QString& text) {
  std::vector<QString> lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c != u'\n' && c != u'\r') continue;
    lines.push_back(text.mid(start, i - start));
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  lines.push_back(text.mid(start));
  return lines;
}

QTextOption Options(const QFontMetrics& fm, bool wrap, Qt::Alignment align = Qt::AlignLeft) {
  QTextOption opt(align);
  opt.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
  opt.setTabStopDistance(8.0 * fm.averageCharWidth());
  return opt;
}

// Lays out one paragraph; calls `line` for each line made.
template <class F>
void LayoutParagraph(QTextLayout& layout, const QTextOption& opt, qreal lineWidth, F&& line) {
  layout.setTextOption(opt);
  layout.beginLayout();
  for (;;) {
    QTextLine l = layout.createLine();
    if (!l.isValid()) break;
    // A line is laid out only once it has a width; unwrapped lines get
    // room for any text.
    l.setLineWidth(lineWidth >= 0 ? lineWidth : 1.0e6);
    line(l);
  }
  layout.endLayout();
}

}  // namespace

TextSize MeasureText(std::string_view text, const Font* font, int width, bool wordBreak) {
  if (text.empty() || !HaveGuiApp()) return {};
  const QFont qf = QtFont(font);
  const QFontMetrics fm(qf);
  const bool wrap = wordBreak && width >= 0;
  int lines = 0;
  qreal widest = 0;
  for (const QString& para : Paragraphs(ToQ(text))) {
    QTextLayout layout(para, qf);
    int made = 0;
    LayoutParagraph(layout, Options(fm, wrap), wrap ? qreal(width) : -1.0, [&](QTextLine& l) {
      ++made;
      widest = std::max(widest, l.naturalTextWidth());
    });
    lines += std::max(made, 1);
  }
  return {int(std::ceil(widest)), lines * fm.height()};
}

int FontHeight(const Font* font) {
  if (!HaveGuiApp()) return 0;
  return QFontMetrics(QtFont(font)).height();
}

TextSize RotatedExtent(TextSize size, int tenths) {
  const double a = (tenths % 3600) * M_PI / 1800.0;
  const double c = std::fabs(std::cos(a));
  const double s = std::fabs(std::sin(a));
  return {int(std::lround(size.width * c + size.height * s)), int(std::lround(size.width * s + size.height * c))};
}

int SystemMetric(Metric metric) {
  QStyle* style = qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::style() : nullptr;
  switch (metric) {
    case Metric::VScrollWidth:
    case Metric::HScrollHeight: return style ? style->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
    case Metric::IconSize: return style ? style->pixelMetric(QStyle::PM_LargeIconSize) : 32;
  }
  return 0;
}

void DrawText(QPainter& painter, const QRect& rect, std::string_view text, const Font* font, int flags) {
  if (text.empty()) return;
  const QFont qf = QtFont(font);
  const QFontMetrics fm(qf, painter.device());
  const int escapement = font ? font->Escapement() : 0;
  const bool single = (flags & dt::SingleLine) || escapement != 0;
  const Qt::Alignment horizontal = (flags & dt::Right) ? Qt::AlignRight : (flags & dt::Center) ? Qt::AlignHCenter : Qt::AlignLeft;

  painter.save();
  painter.setFont(qf);
  if (!(flags & dt::NoClip)) painter.setClipRect(rect, Qt::IntersectClip);

  QString all = ToQ(text);
  if (single) {
    // One line: line breaks show as blanks.
    all.replace(QLatin1String("\r\n"), QLatin1String(" "));
    all.replace(u'\r', u' ');
    all.replace(u'\n', u' ');
    QTextLayout layout(all, qf);
    qreal natural = 0;
    LayoutParagraph(layout, Options(fm, false), -1.0, [&](QTextLine& l) {
      l.setPosition(QPointF(0, 0));
      natural = l.naturalTextWidth();
    });
    const int h = fm.height();
    const int w = int(std::ceil(natural));
    int x = rect.x();
    if (horizontal == Qt::AlignRight) x = rect.x() + rect.width() - w;
    else if (horizontal == Qt::AlignHCenter) x = rect.x() + (rect.width() - w) / 2;
    int y = rect.y();
    if (flags & dt::Bottom) y = rect.y() + rect.height() - h;
    else if (flags & dt::VCenter) y = rect.y() + (rect.height() - h) / 2;
    painter.translate(x, y);
    if (escapement != 0) painter.rotate(-escapement / 10.0);
    layout.draw(&painter, QPointF(0, 0));
  } else {
    const bool wrap = flags & dt::WordBreak;
    qreal y = rect.y();
    for (const QString& para : Paragraphs(all)) {
      QTextLayout layout(para, qf);
      LayoutParagraph(layout, Options(fm, wrap, horizontal), qreal(rect.width()), [&](QTextLine& l) {
        l.setPosition(QPointF(0, y - rect.y()));
        y += fm.height();
      });
      if (layout.lineCount() == 0) y += fm.height();
      layout.draw(&painter, QPointF(rect.x(), rect.y()));
    }
  }
  painter.restore();
}

}  // namespace kt
