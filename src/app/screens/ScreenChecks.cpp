#include "app/screens/ScreenChecks.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTextDocumentFragment>
#include <QWidget>

#include "core/ColourScheme.h"

namespace qarvo::screens {
namespace {

TRgb Rgb(const QColor& c) {
  return {static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()),
          static_cast<uint8_t>(c.blue())};
}

QString Describe(const QWidget& widget) {
  return widget.objectName().isEmpty() ? QString::fromLatin1(widget.metaObject()->className())
                                       : widget.objectName();
}

void CheckContrast(const QWidget& widget, const QColor& text, const QColor& background,
                   const QString& shot, TScreenFindings& findings) {
  const double ratio = ContrastRatio(Rgb(text), Rgb(background));
  findings.LowestContrast = std::min(findings.LowestContrast, ratio);
  if (ratio < kMinimumTextContrast)
    findings.Problems << QStringLiteral("%1: %2 text %3 on %4 has contrast %5")
                             .arg(shot, Describe(widget), text.name(), background.name())
                             .arg(ratio, 0, 'f', 2);
}

// A rich-text label (a link) shows its text without the markup.
QString ShownText(const QLabel& label) {
  return Qt::mightBeRichText(label.text()) || label.textFormat() == Qt::RichText
             ? QTextDocumentFragment::fromHtml(label.text()).toPlainText()
             : label.text();
}

void CheckWidth(const QWidget& widget, int needed, int available, const QString& shot,
                TScreenFindings& findings) {
  if (needed > available)
    findings.Problems << QStringLiteral("%1: %2 is clipped (%3 px wide, needs %4)")
                             .arg(shot, Describe(widget))
                             .arg(available)
                             .arg(needed);
}

// Every column caption of a list's header whole in its section.
void CheckHeader(const QHeaderView& header, const QString& shot, TScreenFindings& findings) {
  if (header.orientation() != Qt::Horizontal || !header.model()) return;
  for (int section = 0; section < header.count(); ++section) {
    if (header.isSectionHidden(section)) continue;
    const int needed = header.sectionSizeHint(section);
    if (needed > header.sectionSize(section))
      findings.Problems << QStringLiteral("%1: column \"%2\" is clipped (%3 px wide, needs %4)")
                               .arg(shot,
                                    header.model()->headerData(section, Qt::Horizontal).toString())
                               .arg(header.sectionSize(section))
                               .arg(needed);
  }
}

}  // namespace

void CheckWindow(QWidget& window, const QString& shot, TScreenFindings& findings) {
  const QColor windowColour = window.palette().color(QPalette::Active, QPalette::Window);
  QList<QWidget*> widgets = window.findChildren<QWidget*>();
  widgets.prepend(&window);
  for (QWidget* widget : widgets) {
    if (!widget->isVisibleTo(&window) || !widget->isEnabled()) continue;
    const QPalette& palette = widget->palette();
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      if (label->text().isEmpty() || !label->pixmap().isNull()) continue;
      CheckContrast(*label, palette.color(QPalette::Active, label->foregroundRole()), windowColour,
                    shot, findings);
      if (!label->wordWrap())
        CheckWidth(*label, label->fontMetrics().horizontalAdvance(ShownText(*label)),
                   label->contentsRect().width(), shot, findings);
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
      if (button->text().isEmpty()) continue;
      CheckContrast(*button, palette.color(QPalette::Active, QPalette::ButtonText),
                    palette.color(QPalette::Active, QPalette::Button), shot, findings);
      CheckWidth(*button, button->minimumSizeHint().width(), button->width(), shot, findings);
    } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
      CheckContrast(*box, palette.color(QPalette::Active, QPalette::WindowText), windowColour, shot,
                    findings);
      CheckWidth(*box, box->sizeHint().width(), box->width(), shot, findings);
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
      CheckWidth(*group, group->fontMetrics().horizontalAdvance(group->title()) + 20,
                 group->width(), shot, findings);
    } else if (auto* header = qobject_cast<QHeaderView*>(widget)) {
      CheckHeader(*header, shot, findings);
    }
  }
}

}  // namespace qarvo::screens
