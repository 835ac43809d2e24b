// Board after board for people: one line per board and a tally at the end. On a terminal a
// status line below them, redrawn in place, shows the board in progress or what the line
// waits for; --json prints each board's record and then the tally as JSON lines.
//
// Threading: main thread only.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "cli/output/display.h"

namespace cli {

class BoardReporter : public Display {
  public:
    BoardReporter(Style style, std::FILE* out, std::FILE* err)
        : style_(style), out_(out), err_(err) {}

    void OnStatus(const JobView& view, int kind) override;
    void Message(std::string_view text) override;
    void Hint(std::string_view text) override;
    void ImageRead(const ImageInfo& info) override;
    void Waiting(int number, bool previousPresent) override;
    void Retrying(const JobRecord& failed, int attempts) override;
    void Board(const JobRecord& record) override;
    void Summary(const Tally& tally, std::string_view port) override;

  private:
    void StatusLine(const std::string& text);
    void ClearStatus();

    Style style_;
    std::FILE* out_;
    std::FILE* err_;
    int board_ = 1;
    std::string lastImage_;  // the image line shown: shown again only when it changes
    bool statusShown_ = false;
    Phase lastPhase_ = Phase::Done;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace cli
