#include "ui/job_texts.h"

#include <cstdio>

namespace ui {
namespace {

QString Hex4(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return QString::fromLatin1(text);
}

}  // namespace

QString PositionText(std::int32_t position, std::int32_t total) {
    char text[32];
    std::snprintf(text, sizeof text, "%8d/%8d", position, total);
    return QString::fromLatin1(text);
}

QString VersionText(std::uint16_t version, QChar letter, std::uint16_t packetSize) {
    return QStringLiteral("LD Ver: V%1-%2-%3").arg(Hex4(version), letter).arg(packetSize);
}

QString ChecksumText(std::uint16_t checksum) {
    return QStringLiteral("CheckSum: ") + Hex4(checksum);
}

}  // namespace ui
