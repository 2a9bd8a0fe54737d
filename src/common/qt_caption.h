#pragma once
// Captions for Qt widgets: Caption(key, englishDefault) as QString.

#include <QString>
#include <string_view>

namespace vx {

QString QCaption(std::string_view key, std::string_view englishDefault);

}  // namespace vx
