#include "app/lock_indicators.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>

namespace {

constexpr int kCaps = 0, kNum = 1, kScroll = 2;
constexpr const char* kTexts[] = {"CAP", "NUM", "SCRL"};
// The X11 modifier bits of Caps Lock and (in every common keymap) Num Lock.
constexpr quint32 kX11LockMask = 0x02;
constexpr quint32 kX11NumMask = 0x10;

}  // namespace

LockIndicators::LockIndicators(QStatusBar& bar) : QObject(&bar) {
    for (int i = 0; i < 3; ++i) {
        auto* pane = new QLabel(QString::fromLatin1(kTexts[i]), &bar);
        pane->setObjectName(QString::fromLatin1(kTexts[i]));
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(pane->text()) + 12);
        pane->setEnabled(false);
        bar.addPermanentWidget(pane);
        m_panes[static_cast<std::size_t>(i)] = pane;
    }
    qApp->installEventFilter(this);
}

bool LockIndicators::IsOn(int pane) const {
    return m_on.at(static_cast<std::size_t>(pane));
}

void LockIndicators::Set(int pane, bool on) {
    const auto i = static_cast<std::size_t>(pane);
    m_on[i] = on;
    m_panes[i]->setEnabled(on);
}

bool LockIndicators::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // A key event reaches the filter once per receiver up the chain; count it once.
        if (watched != QApplication::focusWidget() && QApplication::focusWidget())
            return false;
        switch (key->key()) {
            case Qt::Key_CapsLock:
                Set(kCaps, !m_on[kCaps]);
                return false;
            case Qt::Key_NumLock:
                Set(kNum, !m_on[kNum]);
                return false;
            case Qt::Key_ScrollLock:
                Set(kScroll, !m_on[kScroll]);
                return false;
            default:
                break;
        }
        if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            Set(kCaps, (key->nativeModifiers() & kX11LockMask) != 0);
            Set(kNum, (key->nativeModifiers() & kX11NumMask) != 0);
        }
    }
    return false;
}
