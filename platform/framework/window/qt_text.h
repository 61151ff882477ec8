// Text between the framework's strings (the process code page, which is
// UTF-8 on Linux) and Qt's. Bytes that are not UTF-8 are shown as the
// replacement character rather than dropped.
#pragma once

#include <QString>
#include <string>

namespace fw {

inline QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string FromQString(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace fw
