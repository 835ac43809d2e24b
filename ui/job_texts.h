// The texts the programming dialog shows for a job's results.
//
// Threading: constant data.
#pragma once

#include <cstdint>

#include "job/result_texts.h"

namespace ui {

// Result code -> message-box text; null: no box (10: the start failure already showed its own).
constexpr const char* ResultText(std::uint16_t code) {
    return JobResultText(code);
}

// The posted result of a job that failed to start: the result flag with code 10.
inline constexpr std::intptr_t kStartFailedLParam = 0xA0001;

}  // namespace ui
