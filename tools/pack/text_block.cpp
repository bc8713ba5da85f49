// Making the text block.
#include "pack/text_block.h"

#include "container/container_header.h"
#include "container/le_bytes.h"

namespace {

void AppendRecord(std::string* block, uint8_t type, const std::string& area, uint32_t count) {
  uint8_t head[kRecordHeaderLength];
  head[0] = type;
  PutU32(head + 1, uint32_t(area.size() + 4));
  PutU32(head + 5, count);
  block->append(reinterpret_cast<const char*>(head), sizeof head);
  *block += area;
}

}  // namespace

bool MakeTextBlock(const std::string& catalogueArea, uint32_t catalogueCount,
                   const std::string freeTexts[4], std::string* block, std::string* error) {
  std::string freeArea;
  for (int i = 0; i < 4; ++i) {
    freeArea += freeTexts[i];
    freeArea.push_back('\0');
  }
  if (catalogueArea.size() > 0x7FFFFFFF || freeArea.size() > 0x7FFFFFFF) {
    *error = "the text block is too large";
    return false;
  }
  block->clear();
  // The catalogue's header opens the stream; the free-text header follows
  // its string area.
  AppendRecord(block, kCatalogueRecordType, catalogueArea, catalogueCount);
  const size_t freeAt = block->size();
  if (freeAt % kStreamWindow + kRecordHeaderLength > kStreamWindow) {
    *error = "the free-text record header would straddle a 32768-byte window of the stream (at offset " +
             std::to_string(freeAt) + "); the restorer could not read it";
    return false;
  }
  AppendRecord(block, kFreeTextRecordType, freeArea, uint32_t(kFreeTextCount));
  block->push_back(char(kImageMarker));
  return true;
}
