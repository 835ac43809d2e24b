#include "ui/qt/dialog_builder.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "res/icons.h"
#include "ui/qt/combo_list.h"
#include "ui/qt/dialog_style.h"
#include "ui/qt/edit_control.h"

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
            return new DropDownList((c.style & CBS_SORT) != 0, &parent);
        case ControlClass::Edit: {
            auto* edit = new EditControl(&parent);
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
    if (auto* combo = qobject_cast<DropDownList*>(&w)) {
        // A combo box's template height includes its dropped-down list.
        const int closed = combo->sizeHint().height();
        combo->SetDroppedHeight(std::max(0, r.height() - closed));
        r.setHeight(closed);
    } else if ((c.style & SS_TYPEMASK) == SS_ICON && c.cls == ControlClass::Static) {
        r.setSize({res::kLampSize, res::kLampSize});
    }
    w.setGeometry(r);
}

// Every text shown for a control fits it in `font`.
bool ShownTextsFit(const std::vector<DialogControl>& controls, const ShownTexts& shown,
                   const QFont& font) {
    if (!shown)
        return true;
    const std::vector<ShownText> texts = shown(QFontMetricsF(font));
    return std::all_of(texts.begin(), texts.end(), [&](const ShownText& t) {
        const QWidget* w = FindControl(controls, t.id);
        return w && TextFits(*w, font, t.text);
    });
}

// Every text of the template and every shown text fits its control in `font`.
bool AllTextsFit(const std::vector<DialogControl>& controls, const DialogTemplate& dlg,
                 const ShownTexts& shown, const QFont& font) {
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlTemplate& c = dlg.controls[i];
        const bool icon = c.cls == ControlClass::Static && (c.style & SS_TYPEMASK) == SS_ICON;
        if (c.text && !icon && !TextFits(*controls[i].widget, font, Text(c)))
            return false;
    }
    return ShownTextsFit(controls, shown, font);
}

}  // namespace

std::vector<DialogControl> BuildDialog(QWidget& dialog, const DialogTemplate& dlg,
                                       const ShownTexts& shown) {
    const QFont templateFont = DialogFont(dlg);
    dialog.setFont(templateFont);
    const DialogBaseUnits u = BaseUnitsOf(templateFont);
    dialog.setFixedSize(MapDialogRect({0, 0, dlg.cx, dlg.cy}, u).size());
    auto* controlStyle = new DialogStyle(&dialog);

    std::vector<DialogControl> controls;
    QWidget* previousStop = nullptr;
    for (const ControlTemplate& c : dlg.controls) {
        QWidget* w = MakeControl(c, dialog);
        w->setObjectName(QStringLiteral("ctl%1").arg(c.id));
        if (qobject_cast<QComboBox*>(w) || qobject_cast<QPushButton*>(w))
            w->setStyle(controlStyle);
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
    // The layout stays that of the template's font; only the texts get smaller, if need be.
    dialog.setFont(LargestFittingFont(
        templateFont, [&](const QFont& font) { return AllTextsFit(controls, dlg, shown, font); }));
    return controls;
}

void FitControlGroup(const std::vector<DialogControl>& controls, const QFont& font,
                     const ShownTexts& shown) {
    const QFont fitting =
        LargestFittingFont(font, [&](const QFont& f) { return ShownTextsFit(controls, shown, f); });
    if (fitting == font)
        return;
    for (const ShownText& t : shown(QFontMetricsF(fitting))) {
        if (QWidget* w = FindControl(controls, t.id))
            w->setFont(fitting);
    }
}

QWidget* FindControl(const std::vector<DialogControl>& controls, int id) {
    const auto it = std::find_if(controls.begin(), controls.end(),
                                 [id](const DialogControl& c) { return c.id == id; });
    return it == controls.end() ? nullptr : it->widget;
}

}  // namespace ui
