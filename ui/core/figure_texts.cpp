#include "ui/core/figure_texts.h"

#include <cstdint>
#include <string_view>

#include "job/program_job.h"
#include "ui/core/job_texts.h"
#include "ui/core/rs232set_template.h"

namespace ui {
namespace {

constexpr int kMaxPacketSize = 255;             // the loader's packet size is a byte
constexpr std::uint16_t kRepeatedHex = 0x1111;  // times d: four hex digits d
constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// The number of `digits` digits, each of them `digit`.
std::int32_t Repeated(int digit, int digits) {
    std::int32_t value = 0;
    for (int i = 0; i < digits; ++i)
        value = value * 10 + digit;
    return value;
}

std::uint16_t Word(int hexDigit) {
    return static_cast<std::uint16_t>(kRepeatedHex * hexDigit);
}

// The index in [0, count) whose text is the widest (the first of equals).
int WidestOf(const std::function<double(std::string_view)>& width, int count,
             const std::function<std::string(int)>& textOf) {
    int best = 0;
    double widest = -1;
    for (int i = 0; i < count; ++i) {
        const double w = width(textOf(i));
        if (w > widest) {
            widest = w;
            best = i;
        }
    }
    return best;
}

}  // namespace

std::vector<FigureText> WidestFigureTexts(const std::function<double(std::string_view)>& width) {
    std::vector<FigureText> texts;
    // Each part of a figure at its widest, measured where it stands: the hex digit, the
    // loader's letter, the packet size up to 255; the dashes between them keep the parts from
    // kerning with each other.
    const std::uint16_t word =
        Word(WidestOf(width, 16, [](int d) { return VersionText(Word(d), u'A', 0); }));
    const char letter = kLetters[static_cast<std::size_t>(
        WidestOf(width, static_cast<int>(kLetters.size()), [](int i) {
            return VersionText(0, static_cast<std::uint16_t>(kLetters[static_cast<std::size_t>(i)]),
                               0);
        }))];
    const auto packet = static_cast<std::uint16_t>(WidestOf(width, kMaxPacketSize + 1, [](int p) {
        return VersionText(0, u'A', static_cast<std::uint16_t>(p));
    }));
    texts.push_back({IDC_LDVER, kTextLdVer});
    texts.push_back({IDC_LDVER, VersionText(word, static_cast<std::uint16_t>(letter), packet)});
    const std::uint16_t sum =
        Word(WidestOf(width, 16, [](int d) { return ChecksumText(Word(d)); }));
    texts.push_back({IDC_CHECKSUM, kTextCheckSum});
    texts.push_back({IDC_CHECKSUM, ChecksumText(sum)});

    // Positions and totals have as many digits as the largest image's size.
    const auto digits = static_cast<int>(std::to_string(kMaxImageSize).size());
    const std::int32_t widest = Repeated(
        WidestOf(width, 10,
                 [&](int d) { return PositionText(Repeated(d, digits), Repeated(d, digits)); }),
        digits);
    texts.push_back({IDC_STATUS, PositionText(widest, widest)});
    for (const char* status : {kTextEraseBlank, kTextWaitLink, kTextBurnChecksum})
        texts.push_back({IDC_STATUS, status});
    return texts;
}

}  // namespace ui
