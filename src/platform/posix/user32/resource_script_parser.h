// The parser of the resource script subset, shared by its two passes:
// the preprocessor and tokenizer (resource_script_preprocess.cpp) and the
// statements (resource_script.cpp). Internal to those two files.
#ifndef ZOLT_PLATFORM_POSIX_RESOURCE_SCRIPT_PARSER_H
#define ZOLT_PLATFORM_POSIX_RESOURCE_SCRIPT_PARSER_H

#include <map>
#include <set>
#include <string>
#include <vector>

namespace resource_script {

enum TokenKind { kName, kNumber, kString, kPunctuation };

struct Token {
  TokenKind kind;
  std::string text;  // the name, the string's bytes, or the punctuation
  long number;
  int line;
};

// Parse state shared by both passes. The first error ends the parse.
struct Parser {
  std::vector<Token> tokens;
  size_t next = 0;
  std::map<std::string, long> defines;  // #define NAME VALUE
  std::set<std::string> flags;          // #define NAME (no value)
  std::string error;
  int errorLine = 0;

  bool Fail(int line, const std::string& what) {
    if (error.empty()) {
      error = what;
      errorLine = line;
    }
    return false;
  }
  bool Defined(const std::string& name) const {
    return defines.count(name) != 0 || flags.count(name) != 0;
  }
};

// First pass: handles the preprocessor lines and cuts the rest into
// `parser->tokens`.
bool Preprocess(Parser* parser, const char* text);

// term ('|' ['NOT'] term)*, starting from `base`: "|" adds the bits of a
// term, "NOT" takes them away, as the resource compiler reads style lists.
bool ParseExpression(Parser* parser, long base, long* value);

}  // namespace resource_script

#endif
