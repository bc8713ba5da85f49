// The statements of the resource script subset (see resource_script.h):
// ICON resources and DIALOG/DIALOGEX blocks with their controls, read from
// the tokens of the first pass (resource_script_preprocess.cpp). Line
// breaks mean nothing to them, as for the resource compiler.
#include "user32/resource_script.h"

#include <cctype>

#include "user32/resource_script_parser.h"

namespace resource_script {
namespace {

const Token* Peek(Parser* parser) {
  return parser->next < parser->tokens.size() ? &parser->tokens[parser->next] : nullptr;
}

int CurrentLine(Parser* parser) {
  if (parser->next < parser->tokens.size()) return parser->tokens[parser->next].line;
  return parser->tokens.empty() ? 0 : parser->tokens.back().line;
}

bool IsPunctuation(const Token* token, char c) {
  return token != nullptr && token->kind == kPunctuation && token->text[0] == c;
}

bool IsWord(const Token* token, const char* word) {
  return token != nullptr && token->kind == kName && token->text == word;
}

bool Expect(Parser* parser, char c) {
  if (IsPunctuation(Peek(parser), c)) {
    parser->next++;
    return true;
  }
  return parser->Fail(CurrentLine(parser), std::string("'") + c + "' expected");
}

bool ParseTerm(Parser* parser, long* value);

}  // namespace

bool ParseExpression(Parser* parser, long base, long* value) {
  long result = base;
  for (;;) {
    bool remove = false;
    if (IsWord(Peek(parser), "NOT")) {
      remove = true;
      parser->next++;
    }
    long term = 0;
    if (!ParseTerm(parser, &term)) return false;
    result = remove ? (result & ~term) : (result | term);
    if (!IsPunctuation(Peek(parser), '|')) break;
    parser->next++;
  }
  *value = result;
  return true;
}

namespace {

bool ParseTerm(Parser* parser, long* value) {
  const Token* token = Peek(parser);
  if (token == nullptr) return parser->Fail(CurrentLine(parser), "unexpected end of the script");
  parser->next++;
  if (token->kind == kNumber) {
    *value = token->number;
    return true;
  }
  if (IsPunctuation(token, '-')) {
    if (!ParseTerm(parser, value)) return false;
    *value = -*value;
    return true;
  }
  if (IsPunctuation(token, '(')) {
    if (!ParseExpression(parser, 0, value)) return false;
    return Expect(parser, ')');
  }
  if (token->kind == kName) {
    auto found = parser->defines.find(token->text);
    if (found != parser->defines.end()) {
      *value = found->second;
      return true;
    }
    if (LookUpResourceName(token->text, value)) return true;
    return parser->Fail(token->line, "unknown name " + token->text);
  }
  return parser->Fail(token->line, "a number or a name expected, not \"" + token->text + "\"");
}

// A comma followed by an expression, when a comma comes next.
bool OptionalValue(Parser* parser, long base, long* value, bool* present) {
  *present = IsPunctuation(Peek(parser), ',');
  if (!*present) return true;
  parser->next++;
  return ParseExpression(parser, base, value);
}

bool ParseString(Parser* parser, std::string* text) {
  const Token* token = Peek(parser);
  if (token == nullptr || token->kind != kString) return parser->Fail(CurrentLine(parser), "a string expected");
  *text = token->text;
  parser->next++;
  return true;
}

// n comma-separated expressions; the first one without a leading comma
// unless `leadingComma`.
bool ParseValues(Parser* parser, bool leadingComma, int count, long* values) {
  for (int i = 0; i < count; ++i) {
    if ((i > 0 || leadingComma) && !Expect(parser, ',')) return false;
    if (!ParseExpression(parser, 0, &values[i])) return false;
  }
  return true;
}

bool ClassFromName(const std::string& name, ControlClass* controlClass) {
  static const struct {
    const char* name;
    ControlClass controlClass;
  } kClasses[] = {{"button", kClassButton},   {"edit", kClassEdit},         {"static", kClassStatic},
                  {"listbox", kClassListBox}, {"combobox", kClassComboBox}};
  std::string lower;
  for (char c : name) lower += char(tolower((unsigned char)c));
  for (const auto& entry : kClasses) {
    if (lower == entry.name) {
      *controlClass = entry.controlClass;
      return true;
    }
  }
  return false;
}

// The control statements other than CONTROL: the class, whether a caption
// comes first, and the styles windres gives without a style (defaultStyle)
// and adds to a given one (baseStyle).
struct ControlStatement {
  const char* keyword;
  ControlClass controlClass;
  bool hasText;
  long defaultStyle;
  long baseStyle;
};

const ControlStatement kControlStatements[] = {
    {"LTEXT", kClassStatic, true, SS_LEFT | WS_GROUP, SS_LEFT},
    {"PUSHBUTTON", kClassButton, true, BS_PUSHBUTTON | WS_TABSTOP, BS_PUSHBUTTON | WS_TABSTOP},
    {"DEFPUSHBUTTON", kClassButton, true, BS_DEFPUSHBUTTON | WS_TABSTOP, BS_DEFPUSHBUTTON | WS_TABSTOP},
    {"EDITTEXT", kClassEdit, false, ES_LEFT | WS_BORDER | WS_TABSTOP, ES_LEFT | WS_BORDER | WS_TABSTOP},
    {"COMBOBOX", kClassComboBox, false, CBS_SIMPLE | WS_TABSTOP, 0},
    {"LISTBOX", kClassListBox, false, LBS_NOTIFY | WS_BORDER, LBS_NOTIFY | WS_BORDER},
};

// A control's caption: a string, or an icon given by number or name.
bool ParseCaption(Parser* parser, ControlTemplate* control) {
  const Token* token = Peek(parser);
  if (token != nullptr && token->kind == kString) return ParseString(parser, &control->text);
  long icon = 0;
  if (!ParseExpression(parser, 0, &icon)) return false;
  control->iconId = int(icon);
  return true;
}

bool ParseControl(Parser* parser, ControlTemplate* control) {
  const Token* keyword = Peek(parser);
  int line = CurrentLine(parser);
  if (keyword == nullptr || keyword->kind != kName) return parser->Fail(line, "a control statement expected");
  std::string word = keyword->text;
  parser->next++;
  *control = ControlTemplate{};
  long values[5] = {};
  long style = 0, exStyle = 0;
  bool present = false;

  if (word == "CONTROL") {
    std::string className;
    if (!ParseCaption(parser, control) || !Expect(parser, ',') || !ParseValues(parser, false, 1, values) ||
        !Expect(parser, ',') || !ParseString(parser, &className))
      return false;
    if (!ClassFromName(className, &control->controlClass))
      return parser->Fail(line, "control class \"" + className + "\" is not supported");
    if (!Expect(parser, ',') || !ParseExpression(parser, 0, &style) || !ParseValues(parser, true, 4, values + 1) ||
        !OptionalValue(parser, 0, &exStyle, &present))
      return false;
  } else if (word == "ICON") {
    // windres keeps neither the width nor the height of an ICON statement:
    // the static takes the size of its icon.
    control->controlClass = kClassStatic;
    if (!ParseCaption(parser, control) || !ParseValues(parser, true, 3, values)) return false;
    long ignored = 0;
    bool more = false;
    if (!OptionalValue(parser, 0, &ignored, &more)) return false;
    if (more && (!Expect(parser, ',') || !ParseExpression(parser, 0, &ignored))) return false;
    style = SS_ICON;
    if (more && !OptionalValue(parser, SS_ICON, &style, &present)) return false;
    if (present && !OptionalValue(parser, 0, &exStyle, &present)) return false;
    values[3] = values[4] = 0;
  } else {
    const ControlStatement* statement = nullptr;
    for (const auto& s : kControlStatements)
      if (word == s.keyword) statement = &s;
    if (statement == nullptr) return parser->Fail(line, "statement " + word + " is not supported");
    control->controlClass = statement->controlClass;
    if (statement->hasText && (!ParseString(parser, &control->text) || !Expect(parser, ','))) return false;
    if (!ParseValues(parser, false, 5, values)) return false;
    style = statement->defaultStyle;
    if (!OptionalValue(parser, statement->baseStyle, &style, &present)) return false;
    if (present && !OptionalValue(parser, 0, &exStyle, &present)) return false;
  }
  if (IsPunctuation(Peek(parser), ',')) return parser->Fail(CurrentLine(parser), "too many values for " + word);
  control->id = int(values[0]);
  control->style = DWORD(style) | WS_CHILD | WS_VISIBLE;
  control->exStyle = DWORD(exStyle);
  control->x = int(values[1]);
  control->y = int(values[2]);
  control->cx = int(values[3]);
  control->cy = int(values[4]);
  if (control->iconId != 0 && (control->controlClass != kClassStatic || (control->style & 0x1F) != SS_ICON))
    return parser->Fail(line, "an icon caption on a control that is not an SS_ICON static");
  return true;
}

bool ParseDialog(Parser* parser, int id, bool extended, DialogTemplate* dialog) {
  *dialog = DialogTemplate{};
  dialog->id = id;
  dialog->extended = extended;
  dialog->style = WS_POPUP | WS_BORDER | WS_SYSMENU;  // windres's default without STYLE
  long values[4];
  if (!ParseValues(parser, false, 4, values)) return false;
  dialog->x = int(values[0]);
  dialog->y = int(values[1]);
  dialog->cx = int(values[2]);
  dialog->cy = int(values[3]);
  long helpId = 0;
  bool present = false;
  if (extended && !OptionalValue(parser, 0, &helpId, &present)) return false;

  bool caption = false, font = false;
  for (;;) {
    const Token* token = Peek(parser);
    int line = CurrentLine(parser);
    if (IsWord(token, "BEGIN") || IsPunctuation(token, '{')) {
      parser->next++;
      break;
    }
    if (token == nullptr || token->kind != kName) return parser->Fail(line, "BEGIN expected");
    std::string word = token->text;
    parser->next++;
    long value = 0;
    if (word == "STYLE") {
      if (!ParseExpression(parser, 0, &value)) return false;
      dialog->style = DWORD(value);
    } else if (word == "EXSTYLE") {
      if (!ParseExpression(parser, 0, &value)) return false;
      dialog->exStyle = DWORD(value);
    } else if (word == "CAPTION") {
      if (!ParseString(parser, &dialog->caption)) return false;
      caption = true;
    } else if (word == "FONT") {
      if (!ParseExpression(parser, 0, &value) || !Expect(parser, ',') || !ParseString(parser, &dialog->fontName))
        return false;
      dialog->fontSize = int(value);
      font = true;
      // DIALOGEX: weight, italic and character set may follow; the
      // stand-in draws no text and keeps none of them.
      bool more = extended;
      for (int i = 0; i < 3 && more; ++i) {
        long ignored = 0;
        if (!OptionalValue(parser, 0, &ignored, &more)) return false;
      }
    } else {
      return parser->Fail(line, "dialog statement " + word + " is not supported");
    }
  }
  if (caption) dialog->style |= WS_CAPTION;
  if (font) dialog->style |= DS_SETFONT;

  for (;;) {
    const Token* token = Peek(parser);
    if (IsWord(token, "END") || IsPunctuation(token, '}')) {
      parser->next++;
      return true;
    }
    if (token == nullptr) return parser->Fail(CurrentLine(parser), "END expected");
    ControlTemplate control;
    if (!ParseControl(parser, &control)) return false;
    // A classic template holds control ids in 16 bits.
    if (!extended) control.id &= 0xFFFF;
    dialog->controls.push_back(control);
  }
}

bool ParseStatements(Parser* parser, ResourceScript* script) {
  while (Peek(parser) != nullptr) {
    int line = CurrentLine(parser);
    long id = 0;
    if (!ParseTerm(parser, &id)) return false;
    const Token* kind = Peek(parser);
    if (kind == nullptr || kind->kind != kName) return parser->Fail(line, "a resource type expected");
    std::string word = kind->text;
    parser->next++;
    if (word == "ICON") {
      IconResource icon{int(id), ""};
      if (!ParseString(parser, &icon.file)) return false;
      for (const IconResource& other : script->icons)
        if (other.id == icon.id) return parser->Fail(line, "icon " + std::to_string(id) + " defined twice");
      script->icons.push_back(icon);
    } else if (word == "DIALOG" || word == "DIALOGEX") {
      DialogTemplate dialog;
      if (!ParseDialog(parser, int(id), word == "DIALOGEX", &dialog)) return false;
      for (const DialogTemplate& other : script->dialogs)
        if (other.id == dialog.id) return parser->Fail(line, "dialog " + std::to_string(id) + " defined twice");
      script->dialogs.push_back(dialog);
    } else {
      return parser->Fail(line, "resource type " + word + " is not supported");
    }
  }
  return true;
}

}  // namespace
}  // namespace resource_script

bool ParseResourceScript(const char* text, ResourceScript* script, std::string* error) {
  using namespace resource_script;
  Parser parser;
  parser.flags.insert("RC_INVOKED");  // as the resource compiler defines it
  *script = ResourceScript{};
  if (Preprocess(&parser, text) && ParseStatements(&parser, script)) return true;
  *error = "line " + std::to_string(parser.errorLine) + ": " + parser.error;
  return false;
}
