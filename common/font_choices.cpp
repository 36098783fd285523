#include "common/font_choices.h"

#include <errno.h>
#include <fontconfig/fontconfig.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace desktop {

namespace {

constexpr char kHeader[] = "vorhel font choices 1";

// The variables that send fontconfig to other configuration.
constexpr const char *kVariables[] = {"FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT"};

struct Choice {
  std::string face_hex;
  FontFace font;
};

struct Record {
  std::string version;
  std::vector<std::string> variables;               // "NAME=value", in kVariables' order
  std::vector<std::pair<std::string, std::string>> stamps; // path, state
  std::vector<Choice> choices;
};

std::string Hex(std::string_view text) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : text) {
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex.empty() ? "-" : hex;
}

std::string CacheFile() {
  const char *cache = getenv("XDG_CACHE_HOME");
  if (cache != nullptr && cache[0] == '/') {
    return std::string(cache) + "/vorhel-colour-picker/font-choices";
  }
  const char *home = getenv("HOME");
  if (home != nullptr && home[0] == '/') {
    return std::string(home) + "/.cache/vorhel-colour-picker/font-choices";
  }
  return "";
}

// A file's or directory's state as far as a change to it matters; "-" when
// it is not there.
std::string StateOf(const std::string &path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    return "-";
  }
  return std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec) + ":" +
         std::to_string(info.st_size);
}

std::vector<std::string> CurrentVariables() {
  std::vector<std::string> variables;
  for (const char *name : kVariables) {
    const char *value = getenv(name);
    variables.push_back(std::string(name) + "=" + (value != nullptr ? value : ""));
  }
  return variables;
}

std::string CurrentVersion() { return std::to_string(FcGetVersion()); }

bool HoldsNewline(const std::string &text) { return text.find('\n') != std::string::npos; }

std::optional<Record> Read(const std::string &file) {
  FILE *in = fopen(file.c_str(), "re");
  if (in == nullptr) {
    return std::nullopt;
  }
  Record record;
  bool whole = false;
  char *line = nullptr;
  size_t capacity = 0;
  ssize_t length;
  int number = 0;
  while ((length = getline(&line, &capacity, in)) > 0) {
    std::string text(line, static_cast<size_t>(length));
    if (text.back() != '\n') {
      break; // cut short
    }
    text.pop_back();
    ++number;
    if (number == 1) {
      if (text != kHeader) break;
      continue;
    }
    size_t space = text.find(' ');
    std::string kind = text.substr(0, space);
    std::string rest = space == std::string::npos ? "" : text.substr(space + 1);
    if (kind == "version") {
      record.version = rest;
    } else if (kind == "variable") {
      record.variables.push_back(rest);
    } else if (kind == "stamp") {
      // stamp STATE PATH
      size_t at = rest.find(' ');
      if (at == std::string::npos) break;
      record.stamps.emplace_back(rest.substr(at + 1), rest.substr(0, at));
    } else if (kind == "choice") {
      // choice FACE-HEX INDEX HAS-CJK PATH
      Choice choice;
      size_t a = rest.find(' ');
      size_t b = a == std::string::npos ? a : rest.find(' ', a + 1);
      size_t c = b == std::string::npos ? b : rest.find(' ', b + 1);
      if (c == std::string::npos) break;
      choice.face_hex = rest.substr(0, a);
      char *end = nullptr;
      long index = strtol(rest.c_str() + a + 1, &end, 10);
      if (end != rest.c_str() + b || index < 0 || index > 0xFFFF) break;
      choice.font.index = static_cast<int>(index);
      std::string has_cjk = rest.substr(b + 1, c - b - 1);
      if (has_cjk != "0" && has_cjk != "1") break;
      choice.font.has_cjk = has_cjk == "1";
      choice.font.path = rest.substr(c + 1);
      if (choice.font.path.empty() || choice.font.path[0] != '/') break;
      record.choices.push_back(std::move(choice));
    } else if (kind == "end") {
      whole = true;
      break;
    } else {
      break;
    }
  }
  free(line);
  fclose(in);
  if (!whole || record.stamps.empty()) {
    return std::nullopt;
  }
  return record;
}

// Whether fontconfig would still answer as it did: same library, same
// variables, and not one of the files and directories it read has changed.
bool StillHolds(const Record &record) {
  if (record.version != CurrentVersion() || record.variables != CurrentVariables()) {
    return false;
  }
  for (const auto &[path, state] : record.stamps) {
    if (StateOf(path) != state) {
      return false;
    }
  }
  return true;
}

void AddStrings(FcStrList *list, std::set<std::string> *paths) {
  if (list == nullptr) return;
  while (FcChar8 *path = FcStrListNext(list)) {
    paths->insert(reinterpret_cast<const char *>(path));
  }
  FcStrListDone(list);
}

std::string Parent(const std::string &path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
}

