// The CAP, NUM and SCRL panes of the status bar: the text is shown greyed while its lock is
// off. Where the platform tells the lock states (see lock_state.h), the panes show them from
// the start and ask again whenever a lock key goes down or up and whenever the program becomes
// active, since the keys may have been pressed in another window meanwhile. Elsewhere they
// follow the lock keys' presses (on X11 without XKB, Caps and Num Lock also from the modifier
// state of every key event).
//
// Threading: GUI thread.
#pragma once

#include <QObject>
#include <array>
#include <functional>
#include <optional>

#include "app/lock_state.h"

class QLabel;
class QStatusBar;

class LockIndicators : public QObject {
    Q_OBJECT
  public:
    using Query = std::function<std::optional<LockStates>()>;

    // Adds the three panes to the right of `bar`, which owns them and this object.
    explicit LockIndicators(QStatusBar& bar, Query query = &QueryLockStates);

    bool IsOn(int pane) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Set(int pane, bool on);
    // Takes the states from the platform; false when it cannot tell them.
    bool Refresh();

    Query m_query;
    std::array<QLabel*, 3> m_panes{};
    std::array<bool, 3> m_on{};
    bool m_told = false;  // the platform told the states when last asked
};
