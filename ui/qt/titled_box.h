// The program's message box on Qt: a QMessageBox titled with the application's name that is
// never narrower than a window manager's title bar needs to show that title whole. Qt sizes a
// box by its text and allows its title only 50 pixels beside it, which a short result ("Time
// out") leaves to a title bar that then shows "..." instead of "Kven".
//
// Threading: GUI thread.
#pragma once

#include <QMessageBox>

namespace ui {

// The caption of every box: the application's name.
inline constexpr const char* kBoxTitle = "Kven";

// The width a title bar takes to show `title` whole: the title in a large bold title font,
// the window's icon and three buttons beside it, each a square of the bar's height.
int TitleBarWidth(const QString& title, const QFont& font);

class TitledBox : public QMessageBox {
    Q_OBJECT
  public:
    TitledBox(Icon icon, const QString& title, const QString& text, StandardButtons buttons,
              QWidget* parent);

  protected:
    // QMessageBox fixes its size whenever it lays itself out (shown, details toggled); a size
    // narrower than the title's is widened again.
    void resizeEvent(QResizeEvent* event) override;
};

}  // namespace ui
