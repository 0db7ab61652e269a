// JPEG logos, decoded with libjpeg into a cairo image.
#pragma once

#include <string>

#include "servers/govx/report/ReportCanvas.h"

namespace xnd::govx::report {

// The largest logo decoded, in pixels (about 25 megapixels).
inline constexpr unsigned long MaxLogoPixels = 25ul * 1000ul * 1000ul;

// The image, or null with libjpeg's reason (or ours) in aError.
TSurfacePtr DecodeJpeg(const std::string& aBytes, std::string& aError);

}  // namespace xnd::govx::report
