#include "app/ColourSchemes.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPolygonF>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <string>
#include <utility>
#include <vector>

#include "core/ColourScheme.h"

namespace qarvo {
namespace {

QColor Colour(TRgb c) { return QColor(c.R, c.G, c.B); }

QPalette PaletteOf(const TColourScheme& s) {
  QPalette palette;
  const auto set = [&palette](QPalette::ColorRole role, TRgb colour) {
    palette.setColor(QPalette::All, role, Colour(colour));
  };
  set(QPalette::Window, s.Window);
  set(QPalette::WindowText, s.Text);
  set(QPalette::Base, s.Base);
  // The job list paints its odd rows in this colour.
  set(QPalette::AlternateBase, s.OddRow);
  set(QPalette::Text, s.Text);
  set(QPalette::Button, s.Button);
  set(QPalette::ButtonText, s.Text);
  set(QPalette::BrightText, s.TextOnAccent);
  set(QPalette::Highlight, s.Accent);
  set(QPalette::HighlightedText, s.TextOnAccent);
  set(QPalette::ToolTipBase, s.Base);
  set(QPalette::ToolTipText, s.Text);
  set(QPalette::PlaceholderText, s.Muted);
  set(QPalette::Link, s.Link);
  set(QPalette::LinkVisited, s.Link);
  set(QPalette::Light, s.Base);
  set(QPalette::Midlight, s.OddRow);
  set(QPalette::Mid, s.Border);
  set(QPalette::Dark, Mix(s.Border, s.Text, 0.3));
  set(QPalette::Shadow, Mix(s.Border, s.Text, 0.6));
  const QColor disabled = Colour(DisabledText(s));
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    palette.setColor(QPalette::Disabled, role, disabled);
  palette.setColor(QPalette::Disabled, QPalette::Highlight, Colour(s.Border));
  return palette;
}

// One sheet for every window: 4 px corners, 1 px frames in the scheme's border colour, the
// accent for what has the focus or is chosen.
constexpr const char* kStyleSheet = R"(
QMainWindow, QDialog { background: @window; }
QToolTip { color: @text; background: @base; border: 1px solid @border; padding: 4px; }
QLabel[role="caption"] { color: @muted; }
QLabel#mem1 { color: @link; }

QPushButton {
  background: @button; color: @text; border: 1px solid @border; border-radius: 4px;
  padding: 4px 14px; min-height: 20px; min-width: 56px;
}
QPushButton:hover { background: @odd; border-color: @accent; }
QPushButton:pressed, QPushButton:checked { background: @soft; border-color: @accent; }
QPushButton:focus, QPushButton:default { border-color: @accent; }
QPushButton:disabled { color: @disabled; background: @window; border-color: @border; }
QToolButton { background: transparent; border: 1px solid transparent; border-radius: 4px; padding: 3px; }
QToolButton:hover { background: @odd; border-color: @border; }
QToolButton:pressed, QToolButton:checked { background: @soft; border-color: @accent; }

QLineEdit, QComboBox, QSpinBox, QDoubleSpinBox, QPlainTextEdit, QTextEdit {
  background: @base; color: @text; border: 1px solid @border; border-radius: 3px;
  padding: 3px 6px; selection-background-color: @accent; selection-color: @onaccent;
}
QLineEdit:focus, QComboBox:focus, QSpinBox:focus, QDoubleSpinBox:focus, QPlainTextEdit:focus,
QTextEdit:focus { border-color: @accent; }
QLineEdit:read-only { background: @window; }
QLineEdit:disabled, QComboBox:disabled, QSpinBox:disabled, QDoubleSpinBox:disabled {
  color: @disabled; background: @window;
}
QComboBox { min-height: 20px; }
QComboBox:hover, QSpinBox:hover, QDoubleSpinBox:hover { border-color: @accent; }
QComboBox::drop-down {
  subcontrol-origin: padding; subcontrol-position: center right; width: 20px; border: none;
}
QComboBox::down-arrow { image: url(@arrows/down.png); width: 10px; height: 6px; }
QComboBox::down-arrow:disabled { image: url(@arrows/down-disabled.png); }
QSpinBox, QDoubleSpinBox { padding-right: 20px; }
QSpinBox::up-button, QDoubleSpinBox::up-button, QSpinBox::down-button, QDoubleSpinBox::down-button {
  subcontrol-origin: border; width: 18px; border: none; border-left: 1px solid @border;
}
QSpinBox::up-button, QDoubleSpinBox::up-button {
  subcontrol-position: top right; border-top-right-radius: 3px;
}
QSpinBox::down-button, QDoubleSpinBox::down-button {
  subcontrol-position: bottom right; border-bottom-right-radius: 3px;
}
QSpinBox::up-button:hover, QDoubleSpinBox::up-button:hover, QSpinBox::down-button:hover,
QDoubleSpinBox::down-button:hover { background: @odd; }
QSpinBox::up-arrow, QDoubleSpinBox::up-arrow { image: url(@arrows/up.png); width: 8px; height: 5px; }
QSpinBox::down-arrow, QDoubleSpinBox::down-arrow { image: url(@arrows/down.png); width: 8px; height: 5px; }
QSpinBox::up-arrow:disabled, QDoubleSpinBox::up-arrow:disabled { image: url(@arrows/up-disabled.png); }
QSpinBox::down-arrow:disabled, QDoubleSpinBox::down-arrow:disabled {
  image: url(@arrows/down-disabled.png);
}
QComboBox QAbstractItemView {
  background: @base; border: 1px solid @border; outline: 0; padding: 2px;
  selection-background-color: @accent; selection-color: @onaccent;
}

QTreeView, QListView, QTableView {
  background: @base; alternate-background-color: @odd; border: 1px solid @border;
  border-radius: 3px; selection-background-color: @accent; selection-color: @onaccent;
}
QTreeView:focus, QListView:focus, QTableView:focus { border-color: @accent; }
QHeaderView::section {
  background: @window; color: @text; border: none; border-right: 1px solid @border;
  border-bottom: 1px solid @border; padding: 4px 3px;
}

QMenuBar { background: @window; border-bottom: 1px solid @border; }
QMenuBar::item { padding: 4px 10px; background: transparent; border-radius: 3px; }
QMenuBar::item:selected { background: @accent; color: @onaccent; }
QMenu { background: @base; border: 1px solid @border; padding: 4px 0; }
QMenu::item { padding: 5px 28px 5px 24px; }
QMenu::item:selected { background: @accent; color: @onaccent; }
QMenu::item:disabled { color: @disabled; }
QMenu::separator { height: 1px; background: @border; margin: 4px 8px; }

QGroupBox {
  border: 1px solid @border; border-radius: 4px; margin-top: 0.7em; padding: 0.7em 6px 6px 6px;
}
QGroupBox::title {
  subcontrol-origin: margin; subcontrol-position: top left; left: 10px; padding: 0 4px;
  color: @accent; background: @window; font-weight: bold;
}
QCheckBox, QRadioButton { spacing: 6px; }

QProgressBar {
  border: 1px solid @border; border-radius: 3px; background: @base; color: @text;
  text-align: center; min-height: 18px;
}
QProgressBar::chunk { background: @soft; border-radius: 2px; }

QSlider::groove:horizontal { height: 4px; background: @border; border-radius: 2px; }
QSlider::sub-page:horizontal { background: @accent; border-radius: 2px; }
QSlider::handle:horizontal {
  background: @accent; border: 2px solid @base; width: 12px; margin: -6px 0; border-radius: 8px;
}
QSlider::handle:horizontal:disabled, QSlider::sub-page:horizontal:disabled { background: @border; }
QSlider::groove:vertical { width: 4px; background: @border; border-radius: 2px; }
QSlider::add-page:vertical { background: @accent; border-radius: 2px; }
QSlider::handle:vertical {
  background: @accent; border: 2px solid @base; height: 12px; margin: 0 -6px; border-radius: 8px;
}

QScrollBar:vertical { background: @window; width: 12px; margin: 0; }
QScrollBar:horizontal { background: @window; height: 12px; margin: 0; }
QScrollBar::handle:vertical { background: @border; min-height: 24px; border-radius: 4px; margin: 2px; }
QScrollBar::handle:horizontal { background: @border; min-width: 24px; border-radius: 4px; margin: 2px; }
QScrollBar::handle:hover { background: @accent; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }
QScrollBar::add-page, QScrollBar::sub-page { background: none; }
)";

// Drop-down and spin arrows for the sheet, drawn in the scheme's text colours. Style sheets
// take pictures only from files, so they are written once per colour into a folder that lives
// as long as the program.
QString ArrowFolder(const TColourScheme& s) {
  static QTemporaryDir folder;
  const QString path = folder.path() + QLatin1Char('/') +
                       QString::fromStdString(HexText(s.Text)).mid(1) + QLatin1Char('-') +
                       QString::fromStdString(HexText(DisabledText(s))).mid(1);
  if (QDir(path).exists() || !QDir().mkpath(path)) return path;
  const auto draw = [&](const QString& name, TRgb colour, bool up) {
    constexpr int kScale = 4;  // drawn large, scaled down smooth
    QImage image(10 * kScale, 6 * kScale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Colour(colour));
    const QPolygonF down{QPointF(0, 0), QPointF(10 * kScale, 0), QPointF(5 * kScale, 6 * kScale)};
    const QPolygonF upward{QPointF(0, 6 * kScale), QPointF(10 * kScale, 6 * kScale),
                           QPointF(5 * kScale, 0)};
    painter.drawPolygon(up ? upward : down);
    painter.end();
    image.scaled(10, 6, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .save(path + QLatin1Char('/') + name);
  };
  draw(QStringLiteral("down.png"), s.Text, false);
  draw(QStringLiteral("up.png"), s.Text, true);
  draw(QStringLiteral("down-disabled.png"), DisabledText(s), false);
  draw(QStringLiteral("up-disabled.png"), DisabledText(s), true);
  return path;
}

QString StyleSheetOf(const TColourScheme& s) {
  // Longest names first, so "@text" does not eat the start of a longer name.
  const std::vector<std::pair<std::string, TRgb>> names{
      {"@onaccent", s.TextOnAccent},
      {"@disabled", DisabledText(s)},
      {"@window", s.Window},
      {"@border", s.Border},
      {"@button", s.Button},
      {"@accent", s.Accent},
      {"@muted", s.Muted},
      {"@base", s.Base},
      {"@text", s.Text},
      {"@link", s.Link},
      {"@soft", SoftAccent(s)},
      {"@odd", s.OddRow},
  };
  std::string sheet = kStyleSheet;
  const std::string arrows = ArrowFolder(s).toStdString();
  for (size_t at = sheet.find("@arrows"); at != std::string::npos;
       at = sheet.find("@arrows", at + arrows.size()))
    sheet.replace(at, 7, arrows);
  for (const auto& [name, colour] : names) {
    const std::string hex = HexText(colour);
    for (size_t at = sheet.find(name); at != std::string::npos;
         at = sheet.find(name, at + hex.size()))
      sheet.replace(at, name.size(), hex);
  }
  return QString::fromStdString(sheet);
}

}  // namespace

void ApplyColourScheme(int index) {
  auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (!application) return;
  // One base style everywhere, so the schemes look alike on every desktop.
  if (QApplication::style()->name().compare(QStringLiteral("fusion"), Qt::CaseInsensitive) != 0)
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  const TColourScheme& scheme = ColourScheme(index);
  QApplication::setPalette(PaletteOf(scheme));
  application->setStyleSheet(StyleSheetOf(scheme));
}

}  // namespace qarvo
