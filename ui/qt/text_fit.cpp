#include "ui/qt/text_fit.h"

#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>
#include <cmath>

namespace ui {
namespace {

QRect LineEditTextRect(const QLineEdit& edit) {
    QStyleOptionFrame opt;
    opt.initFrom(&edit);
    opt.rect = edit.rect();
    opt.lineWidth =
        edit.hasFrame() ? edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, &edit) : 0;
    opt.midLineWidth = 0;
    opt.state |= QStyle::State_Sunken;
    QRect r = edit.style()->subElementRect(QStyle::SE_LineEditContents, &opt, &edit);
    r = r.marginsRemoved(edit.textMargins());
    // A line edit keeps 2 pixels free on either side of its text and scrolls the text as soon
    // as the text, one more pixel and the cursor's width no longer fit.
    const int cursor = edit.style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, &edit);
    return r.adjusted(2, 0, -2 - 1 - cursor, 0);
}

QRect LabelTextRect(const QLabel& label) {
    QRect r = label.contentsRect();
    const int m = label.margin();
    r.adjust(m, m, -m, -m);
    if (label.indent() > 0)
        r.setLeft(r.left() + label.indent());
    return r;
}

QRect ButtonTextRect(const QPushButton& button) {
    QStyleOptionButton opt;
    opt.initFrom(&button);
    opt.text = button.text();
    if (button.isDefault())
        opt.features |= QStyleOptionButton::DefaultButton;
    if (button.autoDefault())
        opt.features |= QStyleOptionButton::AutoDefaultButton;
    return button.style()->subElementRect(QStyle::SE_PushButtonContents, &opt, &button);
}

QRect ComboTextRect(const QComboBox& combo) {
    QStyleOptionComboBox opt;
    opt.initFrom(&combo);
    opt.editable = combo.isEditable();
    opt.frame = combo.hasFrame();
    const QRect field = combo.style()->subControlRect(QStyle::CC_ComboBox, &opt,
                                                      QStyle::SC_ComboBoxEditField, &combo);
    // The closed box draws its current entry one pixel inside the field.
    return field.adjusted(1, 0, -1, 0);
}

QRect GroupBoxTextRect(const QGroupBox& box) {
    QStyleOptionGroupBox opt;
    opt.initFrom(&box);
    opt.text = box.title();
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect label =
        box.style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, &box);
    // The title may run from where the style starts it to as far from the right edge.
    const int inset = std::max(0, label.left());
    return {inset, label.top(), box.width() - 2 * inset, std::max(label.height(), 1)};
}

}  // namespace

QRect TextRect(const QWidget& control) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(&control))
        return LineEditTextRect(*edit);
    if (const auto* label = qobject_cast<const QLabel*>(&control))
        return LabelTextRect(*label);
    if (const auto* button = qobject_cast<const QPushButton*>(&control))
        return ButtonTextRect(*button);
    if (const auto* combo = qobject_cast<const QComboBox*>(&control))
        return ComboTextRect(*combo);
    if (const auto* box = qobject_cast<const QGroupBox*>(&control))
        return GroupBoxTextRect(*box);
    return control.contentsRect();
}

bool TextFits(const QWidget& control, const QFont& font, const QString& text) {
    const QRect r = TextRect(control);
    return std::ceil(QFontMetricsF(font).horizontalAdvance(text)) <= r.width() &&
           QFontMetrics(font).height() <= r.height();
}

QFont LargestFittingFont(const QFont& font, const std::function<bool(const QFont&)>& fits) {
    if (fits(font))
        return font;
    const int full = QFontInfo(font).pixelSize();
    const int smallest = std::max(1, full * 2 / 3);
    QFont smaller = font;
    for (int pixels = full - 1; pixels > smallest; --pixels) {
        smaller.setPixelSize(pixels);
        if (fits(smaller))
            return smaller;
    }
    smaller.setPixelSize(smallest);
    return smaller;
}

}  // namespace ui
