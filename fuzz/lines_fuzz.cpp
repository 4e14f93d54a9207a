// ReadLine over a file's bytes until the end: every line comes out as the
// bytes between line feeds or zero bytes with the carriage returns dropped,
// each read moves on, and a file and the same bytes in memory give the same lines.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/system/stream.h"
#include "fuzz/fuzz_common.h"

namespace {

std::vector<std::u16string> AllLines(const std::shared_ptr<TStream>& stream) {
  std::vector<std::u16string> lines;
  while (!Eof(stream)) {
    const int64_t before = stream->Pos();
    lines.push_back(ReadLine(stream));
    FUZZ_CHECK(stream->Pos() > before);
  }
  return lines;
}

// The lines as the bytes describe them.
std::vector<std::u16string> Expected(const uint8_t* data, size_t size) {
  std::vector<std::u16string> lines;
  std::u16string line;
  bool open = false;
  for (size_t i = 0; i < size; ++i) {
    const uint8_t c = data[i];
    if (c == 10 || c == 0) {
      lines.push_back(line);
      line.clear();
      open = false;
      continue;
    }
    open = true;
    if (c != 13) line.push_back(c);
  }
  if (open) lines.push_back(line);
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = fuzz::PrivateFolder() + "/lines.txt";
  fuzz::WriteWholeFile(path, data, size);

  std::shared_ptr<TStream> file = OpenReader(TUrl{path});
  FUZZ_CHECK(file);
  const auto fromFile = AllLines(file);
  CloseFileStream(file);

  auto memory = std::make_shared<TMemoryStream>(std::string(reinterpret_cast<const char*>(data), size));
  const auto fromMemory = AllLines(memory);

  FUZZ_CHECK(fromFile == Expected(data, size));
  FUZZ_CHECK(fromMemory == fromFile);
  return 0;
}
