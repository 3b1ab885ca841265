#include "picture/formats/format.h"

namespace picture {

std::span<const Adapter* const> adapters() {
  static const Adapter* const table[] = {&kJpegAdapter, &kPngAdapter,  &kGifAdapter, &kBmpAdapter,
                                         &kTiffAdapter, &kWebpAdapter, &kPnmAdapter};
  return table;
}

const Adapter& adapterOf(Format format) {
  for (const Adapter* adapter : adapters()) {
    if (adapter->format == format) return *adapter;
  }
  return *adapters().front();
}

}  // namespace picture
