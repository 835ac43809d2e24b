// The Windows program's dialog resources, read back from the resource script the build host
// wrote (dialogs.rc), equal the dialog tables the Qt program builds its dialogs from: every
// control's text, id, window class, style (as the resource compiler completes it) and
// rectangle, and each dialog's size, style, caption and font. The script is parsed here on
// its own terms, as the resource compiler reads it, not with the writer's code.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/about_template.h"
#include "ui/core/rs232set_template.h"

namespace {

constexpr std::uint32_t kWsChild = 0x40000000;
constexpr std::uint32_t kWsVisible = 0x10000000;
constexpr std::uint32_t kWsPopup = 0x80000000;
constexpr std::uint32_t kWsCaption = 0x00C00000;
constexpr std::uint32_t kWsSysMenu = 0x00080000;
constexpr std::uint32_t kDsSetFont = 0x40;
constexpr std::uint32_t kDsModalFrame = 0x80;
constexpr std::uint32_t kDsFixedSys = 0x08;

// The window classes of the Win32 controls, as the system registers them.
const std::map<ui::ControlClass, std::string> kWin32Classes = {
    {ui::ControlClass::Button, "button"},
    {ui::ControlClass::ComboBox, "combobox"},
    {ui::ControlClass::Edit, "edit"},
    {ui::ControlClass::Static, "static"},
    {ui::ControlClass::Progress, "msctls_progress32"},
};

struct Token {
    enum Kind { String, Number, Word, Punct } kind;
    std::string text;
    std::uint32_t number = 0;
};

// The resource compiler's tokens of one line: "strings" (a doubled quote stands for one),
// decimal and 0x numbers, words, and punctuation.
std::vector<Token> Tokenize(const std::string& line) {
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < line.size();) {
        const char c = line[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') {
            break;
        } else if (c == '"') {
            std::string text;
            for (++i; i < line.size(); ++i) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        text += '"';
                        ++i;
                    } else {
                        break;
                    }
                } else {
                    text += line[i];
                }
            }
            ++i;
            tokens.push_back({Token::String, text});
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            std::size_t end = i;
            while (end < line.size() && std::isalnum(static_cast<unsigned char>(line[end])))
                ++end;
            const std::string text = line.substr(i, end - i);
            tokens.push_back(
                {Token::Number, text, static_cast<std::uint32_t>(std::stoul(text, nullptr, 0))});
            i = end;
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            std::size_t end = i;
            while (end < line.size() &&
                   (std::isalnum(static_cast<unsigned char>(line[end])) || line[end] == '_'))
                ++end;
            tokens.push_back({Token::Word, line.substr(i, end - i)});
            i = end;
        } else {
            tokens.push_back({Token::Punct, std::string(1, c)});
            ++i;
        }
    }
    return tokens;
}

// The comma-separated arguments of a statement, each a list of tokens.
std::vector<std::vector<Token>> Arguments(const std::vector<Token>& tokens, std::size_t from) {
    std::vector<std::vector<Token>> args(1);
    for (std::size_t i = from; i < tokens.size(); ++i) {
        if (tokens[i].kind == Token::Punct && tokens[i].text == ",")
            args.emplace_back();
        else
            args.back().push_back(tokens[i]);
    }
    return args;
}

std::uint32_t Number(const std::vector<Token>& arg) {
    EXPECT_EQ(arg.size(), 1u);
    EXPECT_EQ(arg.at(0).kind, Token::Number) << arg.at(0).text;
    return arg.at(0).number;
}

// A style expression "a | b | NOT c" applied to `base`, as the compiler does for a control
// (whose base is WS_CHILD | WS_VISIBLE).
std::uint32_t Style(const std::vector<Token>& arg, std::uint32_t base) {
    std::uint32_t style = base;
    bool negate = false;
    for (const Token& t : arg) {
        if (t.kind == Token::Word && t.text == "NOT") {
            negate = true;
        } else if (t.kind == Token::Number) {
            style = negate ? style & ~t.number : style | t.number;
            negate = false;
        } else {
            EXPECT_TRUE(t.kind == Token::Punct && t.text == "|") << t.text;
        }
    }
    return style;
}

struct ParsedControl {
    std::optional<std::string> text;
    std::optional<std::uint32_t> iconText;
    std::uint32_t id = 0;
    std::string cls;
    std::uint32_t style = 0;
    ui::DluRect rect{};
};