// Everything fontconfig's answer depends on: the configuration files it read
// and their directories (a file added there counts), the font directories
// and their caches, and the places where a user's configuration and fonts
// would be even while there are none.
std::set<std::string> WatchedPaths(const std::vector<Choice> &choices) {
  std::set<std::string> paths;
  AddStrings(FcConfigGetConfigFiles(nullptr), &paths);
  std::set<std::string> parents;
  for (const std::string &path : paths) {
    parents.insert(Parent(path));
  }
  paths.insert(parents.begin(), parents.end());
  AddStrings(FcConfigGetFontDirs(nullptr), &paths);
  AddStrings(FcConfigGetCacheDirs(nullptr), &paths);
  const char *home = getenv("HOME");
  const char *config = getenv("XDG_CONFIG_HOME");
  const char *data = getenv("XDG_DATA_HOME");
  std::string home_dir = home != nullptr && home[0] == '/' ? home : "";
  std::string config_dir = config != nullptr && config[0] == '/' ? config : home_dir.empty() ? "" : home_dir + "/.config";
  std::string data_dir = data != nullptr && data[0] == '/' ? data : home_dir.empty() ? "" : home_dir + "/.local/share";
  for (const std::string &path : {config_dir + "/fontconfig", config_dir + "/fontconfig/fonts.conf",
                                  config_dir + "/fontconfig/conf.d", data_dir + "/fonts"}) {
    if (path[0] == '/') paths.insert(path);
  }
  if (!home_dir.empty()) {
    for (const char *name : {"/.fonts.conf", "/.fonts.conf.d", "/.fonts"}) {
      paths.insert(home_dir + name);
    }
  }
  for (const Choice &choice : choices) {
    paths.insert(choice.font.path);
  }
  return paths;
}

// The cache is read once a process; what this process learns is added.
struct Memory {
  bool loaded = false;
  std::optional<Record> record; // only while it still holds
};

Memory &TheMemory() {
  static Memory memory;
  if (!memory.loaded) {
    memory.loaded = true;
    std::string file = CacheFile();
    if (!file.empty()) {
      memory.record = Read(file);
      if (memory.record && !StillHolds(*memory.record)) {
        memory.record.reset();
      }
    }
  }
  return memory;
}

bool MakeDirectories(const std::string &path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      return false;
    }
    if (slash == std::string::npos) {
      return true;
    }
  }
}

void Write(const std::string &file, const Record &record) {
  std::string directory = Parent(file);
  if (!MakeDirectories(directory)) {
    return;
  }
  // Another process may write at the same time: each writes a file of its
  // own and renames it into place, so a reader sees one whole file or another.
  std::string temporary = file + "." + std::to_string(getpid()) + ".new";
  FILE *out = fopen(temporary.c_str(), "we");
  if (out == nullptr) {
    return;
  }
  fprintf(out, "%s\nversion %s\n", kHeader, record.version.c_str());
  for (const std::string &variable : record.variables) {
    fprintf(out, "variable %s\n", variable.c_str());
  }
  for (const auto &[path, state] : record.stamps) {
    fprintf(out, "stamp %s %s\n", state.c_str(), path.c_str());
  }
  for (const Choice &choice : record.choices) {
    fprintf(out, "choice %s %d %d %s\n", choice.face_hex.c_str(), choice.font.index, choice.font.has_cjk ? 1 : 0,
            choice.font.path.c_str());
  }
  fprintf(out, "end\n");
  bool written = ferror(out) == 0;
  if (fclose(out) != 0 || !written || rename(temporary.c_str(), file.c_str()) != 0) {
    unlink(temporary.c_str());
  }
}

} // namespace

bool FontChoicesRemembered(void) { return TheMemory().record.has_value(); }

std::optional<FontFace> RememberedFontChoice(std::string_view face) {
  Memory &memory = TheMemory();
  if (!memory.record) {
    return std::nullopt;
  }
  std::string hex = Hex(face);
  for (const Choice &choice : memory.record->choices) {
    if (choice.face_hex == hex) {
      FontFace font = choice.font;
      font.remembered = true;
      return font;
    }
  }
  return std::nullopt;
}

void RememberFontChoice(std::string_view face, const FontFace &font) {
  if (font.path.empty() || HoldsNewline(font.path)) {
    return;
  }
  std::string file = CacheFile();
  if (file.empty()) {
    return;
  }
  Memory &memory = TheMemory();
  std::vector<Choice> choices;
  std::string hex = Hex(face);
  if (memory.record) {
    for (const Choice &choice : memory.record->choices) {
      if (choice.face_hex != hex) choices.push_back(choice);
    }
  }
  Choice added{hex, font};
  added.font.remembered = false;
  choices.push_back(added);

  Record record;
  record.version = CurrentVersion();
  record.variables = CurrentVariables();
  for (const std::string &path : WatchedPaths(choices)) {
    if (HoldsNewline(path)) {
      return; // a name the file cannot hold: nothing is remembered
    }
    record.stamps.emplace_back(path, StateOf(path));
  }
  record.choices = std::move(choices);
  Write(file, record);
  memory.record = std::move(record);
}

} // namespace desktop
