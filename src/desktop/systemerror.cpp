#include "desktop/systemerror.h"

#include <cstring>

namespace velmora {

QString systemErrorText(int error) {
    const char* text = ::strerrordesc_np(error);
    return text ? QString::fromUtf8(text) : QStringLiteral("error %1").arg(error);
}

}  // namespace velmora
