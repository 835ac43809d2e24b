// What the process that runs several ports shows: on a terminal a live table with one row per
// port (phase, percentage, rate), redrawn in place, with messages and board lines above it;
// on a pipe a line per phase change; at the end one line per port. With --json, the ports'
// JSON lines (at the end in port order, or as they come board after board).
//
// Threading: main thread only.
#pragma once

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/line/port_state.h"
#include "cli/output/display.h"

namespace cli {

class PortTable {
  public:
    PortTable(Style style, bool repeat, const std::vector<std::string>& ports, std::FILE* out,
              std::FILE* err);

    // A line from the process of port `index`.
    void Line(std::size_t index, const std::string& line);
    // Redraws the live table when it changed and the last draw is 100 ms old; the time until
    // a pending redraw is due, or nothing when none is pending.
    std::optional<std::chrono::milliseconds> Draw();
    // The end: one line per port (or its JSON), given each process's exit status.
    void Finish(const std::vector<int>& statuses);

  private:
    void Print(const PrintLine& line);
    void Erase();

    Style style_;
    bool repeat_;
    std::FILE* out_;
    std::FILE* err_;
    std::vector<PortState> states_;
    std::vector<std::vector<std::string>> json_;  // held until the end
    int drawnLines_ = 0;
    bool dirty_ = false;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace cli
