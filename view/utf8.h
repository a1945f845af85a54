// Text the panel holds as UTF-8 bytes (captions, element names, help texts,
// function names) as Qt text.
#pragma once

#include <string_view>

#include <QString>

namespace kt {

inline QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace kt
