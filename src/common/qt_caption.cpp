#include "common/qt_caption.h"

#include "common/captions.h"

namespace vx {

QString QCaption(std::string_view key, std::string_view englishDefault) {
  return QString::fromStdString(Caption(key, englishDefault));
}

}  // namespace vx
