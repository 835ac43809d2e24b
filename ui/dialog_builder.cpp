#include "ui/dialog_builder.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "res/icons.h"
#include "ui/combo_list.h"

namespace ui {
namespace {

using namespace style;

QString Text(const ControlTemplate& c) {
    return c.text ? QString::fromLatin1(c.text) : QString();
}

QWidget* MakeButton(const ControlTemplate& c, QWidget& parent) {
    if ((c.style & BS_TYPEMASK) == BS_GROUPBOX) {
        auto* box = new QGroupBox(Text(c), &parent);
        // Win32 group boxes are siblings of the controls they frame and never take a click.
        box->setAttribute(Qt::WA_TransparentForMouseEvents);
        return box;
    }
    auto* button = new QPushButton(Text(c), &parent);
    button->setDefault((c.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
    return button;
}

QWidget* MakeStatic(const ControlTemplate& c, QWidget& parent) {
    auto* label = new QLabel(&parent);
    if ((c.style & SS_TYPEMASK) == SS_ICON) {
        // An icon static takes the icon's own size, as Win32 sizes it.
        label->setPixmap(res::LoadIconResource(c.icon).pixmap(res::kLampSize));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    label->setText(Text(c));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QWidget* MakeControl(const ControlTemplate& c, QWidget& parent) {
    switch (c.cls) {
        case ControlClass::Button:
            return MakeButton(c, parent);
        case ControlClass::ComboBox:
            return new CComboBox((c.style & CBS_SORT) != 0, &parent);
        case ControlClass::Edit: {
            auto* edit = new QLineEdit(&parent);
            edit->setFrame((c.style & WS_BORDER) != 0);
            return edit;
        }
        case ControlClass::Static:
            return MakeStatic(c, parent);
        case ControlClass::Progress: {
            auto* bar = new QProgressBar(&parent);
            bar->setTextVisible(false);
            bar->setRange(0, 100);
            bar->setValue(0);
            return bar;
        }
    }
    return nullptr;
}

void Place(QWidget& w, const ControlTemplate& c, DialogBaseUnits u) {
    QRect r = MapDialogRect(c.rect, u);
    if (auto* combo = qobject_cast<QComboBox*>(&w)) {
        // A combo box's template height includes its dropped-down list.
        const int closed = combo->sizeHint().height();
        combo->setMaxVisibleItems(std::max(1, (r.height() - closed) / std::max(1, u.cy)));
        r.setHeight(closed);
    } else if ((c.style & SS_TYPEMASK) == SS_ICON && c.cls == ControlClass::Static) {
        r.setSize({res::kLampSize, res::kLampSize});
    }
    w.setGeometry(r);
}

}  // namespace

std::vector<DialogControl> BuildDialog(QWidget& dialog, const DialogTemplate& dlg) {
    dialog.setFont(DialogFont(dlg));
    const DialogBaseUnits u = BaseUnitsOf(dialog.font());
    dialog.setFixedSize(MapDialogRect({0, 0, dlg.cx, dlg.cy}, u).size());

    std::vector<DialogControl> controls;
    QWidget* previousStop = nullptr;
    for (const ControlTemplate& c : dlg.controls) {
        QWidget* w = MakeControl(c, dialog);
        w->setObjectName(QStringLiteral("ctl%1").arg(c.id));
        Place(*w, c, u);
        w->setEnabled((c.style & WS_DISABLED) == 0);
        if ((c.style & WS_VISIBLE) == 0)
            w->setHidden(true);
        if (c.style & WS_TABSTOP) {
            w->setFocusPolicy(Qt::StrongFocus);
            if (previousStop)
                QWidget::setTabOrder(previousStop, w);
            previousStop = w;
        } else {
            // Without a tab stop an edit box still takes a click; nothing else takes focus.
            w->setFocusPolicy(c.cls == ControlClass::Edit ? Qt::ClickFocus : Qt::NoFocus);
        }
        controls.push_back({c.id, w});
    }
    // Frames go beneath the controls they surround.
    for (const DialogControl& c : controls) {
        if (qobject_cast<QGroupBox*>(c.widget))
            c.widget->lower();
    }
    return controls;
}

QWidget* FindControl(const std::vector<DialogControl>& controls, int id) {
    const auto it = std::find_if(controls.begin(), controls.end(),
                                 [id](const DialogControl& c) { return c.id == id; });
    return it == controls.end() ? nullptr : it->widget;
}

}  // namespace ui
