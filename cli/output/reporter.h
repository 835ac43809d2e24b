// How kven-cli shows a single job to people: progress in place on a terminal, plain lines
// otherwise, a JSON object, or only the result.
//
// Threading: main thread only.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "cli/output/display.h"

namespace cli {

class Reporter : public Display {
  public:
    Reporter(Style style, std::FILE* out, std::FILE* err);

    void OnStatus(const JobView& view, int kind) override;
    void Message(std::string_view text) override;
    void Hint(std::string_view text) override;
    void Retrying(const JobRecord& failed, int attempts) override;
    void ImageRead(const ImageInfo& info) override;
    // The end: summary and the result line (or the JSON object).
    void Finish(const JobRecord& record) override;

  private:
    void DrawProgress(const JobView& view, bool force);
    void EndLine();

    Style style_;
    std::FILE* out_;
    std::FILE* err_;
    bool lineOpen_ = false;  // a progress line is being redrawn in place
    int lastDecile_ = -1;
    Phase lastPhase_ = Phase::Starting;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace cli
