// The CAP, NUM and SCRL panes of the status bar: the text is shown greyed while its lock is
// off. Qt offers no portable query of the lock states; on X11 every key event carries them,
// elsewhere the panes follow the lock keys' presses.
//
// Threading: GUI thread.
#pragma once

#include <QObject>
#include <array>

class QLabel;
class QStatusBar;

class LockIndicators : public QObject {
    Q_OBJECT
  public:
    // Adds the three panes to the right of `bar`, which owns them and this object.
    explicit LockIndicators(QStatusBar& bar);

    bool IsOn(int pane) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Set(int pane, bool on);

    std::array<QLabel*, 3> m_panes{};
    std::array<bool, 3> m_on{};
};
