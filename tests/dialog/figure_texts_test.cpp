// The figures at their widest, as a view's font measures them.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "ui/core/figure_texts.h"
#include "ui/core/rs232set_template.h"

namespace {

// A font whose '8' and 'W' are wider than every other character.
double Width(std::string_view text) {
    double w = 0;
    for (char c : text)
        w += c == '8' || c == 'W' ? 10 : 5;
    return w;
}

TEST(FigureTexts, EachPartIsTheWidestTheFontHas) {
    std::multimap<int, std::string> texts;
    for (const ui::FigureText& t : ui::WidestFigureTexts(&Width))
        texts.emplace(t.id, t.text);
    const auto of = [&](int id) {
        std::vector<std::string> out;
        for (auto [it, end] = texts.equal_range(id); it != end; ++it)
            out.push_back(it->second);
        return out;
    };
    // The packet size is a byte: 188 is its widest, not 888.
    EXPECT_EQ(of(ui::IDC_LDVER), (std::vector<std::string>{"LD Ver:", "LD Ver: V8888-W-188"}));
    EXPECT_EQ(of(ui::IDC_CHECKSUM), (std::vector<std::string>{"CheckSum:", "CheckSum: 8888"}));
    // Position and total as wide as the largest image's size (4,194,304: seven digits), and
    // the status texts.
    EXPECT_EQ(of(ui::IDC_STATUS), (std::vector<std::string>{" 8888888/ 8888888", "Erase /Blank",
                                                            "Wait Link", "Burn CheckSum"}));
}

TEST(FigureTexts, EqualWidthsTakeTheFirst) {
    const auto texts =
        ui::WidestFigureTexts([](std::string_view t) { return static_cast<double>(t.size()); });
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts[1].text, "LD Ver: V0000-A-100");
}

}  // namespace
