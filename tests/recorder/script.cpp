// Reading the recording engine's script (format in recorder.h).
#include <stdio.h>
#include <stdlib.h>

#include <sstream>
#include <string>

#include "recorder.h"

namespace recorder {
namespace {

[[noreturn]] void Malformed(const char *path, int line_number, const std::string &line) {
  fprintf(stderr, "recording engine: %s:%d: cannot read \"%s\"\n", path, line_number, line.c_str());
  abort();
}

bool ReadInt(std::istringstream &in, int32_t &out) {
  std::string word;
  if (!(in >> word)) {
    return false;
  }
  char *end = nullptr;
  long value = strtol(word.c_str(), &end, 10);
  out = static_cast<int32_t>(value);
  return *end == '\0';
}

bool ReadFloat(std::istringstream &in, float &out) {
  std::string word;
  if (!(in >> word)) {
    return false;
  }
  char *end = nullptr;
  out = strtof(word.c_str(), &end);
  return *end == '\0';
}

bool AtEnd(std::istringstream &in) {
  std::string rest;
  return !(in >> rest);
}

// One "frame <n> ..." command, after the word "frame".
bool ReadFrameStep(std::istringstream &in, ScriptStep &step) {
  int32_t frame = 0;
  std::string what;
  if (!ReadInt(in, frame) || frame < 1 || !(in >> what)) {
    return false;
  }
  step.frame = frame;
  if (what == "mouse") {
    std::string first;
    std::streampos at = in.tellg();
    if (in >> first && first == "none") {
      step.kind = ScriptStep::kMouseNone;
      return AtEnd(in);
    }
    in.clear();
    in.seekg(at);
    step.kind = ScriptStep::kMouse;
    return ReadFloat(in, step.x) && ReadFloat(in, step.y) && AtEnd(in);
  }
  if (what == "key" || what == "keyup") {
    step.kind = what == "key" ? ScriptStep::kKey : ScriptStep::kKeyUp;
    return ReadInt(in, step.code) && ReadInt(in, step.result) && AtEnd(in);
  }
  if (what == "value") {
    step.kind = ScriptStep::kValue;
    return ReadInt(in, step.code) && ReadFloat(in, step.value) && AtEnd(in);
  }
  if (what == "click") {
    step.kind = ScriptStep::kClick;
    return ReadInt(in, step.code) && AtEnd(in);
  }
  if (what == "hold") {
    step.kind = ScriptStep::kHold;
    in >> std::ws;
    std::getline(in, step.path);
    return !step.path.empty();
  }
  return false;
}

} // namespace

Script ReadScript(const char *path) {
  Script script;
  FILE *file = fopen(path, "r");
  if (file == nullptr) {
    fprintf(stderr, "recording engine: cannot open script %s\n", path);
    abort();
  }
  std::string content;
  char buffer[4096];
  size_t got = 0;
  while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) {
    content.append(buffer, got);
  }
  fclose(file);

  std::istringstream lines(content);
  std::string line;
  int line_number = 0;
  while (std::getline(lines, line)) {
    ++line_number;
    std::string command = line.substr(0, line.find('#'));
    std::istringstream in(command);
    std::string word;
    if (!(in >> word)) {
      continue; // blank or comment
    }
    bool ok = false;
    if (word == "create") {
      ok = ReadInt(in, script.create_result) && AtEnd(in);
    } else if (word == "frames") {
      int32_t frames = 0;
      ok = ReadInt(in, frames) && frames >= 0 && AtEnd(in);
      script.frames = frames;
    } else if (word == "frame") {
      ScriptStep step;
      ok = ReadFrameStep(in, step);
      script.steps.push_back(step);
    }
    if (!ok) {
      Malformed(path, line_number, line);
    }
  }
  return script;
}

} // namespace recorder
