#include <exception>

#include "engine/graphics/pixmap.h"
#include "engine/system/chain.h"

namespace {

TPixmapLoader* loaderHead = nullptr;
bool builtinsMade = false;

// The built-in loaders are made before any other, in this order, so that the
// chain is tried TGA, PNG, JPEG, BMP. Function-local statics keep the order
// independent of how the linker orders static initialisers.
void MakeBuiltinLoaders() {
  if (builtinsMade) return;
  builtinsMade = true;
  static TPixmapLoaderBMP bmp;
  static TPixmapLoaderJPG jpg;
  static TPixmapLoaderPNG png;
  static TPixmapLoaderTGA tga;
}

// Closes the stream on every way out of LoadPixmap.
struct StreamCloser {
  std::shared_ptr<TStream>& stream;
  ~StreamCloser() {
    try {
      stream->Close();
    } catch (...) {
    }
  }
};

}  // namespace

TPixmapLoader::TPixmapLoader() {
  MakeBuiltinLoaders();
  LinkAtHead(loaderHead, this);
}

TPixmapLoader::~TPixmapLoader() {
  Unlink(loaderHead, this);
}

TPixmapLoader* PixmapLoaders() {
  MakeBuiltinLoaders();
  return loaderHead;
}

std::shared_ptr<TPixmap> LoadPixmap(const TUrl& source) {
  std::shared_ptr<TStream> stream;
  try {
    stream = OpenReader(source);
  } catch (const std::exception&) {
    return nullptr;
  }
  if (!stream) return nullptr;
  StreamCloser closer{stream};
  const int64_t start = stream->Pos();
  if (start < 0) return nullptr;
  for (TPixmapLoader* loader = PixmapLoaders(); loader; loader = loader->_succ) {
    try {
      if (stream->Seek(start) != start) return nullptr;
      if (auto pixmap = loader->LoadPixmap(stream)) return pixmap;
    } catch (const TStreamException&) {
      // A stream error fails this loader only; the next starts afresh.
    }
  }
  return nullptr;
}
