// The job's figures at their widest: the texts the dialog's figure controls (the loader's
// version, the image's checksum, the status box) can show, each part chosen as the widest in
// the view's font, so that a view can pick a font in which every figure shows whole. The view
// measures; what the figures are is decided here, once.
//
// Threading: pure functions; any thread.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

struct FigureText {
    int id;  // the control that shows it
    std::string text;
};

// `width` measures a UTF-8 text in the view's font (any unit, the larger the wider).
std::vector<FigureText> WidestFigureTexts(const std::function<double(std::string_view)>& width);

}  // namespace ui
