// A pseudo-terminal pair made raw before any host can open it, or the loader's end of an
// existing terminal or unix socket (a virtual machine's serial port whose far end is a host
// pseudo-terminal or socket).
//
// The pair keeps its own slave descriptor open for its whole life, never reading from it:
// with no slave open the master reports POLLHUP continuously, which would turn every wait into
// a spin while no host is connected. Hosts open SlavePath() themselves; TIOCEXCL and flock on
// their side do not disturb the held descriptor.
//
// Threading: not shared. One thread (the serving thread) owns and uses a pair.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "platform/unique_fd.h"

namespace sim {

using platform::UniqueFd;

class PtyPair {
  public:
    // Opens a new pair; nothing and a reason in *error when the system refuses.
    static std::optional<PtyPair> Open(std::string* error = nullptr);
    // Opens the existing terminal `path` as the loader's end and makes it raw, or connects to
    // the listening unix socket `path`. The host is whatever sits at its far end; SlavePath()
    // names `path`.
    static std::optional<PtyPair> Attach(const std::string& path, std::string* error = nullptr);

    int Master() const { return master_.Get(); }  // non-blocking
    const std::string& SlavePath() const { return slavePath_; }

    // Bytes written by the master that the host has not read yet.
    int UnreadByHost() const;

    // Waits until the host has read everything written to it, or `limit` passes: closing the
    // master discards unread data, so the last reply must be collected first. The kernel offers
    // no event for "the other side has read", so this checks the queue every few milliseconds;
    // it runs only at a close, and returns at once when nothing is queued.
    void WaitUntilRead(std::chrono::milliseconds limit) const;

    // Waits until the host has closed its side of our own pseudo-terminal, or `limit` passes;
    // at once for an attached terminal. A host that has read its last reply closes, but the
    // reply may still sit in the kernel's flip buffer on its way to the host while the queue
    // that WaitUntilRead looks at is empty: under load the buffer is delivered late, and
    // closing the master meanwhile loses it. A host holds its port with flock (as Kven does),
    // so the lock tells whether it still has the port open; it is looked at every few
    // milliseconds, at the very end only.
    void WaitUntilHostCloses(std::chrono::milliseconds limit) const;

  private:
    PtyPair() = default;
    UniqueFd master_;
    UniqueFd slave_;  // held, never read; not open for an attached terminal
    std::string slavePath_;
};

}  // namespace sim
