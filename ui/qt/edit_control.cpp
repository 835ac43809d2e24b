#include "ui/qt/edit_control.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>

namespace ui {

EditControl::EditControl(QWidget* parent) : QLineEdit(parent) {
    // A Win32 edit takes no dropped text; a file dropped on it goes to its dialog.
    setAcceptDrops(false);
}

void EditControl::SetReadOnly(bool readOnly) {
    if (readOnly == isReadOnly())
        return;
    setReadOnly(readOnly);
    ApplyReadOnlyLook();
}

void EditControl::ApplyReadOnlyLook() {
    // From the application's palette each time, so that a change of theme is followed.
    QPalette pal = QApplication::palette(this);
    if (isReadOnly()) {
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            pal.setBrush(g, QPalette::Base, pal.brush(g, QPalette::Window));
    }
    // Only the background changes; whatever else was set on the box stays.
    QPalette own = palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        own.setBrush(g, QPalette::Base, pal.brush(g, QPalette::Base));
    setPalette(own);
}

void EditControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ApplicationPaletteChange && isReadOnly())
        ApplyReadOnlyLook();
    QLineEdit::changeEvent(event);
}

void EditControl::focusInEvent(QFocusEvent* event) {
    // QLineEdit selects all of its text when the keyboard brings the focus.
    const Qt::FocusReason reason = event->reason();
    if (isReadOnly() && (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                         reason == Qt::ShortcutFocusReason)) {
        QFocusEvent plain(QEvent::FocusIn, Qt::OtherFocusReason);
        QLineEdit::focusInEvent(&plain);
        return;
    }
    QLineEdit::focusInEvent(event);
}

}  // namespace ui
