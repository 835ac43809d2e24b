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

int LockPane(int key) {
    switch (key) {
        case Qt::Key_CapsLock:
            return kCaps;
        case Qt::Key_NumLock:
            return kNum;
        case Qt::Key_ScrollLock:
            return kScroll;
        default:
            return -1;
    }
}

}  // namespace

LockIndicators::LockIndicators(QStatusBar& bar, Query query)
    : QObject(&bar), m_query(std::move(query)) {
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
    Refresh();
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

bool LockIndicators::Refresh() {
    const std::optional<LockStates> states = m_query ? m_query() : std::nullopt;
    m_told = states.has_value();
    if (!states)
        return false;
    for (int i = 0; i < 3; ++i)
        Set(i, (*states)[static_cast<std::size_t>(i)]);
    return true;
}

bool LockIndicators::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ApplicationStateChange) {
        if (QGuiApplication::applicationState() == Qt::ApplicationActive)
            Refresh();
        return false;
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    // A key event reaches the filter once per receiver up the chain; count it once.
    if (key->isAutoRepeat() ||
        (watched != QApplication::focusWidget() && QApplication::focusWidget()))
        return false;
    const int pane = LockPane(key->key());
    // The platform has changed the lock by the time its key's event arrives; a lock goes on
    // as its key goes down and may go off only as it comes up.
    if (pane >= 0 && Refresh())
        return false;
    if (event->type() != QEvent::KeyPress)
        return false;
    if (pane >= 0) {
        Set(pane, !m_on[static_cast<std::size_t>(pane)]);
    } else if (!m_told && QGuiApplication::platformName() == QLatin1String("xcb")) {
        Set(kCaps, (key->nativeModifiers() & kX11LockMask) != 0);
        Set(kNum, (key->nativeModifiers() & kX11NumMask) != 0);
    }
    return false;
}