struct ParsedDialog {
    ui::DluRect rect{};
    std::uint32_t style = 0;
    std::optional<std::string> caption;
    std::string font;
    std::uint32_t points = 0;
    std::vector<ParsedControl> controls;
};

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::map<std::uint32_t, ParsedDialog> ParseScript(std::istream& in) {
    std::map<std::uint32_t, ParsedDialog> dialogs;
    ParsedDialog* current = nullptr;
    bool inBlock = false;
    std::string line;
    while (std::getline(in, line)) {
        const std::vector<Token> t = Tokenize(line);
        if (t.empty())
            continue;
        if (!current && t.size() > 2 && t[1].kind == Token::Word && t[1].text == "DIALOGEX") {
            current = &dialogs[t[0].number];
            const auto args = Arguments(t, 2);
            EXPECT_EQ(args.size(), 4u) << line;
            current->rect = {
                static_cast<int>(Number(args.at(0))), static_cast<int>(Number(args.at(1))),
                static_cast<int>(Number(args.at(2))), static_cast<int>(Number(args.at(3)))};
        } else if (current && !inBlock && t[0].text == "STYLE") {
            current->style = Style(Arguments(t, 1).at(0), 0);
        } else if (current && !inBlock && t[0].text == "CAPTION") {
            current->caption = t.at(1).text;
        } else if (current && !inBlock && t[0].text == "FONT") {
            const auto args = Arguments(t, 1);
            current->points = Number(args.at(0));
            current->font = args.at(1).at(0).text;
        } else if (current && t[0].text == "BEGIN") {
            inBlock = true;
        } else if (current && t[0].text == "END") {
            current = nullptr;
            inBlock = false;
        } else if (current && inBlock && t[0].text == "CONTROL") {
            const auto args = Arguments(t, 1);
            EXPECT_EQ(args.size(), 8u) << line;
            ParsedControl c;
            if (args.at(0).at(0).kind == Token::String)
                c.text = args.at(0).at(0).text;
            else
                c.iconText = Number(args.at(0));
            c.id = Number(args.at(1));
            c.cls = Lower(args.at(2).at(0).text);
            c.style = Style(args.at(3), kWsChild | kWsVisible);
            c.rect = {static_cast<int>(Number(args.at(4))), static_cast<int>(Number(args.at(5))),
                      static_cast<int>(Number(args.at(6))), static_cast<int>(Number(args.at(7)))};
            current->controls.push_back(c);
        } else {
            ADD_FAILURE() << "not a statement of a dialog: " << line;
        }
    }
    return dialogs;
}

class DialogResourceScript : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ifstream in(std::string(KVEN_WIN32_RESOURCES) + "/dialogs.rc");
        ASSERT_TRUE(in) << "the build host wrote no dialogs.rc";
        dialogs_ = ParseScript(in);
    }

    // Every control of `table` in its order, as the compiler reads the script.
    void ExpectControls(const ParsedDialog& dialog, const ui::DialogTemplate& table) {
        ASSERT_EQ(dialog.controls.size(), table.controls.size());
        for (std::size_t i = 0; i < table.controls.size(); ++i) {
            const ui::ControlTemplate& want = table.controls[i];
            const ParsedControl& got = dialog.controls[i];
            SCOPED_TRACE("control " + std::to_string(i) + ", id " + std::to_string(want.id));
            EXPECT_EQ(got.id, static_cast<std::uint32_t>(want.id));
            EXPECT_EQ(got.cls, kWin32Classes.at(want.cls));
            EXPECT_EQ(got.style, want.style | kWsChild);
            EXPECT_EQ(got.rect.x, want.rect.x);
            EXPECT_EQ(got.rect.y, want.rect.y);
            EXPECT_EQ(got.rect.cx, want.rect.cx);
            EXPECT_EQ(got.rect.cy, want.rect.cy);
            if (want.icon) {
                // An icon static's text names its icon resource by number.
                EXPECT_EQ(got.iconText, std::optional<std::uint32_t>(want.icon));
            } else {
                EXPECT_EQ(got.text, std::optional<std::string>(want.text ? want.text : ""));
            }
        }
    }

    std::map<std::uint32_t, ParsedDialog> dialogs_;
};

TEST_F(DialogResourceScript, HoldsTheProgrammingDialogAndTheAboutBoxOnly) {
    ASSERT_EQ(dialogs_.size(), 2u);
    EXPECT_EQ(dialogs_.count(ui::IDD_RS232SET), 1u);
    EXPECT_EQ(dialogs_.count(IDD_ABOUTBOX), 1u);
}

TEST_F(DialogResourceScript, ProgrammingDialogEqualsTheTemplateTable) {
    const ParsedDialog& d = dialogs_[ui::IDD_RS232SET];
    const ui::DialogTemplate& t = ui::kRs232SetTemplate;
    EXPECT_EQ(d.rect.cx, t.cx);
    EXPECT_EQ(d.rect.cy, t.cy);
    // A borderless child without a caption, hidden until its host shows it.
    EXPECT_EQ(d.style, kWsChild | kDsSetFont);
    EXPECT_FALSE(d.caption);
    EXPECT_EQ(d.font, "Microsoft Sans Serif");
    EXPECT_EQ(d.points, 9u);
    ASSERT_EQ(d.controls.size(), 22u);
    ExpectControls(d, t);
}

TEST_F(DialogResourceScript, AboutBoxEqualsItsTable) {
    const ParsedDialog& d = dialogs_[IDD_ABOUTBOX];
    EXPECT_EQ(d.rect.cx, 191);
    EXPECT_EQ(d.rect.cy, 71);
    EXPECT_EQ(d.style,
              kWsPopup | kWsCaption | kWsSysMenu | kDsModalFrame | kDsSetFont | kDsFixedSys);
    EXPECT_EQ(d.caption, std::optional<std::string>("About KVEN"));
    EXPECT_EQ(d.font, "MS Shell Dlg");
    EXPECT_EQ(d.points, 9u);
    ExpectControls(d, kAboutTemplate);
}

// The one control that starts hidden is the progress bar: the compiler's WS_VISIBLE is taken
// off it and kept on every other.
TEST_F(DialogResourceScript, OnlyTheProgressBarStartsHidden) {
    for (const ParsedControl& c : dialogs_[ui::IDD_RS232SET].controls)
        EXPECT_EQ((c.style & kWsVisible) == 0, c.id == static_cast<std::uint32_t>(ui::IDC_PROGRESS))
            << "control " << c.id;
}

}  // namespace
