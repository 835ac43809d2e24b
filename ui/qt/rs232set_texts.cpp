#include "ui/qt/rs232set_texts.h"

#include <string_view>

#include "ui/core/choice_tables.h"
#include "ui/core/figure_texts.h"
#include "ui/core/rs232set_template.h"

namespace ui {
namespace {

template <typename Value, std::size_t N>
void AddChoices(std::vector<ShownText>& texts, int id, const std::array<Choice<Value>, N>& table) {
    for (const Choice<Value>& row : table)
        texts.push_back({id, QString::fromLatin1(row.text)});
}

}  // namespace

std::vector<ShownText> Rs232SetListTexts(const QFontMetricsF&) {
    std::vector<ShownText> texts;
    for (int n = 1; n <= kPortCount; ++n)
        texts.push_back({IDC_PORT, QStringLiteral("COM%1").arg(n)});
    AddChoices(texts, IDC_BAUDRATE, BaudRateTable);
    AddChoices(texts, IDC_DATABITS, DataBitsTable);
    AddChoices(texts, IDC_PARITY, ParityTable);
    AddChoices(texts, IDC_STOPBITS, StopBitsTable);
    return texts;
}

std::vector<ShownText> Rs232SetFigureTexts(const QFontMetricsF& fm) {
    std::vector<ShownText> texts;
    for (FigureText& figure : WidestFigureTexts([&](std::string_view text) {
             return fm.horizontalAdvance(
                 QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
         }))
        texts.push_back({figure.id, QString::fromStdString(figure.text)});
    return texts;
}

}  // namespace ui
