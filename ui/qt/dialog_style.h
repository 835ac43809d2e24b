// The application's style with the manners that the dialog templates and the menu assume of
// the Win32 controls they were drawn for:
// - a drop-down list opens below its box and is no taller than its dropped-down height (the
//   box decides how many rows that is), instead of a menu over the box as tall as the screen;
// - a push button with the keyboard focus shows a dotted focus rectangle inside its edge, so
//   that the focus is told apart from the default button's outline;
// - Alt pressed and released alone selects the menu bar, and the selected item shows it.
// Set it on the widgets that need it; its parent (one of them, or their dialog) owns it, and
// a widget that outlives it falls back to the application style (widgets guard their style).
//
// Threading: GUI thread.
#pragma once

#include <QProxyStyle>

namespace ui {

class DialogStyle : public QProxyStyle {
    Q_OBJECT
  public:
    explicit DialogStyle(QObject* parent);

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};

}  // namespace ui
