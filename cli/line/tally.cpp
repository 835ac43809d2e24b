#include "cli/line/tally.h"

#include "cli/job/job_view.h"
#include "cli/output/json.h"

namespace cli {

void Tally::Add(int code) {
    ++boards_;
    if (code == 0)
        return;
    ++failed_;
    ++failures_[code];
    lastFailure_ = code;
}

std::string Tally::Text() const {
    std::string text = std::to_string(boards_) + (boards_ == 1 ? " board: " : " boards: ") +
                       std::to_string(Succeeded()) + " OK, " + std::to_string(failed_) + " failed";
    if (failures_.empty())
        return text;
    const char* separator = " (";
    for (const auto& [code, count] : failures_) {
        text += separator;
        text += ResultText(code);
        text += ": " + std::to_string(count);
        separator = ", ";
    }
    return text + ")";
}

std::string Tally::Json(std::string_view port) const {
    std::string failures = "[";
    for (const auto& [code, count] : failures_) {
        if (failures.size() > 1)
            failures += ',';
        failures += JsonObject()
                        .Int("result", code)
                        .String("text", ResultText(code))
                        .Int("count", count)
                        .Text();
    }
    failures += ']';
    return JsonObject()
        .String("port", port)
        .Int("boards", boards_)
        .Int("succeeded", Succeeded())
        .Int("failed", failed_)
        .Raw("failures", failures)
        .Int("exit", lastFailure_)
        .Text();
}

}  // namespace cli
