// How kven-cli shows a job: progress in place on a terminal, plain lines otherwise, a JSON
// object, or only the result.
//
// Threading: main thread only.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "cli/job_view.h"

namespace cli {

enum class Style { Terminal, Plain, Quiet, Json };

class Reporter {
  public:
    Reporter(Style style, std::FILE* out, std::FILE* err, std::uint32_t baud);

    // A status message changed `view`; `kind` is its status kind.
    void Status(const JobView& view, int kind);
    // A message the job would show in a box.
    void Message(std::string_view text);
    // A hint that follows a message.
    void Hint(std::string_view text);
    // The end: summary and the result line (or the JSON object).
    void Finish(const JobView& view, int code);

  private:
    void DrawProgress(const JobView& view, bool force);
    void EndLine();

    Style style_;
    std::FILE* out_;
    std::FILE* err_;
    std::uint32_t baud_;
    bool lineOpen_ = false;  // a progress line is being redrawn in place
    int lastDecile_ = -1;
    Phase lastPhase_ = Phase::Starting;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace cli
