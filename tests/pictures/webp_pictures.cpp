#include "tests/pictures/webp_pictures.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <memory>
#include <stdexcept>

namespace picture::samples {
namespace {

void mustWork(bool done) {
  if (!done) throw std::runtime_error("libwebp could not write the picture");
}

using Encoded = std::unique_ptr<std::uint8_t, void (*)(void*)>;

Encoded encoded(const RgbaPicture& picture, bool lossless, std::size_t& size) {
  std::uint8_t* data = nullptr;
  int stride = picture.width * 4;
  size = lossless ? WebPEncodeLosslessRGBA(picture.rgba.data(), picture.width, picture.height,
                                           stride, &data)
                  : WebPEncodeRGBA(picture.rgba.data(), picture.width, picture.height, stride, 90,
                                   &data);
  mustWork(size > 0);
  return Encoded(data, WebPFree);
}

}  // namespace

Bytes encodeWebp(const RgbaPicture& picture, bool lossless) {
  std::size_t size = 0;
  Encoded data = encoded(picture, lossless, size);
  return Bytes(data.get(), data.get() + size);
}

Bytes encodeAnimatedWebp(Size canvas, const std::vector<WebpFrame>& frames) {
  std::unique_ptr<WebPMux, void (*)(WebPMux*)> mux(WebPMuxNew(), WebPMuxDelete);
  mustWork(mux != nullptr);
  for (const WebpFrame& frame : frames) {
    std::size_t size = 0;
    Encoded data = encoded(frame.picture, frame.lossless, size);
    WebPMuxFrameInfo info{};
    info.bitstream = {data.get(), size};
    info.x_offset = frame.left;
    info.y_offset = frame.top;
    info.duration = 100;
    info.id = WEBP_CHUNK_ANMF;
    info.dispose_method = WEBP_MUX_DISPOSE_NONE;
    info.blend_method = WEBP_MUX_NO_BLEND;
    mustWork(WebPMuxPushFrame(mux.get(), &info, 1) == WEBP_MUX_OK);
  }
  WebPMuxAnimParams params{0, 0};  // a transparent background, looped for ever
  mustWork(WebPMuxSetAnimationParams(mux.get(), &params) == WEBP_MUX_OK);
  mustWork(WebPMuxSetCanvasSize(mux.get(), canvas.width, canvas.height) == WEBP_MUX_OK);
  WebPData assembled{nullptr, 0};
  mustWork(WebPMuxAssemble(mux.get(), &assembled) == WEBP_MUX_OK);
  Bytes out(assembled.bytes, assembled.bytes + assembled.size);
  WebPDataClear(&assembled);
  return out;
}

}  // namespace picture::samples
