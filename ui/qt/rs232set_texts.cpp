#include "ui/qt/rs232set_texts.h"

#include <cstdint>

#include "job/program_job.h"
#include "ui/core/choice_tables.h"
#include "ui/core/job_texts.h"
#include "ui/core/rs232set_template.h"

namespace ui {
namespace {

constexpr int kMaxPacketSize = 255;             // the loader's packet size is a byte
constexpr std::uint16_t kRepeatedHex = 0x1111;  // times d: four hex digits d
constexpr auto kLetters = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

template <typename Value, std::size_t N>
void AddChoices(std::vector<ShownText>& texts, int id, const std::array<Choice<Value>, N>& table) {
    for (const Choice<Value>& row : table)
        texts.push_back({id, QString::fromLatin1(row.text)});
}

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

QString Version(std::uint16_t word, QChar letter, std::uint16_t packetSize) {
    return QString::fromStdString(VersionText(word, letter.unicode(), packetSize));
}
QString Checksum(std::uint16_t sum) {
    return QString::fromStdString(ChecksumText(sum));
}
QString Position(std::int32_t position, std::int32_t total) {
    return QString::fromStdString(PositionText(position, total));
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

    // Each part of a figure at its widest, measured where it stands: the hex digit, the
    // loader's letter, the packet size up to 255; the dashes between them keep the parts from
    // kerning with each other.
    const QString letters = QString::fromUtf16(kLetters);
    const std::uint16_t word =
        Word(WidestOf(fm, 16, [](int d) { return Version(Word(d), QLatin1Char('A'), 0); }));
    const QChar letter = letters[WidestOf(fm, static_cast<int>(letters.size()),
                                          [&](int i) { return Version(0, letters[i], 0); })];
    const auto packet = static_cast<std::uint16_t>(WidestOf(fm, kMaxPacketSize + 1, [](int p) {
        return Version(0, QLatin1Char('A'), static_cast<std::uint16_t>(p));
    }));
    texts.push_back({IDC_LDVER, QString::fromLatin1(kTextLdVer)});
    texts.push_back({IDC_LDVER, Version(word, letter, packet)});
    const std::uint16_t sum = Word(WidestOf(fm, 16, [](int d) { return Checksum(Word(d)); }));
    texts.push_back({IDC_CHECKSUM, QString::fromLatin1(kTextCheckSum)});
    texts.push_back({IDC_CHECKSUM, Checksum(sum)});

    // Positions and totals have as many digits as the largest image's size.
    const auto digits = static_cast<int>(QString::number(kMaxImageSize).size());
    const std::int32_t widest = Repeated(
        WidestOf(fm, 10, [&](int d) { return Position(Repeated(d, digits), Repeated(d, digits)); }),
        digits);
    texts.push_back({IDC_STATUS, Position(widest, widest)});
    for (const char* status : {kTextEraseBlank, kTextWaitLink, kTextBurnChecksum})
        texts.push_back({IDC_STATUS, QString::fromLatin1(status)});
    return texts;
}

}  // namespace ui
