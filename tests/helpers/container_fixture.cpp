// Composing containers for end-to-end tests.
#include "helpers/container_fixture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "helpers/test_files.h"
#include "pack/default_catalogue.h"
#include "pack/formats.h"
#include "pack/password.h"

namespace {

void PutU32(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(uint8_t(v >> (8 * i)));
}

void PutRecord(std::vector<uint8_t>* out, uint8_t type, uint32_t count, const std::string& area) {
  out->push_back(type);
  PutU32(out, uint32_t(area.size()) + 4);
  PutU32(out, count);
  out->insert(out->end(), area.begin(), area.end());
}

std::vector<uint8_t> RawDeflate(const std::vector<uint8_t>& data) {
  z_stream s{};
  deflateInit2(&s, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::vector<uint8_t> out(deflateBound(&s, data.size()) + 64);
  s.next_in = const_cast<uint8_t*>(data.data());
  s.avail_in = uInt(data.size());
  s.next_out = out.data();
  s.avail_out = uInt(out.size());
  deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

// The program and the container's first byte (c's format), from which the
// restorer derives a password's table; null when it cannot be made.
FILE* TableSource(const std::vector<uint8_t>& program, const ComposedContainer& c) {
  FILE* source = tmpfile();
  if (source == nullptr) return nullptr;
  fwrite(program.data(), 1, program.size(), source);
  fputc(reinterpret_cast<const uint8_t*>(&c.format)[0], source);
  fflush(source);
  return source;
}

// The password field and store table of `password` for the program in
// `source`. False when the password cannot protect a container behind it.
bool PasswordFor(FILE* source, uint32_t programBytes, const std::string& password, std::string* field,
                 uint8_t storeTable[256]) {
  std::string upper, error;
  return CheckPasswordText(password, &upper, &error) &&
         MakePasswordField(source, programBytes, upper, field, storeTable, &error);
}

}  // namespace

bool ChooseUsablePassword(const std::string& stub, ComposedContainer* c) {
  std::vector<uint8_t> program;
  if (!ReadWholeFile(stub, &program)) {
    ADD_FAILURE() << "cannot read " << stub;
    return false;
  }
  // The scan over a program that cannot finish takes a while: the answer
  // is kept for the program and the container's first byte.
  static std::map<std::pair<std::string, uint8_t>, std::string> chosen;
  const std::pair<std::string, uint8_t> key(stub, reinterpret_cast<const uint8_t*>(&c->format)[0]);
  auto known = chosen.find(key);
  if (known != chosen.end()) {
    c->password = known->second;
    return true;
  }
  // Words first; then, as the table's scan starts at 512 plus the sum of
  // the password's characters, passwords whose sums step through all that
  // a password can have (the sums that work come in runs of some dozens at
  // least): '~'s and one or two characters that make up the rest (no lower
  // case, which would count as upper case).
  std::vector<std::string> candidates = {"secret", "abc", "sesame", "key", "zz", "pass", "open", "qwerty"};
  for (int sum = 33; sum <= 12 * 126; sum += 8) {
    const int tildes = (sum - 1) / 126;
    int first = sum - 126 * tildes;
    std::string password(size_t(tildes), '~');
    if (first < 33) {
      if (tildes == 0) continue;
      password.pop_back();
      password += char(33);
      first += 126 - 33;
    }
    if (first >= 'a' && first <= 'z') continue;
    password += char(first);
    candidates.push_back(password);
  }
  FILE* source = TableSource(program, *c);
  for (size_t k = 0; source != nullptr && k < candidates.size(); ++k) {
    std::string field;
    uint8_t table[256];
    if (PasswordFor(source, uint32_t(program.size()), candidates[k], &field, table)) {
      fclose(source);
      c->password = chosen[key] = candidates[k];
      return true;
    }
  }
  if (source != nullptr) fclose(source);
  c->password.clear();
  ADD_FAILURE() << "no password can protect a container behind " << stub;
  return false;
}

ComposedContainer DefaultComposition(const std::vector<uint8_t>& image) {
  ComposedContainer c;
  c.format = FindStandardFormat("1.44m")->record;
  c.catalogueArea = DefaultCatalogueArea();
  c.catalogueCount = kDefaultCatalogueCount;
  c.image = image;
  return c;
}

bool WriteComposedContainer(const std::string& stub, const ComposedContainer& c,
                            const std::string& path) {
  std::vector<uint8_t> program;
  if (!ReadWholeFile(stub, &program)) {
    ADD_FAILURE() << "cannot read " << stub;
    return false;
  }
  std::string freeTexts[4] = {c.freeTexts[0], c.freeTexts[1], c.freeTexts[2], c.freeTexts[3]};
  uint8_t storeTable[256];
  for (int x = 0; x < 256; ++x) storeTable[x] = uint8_t(x);
  if (!c.password.empty()) {
    FILE* source = TableSource(program, c);
    const bool made = source != nullptr && PasswordFor(source, uint32_t(program.size()), c.password,
                                                       &freeTexts[3], storeTable);
    if (source != nullptr) fclose(source);
    if (!made) {
      ADD_FAILURE() << "the password " << c.password << " cannot protect a container behind " << stub;
      return false;
    }
  }
  std::string freeArea;
  for (const std::string& text : freeTexts) freeArea += text + '\0';
  std::vector<uint8_t> stream;
  PutRecord(&stream, c.recordTypes[0], c.catalogueCount, c.catalogueArea);
  PutRecord(&stream, c.recordTypes[1], 4, freeArea);
  stream.push_back(c.recordTypes[2]);
  for (uint8_t x : c.image) stream.push_back(storeTable[x]);
  stream.insert(stream.end(), c.bytesBeyondImage, uint8_t(0xE5));

  std::vector<uint8_t> deflated = RawDeflate(stream);
  if (c.keepStreamBytes < deflated.size()) deflated.resize(size_t(c.keepStreamBytes));
  const uint32_t crc = uint32_t(crc32(0, c.image.data(), uInt(c.image.size())));

  std::vector<uint8_t> file = program;
  const uint8_t* format = reinterpret_cast<const uint8_t*>(&c.format);
  file.insert(file.end(), format, format + sizeof c.format);
  file.push_back(0);     // pad
  file.push_back(0xAA);  // magic
  file.push_back(0x55);
  PutU32(&file, uint32_t(deflated.size()));
  file.push_back(0x85);
  PutU32(&file, 4);
  PutU32(&file, crc ^ c.crcChange);
  file.insert(file.end(), deflated.begin(), deflated.end());
  file.push_back(0x82);
  PutU32(&file, 4);
  PutU32(&file, crc);
  file.push_back(0x81);
  PutU32(&file, 37);
  const uint8_t info[6] = {0x00, 0x7C, 0x00, 0x00, 0xB6, 0x01};
  file.insert(file.end(), info, info + 6);
  const char signature[31] = "ZOLT-SELFRESTORE-IMAGE-TRAILER";
  file.insert(file.end(), signature, signature + 31);
  if (!WriteWholeFile(path, file) || chmod(path.c_str(), 0755) != 0) {
    ADD_FAILURE() << "cannot write " << path;
    return false;
  }
  return true;
}

std::vector<uint8_t> PatternImage(size_t bytes, unsigned seed) {
  std::vector<uint8_t> image(bytes, 0);
  std::mt19937 rng(seed);
  for (size_t i = 0; i < bytes; ++i) {
    const size_t block = i / 4096 % 4;
    if (block == 0) image[i] = uint8_t(rng());
    else if (block == 1) image[i] = uint8_t("line of text\r\n"[i % 14]);
    else if (block == 2) image[i] = uint8_t(i / 512);
  }
  return image;
}
