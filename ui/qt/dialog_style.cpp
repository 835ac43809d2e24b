#include "ui/qt/dialog_style.h"

#include <QPainter>
#include <QStyleOption>
#include <QWidget>

namespace ui {

DialogStyle::DialogStyle(QObject* parent) {
    setParent(parent);
}

int DialogStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                           QStyleHintReturn* returnData) const {
    switch (hint) {
        case SH_ComboBox_Popup:
            return 0;
        case SH_MenuBar_AltKeyNavigation:
            return 1;
        default:
            return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
}

void DialogStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget) const {
    if (element == CE_MenuBarItem && (option->state & State_Selected) && widget &&
        widget->hasFocus()) {
        // Selected from the keyboard, with its menu still closed: highlighted as if open, for
        // the operator to see where Alt went.
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            QStyleOptionMenuItem selected = *item;
            selected.state |= State_Sunken;
            QProxyStyle::drawControl(element, &selected, painter, widget);
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
    // Shown once the keyboard has moved the focus, as Win32 shows its focus cues.
    const QStyle::State cue = State_HasFocus | State_KeyboardFocusChange;
    if (element == CE_PushButton && (option->state & cue) == cue) {
        const QRect r = subElementRect(SE_PushButtonFocusRect, option, widget);
        painter->save();
        painter->setPen(QPen(option->palette.color(QPalette::ButtonText), 0, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(r.adjusted(1, 1, -2, -2));
        painter->restore();
    }
}

}  // namespace ui
