// The text block that opens a container's decompressed stream:
//
//   0x80  u32 length  u32 count  string area    the message catalogue
//   0x02  u32 length  u32 4      string area    label, message to the user,
//                                               technical data, PasswordField
//   0xFF                                        the image marker; the image
//                                               bytes follow
//
// `length` is 4 + the size of the string area, which holds `count`
// NUL-terminated code page 437 strings back to back. The restorer receives
// the stream in 32 KiB windows and reads each record header (type, length,
// count) from a single window, so no header may straddle a window boundary;
// string areas and the image may.
#ifndef ZOLT_PACK_TEXT_BLOCK_H
#define ZOLT_PACK_TEXT_BLOCK_H

#include <cstdint>
#include <string>

constexpr uint32_t kStreamWindow = 32768;
constexpr uint32_t kRecordHeaderLength = 9;

// Makes the text block from the catalogue's string area (`catalogueCount`
// texts) and the four free texts. False when a record header would straddle
// a window.
bool MakeTextBlock(const std::string& catalogueArea, uint32_t catalogueCount,
                   const std::string freeTexts[4], std::string* block, std::string* error);

#endif
