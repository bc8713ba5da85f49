// The first pass of the resource script parser: comments, the
// preprocessor lines (#define, #undef, #ifdef, #ifndef, #else, #endif and
// the platform's #include, whose names LookUpResourceName knows), and the
// tokens of the remaining lines.
#include <cctype>
#include <cstdlib>

#include "user32/resource_script_parser.h"

namespace resource_script {
namespace {

// Blanks out // and /* */ comments, keeping line breaks and strings.
std::string WithoutComments(const char* text) {
  std::string out;
  bool inString = false;
  for (const char* p = text; *p != '\0'; ++p) {
    if (inString) {
      out += *p;
      if (*p == '"') inString = false;
      if (*p == '\n') inString = false;  // an unterminated string; the tokenizer says so
      continue;
    }
    if (p[0] == '/' && p[1] == '/') {
      while (p[1] != '\0' && p[1] != '\n') ++p;
      out += ' ';
      continue;
    }
    if (p[0] == '/' && p[1] == '*') {
      p += 2;
      while (*p != '\0' && !(p[0] == '*' && p[1] == '/')) {
        out += *p == '\n' ? '\n' : ' ';
        ++p;
      }
      if (*p == '\0') break;
      ++p;
      out += ' ';
      continue;
    }
    if (*p == '"') inString = true;
    out += *p;
  }
  return out;
}

bool IsNameStart(char c) { return isalpha((unsigned char)c) || c == '_'; }
bool IsNameChar(char c) { return isalnum((unsigned char)c) || c == '_'; }

// Cuts one line into tokens, appended to `out`.
bool Tokenize(Parser* parser, const std::string& line, int lineNumber, std::vector<Token>* out) {
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (isspace((unsigned char)c)) {
      ++i;
    } else if (IsNameStart(c)) {
      size_t start = i;
      while (i < line.size() && IsNameChar(line[i])) ++i;
      out->push_back({kName, line.substr(start, i - start), 0, lineNumber});
    } else if (isdigit((unsigned char)c)) {
      const char* start = line.c_str() + i;
      char* parsed = nullptr;
      unsigned long value = strtoul(start, &parsed, 0);
      const char* end = parsed;
      while (*end == 'L' || *end == 'l' || *end == 'U' || *end == 'u') ++end;
      if (IsNameChar(*end)) return parser->Fail(lineNumber, "bad number \"" + std::string(start, end + 1) + "\"");
      out->push_back({kNumber, std::string(start, end), long(value), lineNumber});
      i += size_t(end - start);
    } else if (c == '"') {
      std::string bytes;
      ++i;
      for (;;) {
        if (i >= line.size()) return parser->Fail(lineNumber, "unterminated string");
        if (line[i] == '"') {
          if (i + 1 < line.size() && line[i + 1] == '"') {  // "" is one quote
            bytes += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        if (line[i] == '\\') return parser->Fail(lineNumber, "backslash escapes in strings are not supported");
        bytes += line[i++];
      }
      out->push_back({kString, bytes, 0, lineNumber});
    } else if (c == ',' || c == '|' || c == '-' || c == '(' || c == ')' || c == '{' || c == '}') {
      out->push_back({kPunctuation, std::string(1, c), 0, lineNumber});
      ++i;
    } else {
      return parser->Fail(lineNumber, std::string("unexpected character '") + c + "'");
    }
  }
  return true;
}

// The value of a #define: an expression of numbers and names defined so far.
long EvaluateDirectiveValue(Parser* parser, const std::vector<Token>& tokens, int line, bool* ok) {
  Parser inner;
  inner.tokens = tokens;
  inner.defines = parser->defines;
  long value = 0;
  *ok = ParseExpression(&inner, 0, &value) && inner.next == tokens.size();
  if (!*ok) parser->Fail(line, inner.error.empty() ? "bad #define value" : inner.error);
  return value;
}

// One preprocessor line. `active` tells whether the enclosing conditionals
// let it take effect; `conditions` is their stack.
bool Directive(Parser* parser, const std::string& line, int lineNumber, std::vector<bool>* conditions) {
  bool active = true;
  for (bool c : *conditions) active = active && c;
  size_t i = line.find('#') + 1;
  while (i < line.size() && isspace((unsigned char)line[i])) ++i;
  size_t start = i;
  while (i < line.size() && IsNameChar(line[i])) ++i;
  std::string word = line.substr(start, i - start);
  std::vector<Token> rest;
  if (word == "ifdef" || word == "ifndef") {
    if (!Tokenize(parser, line.substr(i), lineNumber, &rest)) return false;
    if (rest.size() != 1 || rest[0].kind != kName) return parser->Fail(lineNumber, "#" + word + " needs one name");
    bool defined = parser->Defined(rest[0].text);
    conditions->push_back(word == "ifdef" ? defined : !defined);
    return true;
  }
  if (word == "else" || word == "endif") {
    if (conditions->empty()) return parser->Fail(lineNumber, "#" + word + " without #ifdef or #ifndef");
    if (word == "else")
      conditions->back() = !conditions->back();
    else
      conditions->pop_back();
    return true;
  }
  if (word == "if" || word == "elif") return parser->Fail(lineNumber, "#" + word + " is not supported");
  if (!active) return true;
  if (word == "include") {
    // The platform's headers: their names are known through
    // LookUpResourceName. Our own header is inlined by the build.
    size_t open = line.find_first_not_of(" \t", i);
    if (open != std::string::npos && line[open] == '<') return true;
    return parser->Fail(lineNumber, "#include of a file of the project (the build inlines resource.h)");
  }
  if (!Tokenize(parser, line.substr(i), lineNumber, &rest)) return false;
  if (word == "define" || word == "undef") {
    if (rest.empty() || rest[0].kind != kName) return parser->Fail(lineNumber, "#" + word + " needs a name");
    std::string name = rest[0].text;
    parser->defines.erase(name);
    parser->flags.erase(name);
    if (word == "undef") return rest.size() == 1 || parser->Fail(lineNumber, "#undef takes one name");
    if (rest.size() == 1) {
      parser->flags.insert(name);
      return true;
    }
    bool ok = true;
    long value = EvaluateDirectiveValue(parser, std::vector<Token>(rest.begin() + 1, rest.end()), lineNumber, &ok);
    if (!ok) return false;
    parser->defines[name] = value;
    return true;
  }
  return parser->Fail(lineNumber, "#" + word + " is not supported");
}

}  // namespace

bool Preprocess(Parser* parser, const char* text) {
  std::string source = WithoutComments(text);
  std::vector<bool> conditions;
  size_t lineStart = 0;
  int lineNumber = 0;
  while (lineStart <= source.size()) {
    size_t lineEnd = source.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = source.size();
    std::string line = source.substr(lineStart, lineEnd - lineStart);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++lineNumber;
    size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos && line[first] == '#') {
      if (!Directive(parser, line, lineNumber, &conditions)) return false;
    } else {
      bool active = true;
      for (bool c : conditions) active = active && c;
      if (active && !Tokenize(parser, line, lineNumber, &parser->tokens)) return false;
    }
    lineStart = lineEnd + 1;
  }
  if (!conditions.empty()) return parser->Fail(lineNumber, "#ifdef or #ifndef without #endif");
  return true;
}

}  // namespace resource_script
