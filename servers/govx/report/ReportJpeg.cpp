#include "servers/govx/report/ReportJpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace xnd::govx::report {

namespace {

struct TJpegError {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnJpegError(j_common_ptr aInfo) {
  auto* error = reinterpret_cast<TJpegError*>(aInfo->err);
  (*aInfo->err->format_message)(aInfo, error->Message);
  std::longjmp(error->Jump, 1);
}

void OnJpegWarning(j_common_ptr, int) {}

// libjpeg reports errors by longjmp, so this frame holds only plain data:
// nothing with a destructor lives across the jump.
cairo_surface_t* Decode(const unsigned char* aData, unsigned long aSize, char* aError) {
  jpeg_decompress_struct info;
  TJpegError error;
  cairo_surface_t* surface = nullptr;
  info.err = jpeg_std_error(&error.Manager);
  error.Manager.error_exit = OnJpegError;
  error.Manager.emit_message = OnJpegWarning;
  error.Message[0] = '\0';
  if (setjmp(error.Jump)) {
    jpeg_destroy_decompress(&info);
    if (surface) cairo_surface_destroy(surface);
    std::strncpy(aError, error.Message, JMSG_LENGTH_MAX - 1);
    aError[JMSG_LENGTH_MAX - 1] = '\0';
    return nullptr;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, aData, aSize);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  if (static_cast<unsigned long>(info.image_width) * info.image_height > MaxLogoPixels) {
    std::snprintf(aError, JMSG_LENGTH_MAX, "imagem de %ux%u pixels, grande demais",
                  info.image_width, info.image_height);
    jpeg_destroy_decompress(&info);
    return nullptr;
  }
  jpeg_start_decompress(&info);
  surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(info.output_width),
                                       static_cast<int>(info.output_height));
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    std::snprintf(aError, JMSG_LENGTH_MAX, "%s",
                  cairo_status_to_string(cairo_surface_status(surface)));
    cairo_surface_destroy(surface);
    jpeg_destroy_decompress(&info);
    return nullptr;
  }
  const int stride = cairo_image_surface_get_stride(surface);
  unsigned char* pixels = cairo_image_surface_get_data(surface);
  JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                             info.output_width * 3, 1);
  cairo_surface_flush(surface);
  while (info.output_scanline < info.output_height) {
    const unsigned int y = info.output_scanline;
    jpeg_read_scanlines(&info, row, 1);
    auto* out = reinterpret_cast<uint32_t*>(pixels + static_cast<std::ptrdiff_t>(y) * stride);
    for (unsigned int x = 0; x < info.output_width; ++x) {
      const unsigned char* p = row[0] + x * 3;
      out[x] = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | uint32_t{p[2]};
    }
  }
  cairo_surface_mark_dirty(surface);
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return surface;
}

}  // namespace

TSurfacePtr DecodeJpeg(const std::string& aBytes, std::string& aError) {
  char message[JMSG_LENGTH_MAX] = {};
  TSurfacePtr surface(Decode(reinterpret_cast<const unsigned char*>(aBytes.data()),
                             static_cast<unsigned long>(aBytes.size()), message));
  if (!surface) aError = message;
  return surface;
}

}  // namespace xnd::govx::report
