// The font of the dialog's figures (the loader's version, the image's checksum, the status
// box). The controls keep the template's rectangles; where the dialog's font is too wide for a
// figure at its widest, the three take the same face at the largest smaller size in which every
// figure shows whole, down to two thirds of the dialog's size.
//
// Threading: GUI thread, the thread of the dialog.
#pragma once

#include "ui/win32/windows_api.h"

namespace ui::win32 {

class FigureFont {
  public:
    FigureFont() = default;
    ~FigureFont();
    FigureFont(const FigureFont&) = delete;
    FigureFont& operator=(const FigureFont&) = delete;

    // Measures the figures in the controls of `dialog` and gives them the font they fit in.
    void Fit(HWND dialog);
    // The font given to the figures: null while the dialog's own font fits them.
    HFONT Font() const { return m_font; }

  private:
    HFONT m_font = nullptr;
};

}  // namespace ui::win32
