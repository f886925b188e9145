#include "util/tslist.h"

#include "util/platform.h"
#include "util/text.h"

int tsList::Add(std::string text) {
  items_.push_back(std::move(text));
  return Count() - 1;
}

std::string tsList::Get(int index) const {
  return index >= 0 && index < Count() ? items_[static_cast<size_t>(index)] : std::string();
}

void tsList::Put(int index, std::string text) {
  if (index >= 0 && index < Count()) items_[static_cast<size_t>(index)] = std::move(text);
}

void tsList::Clear() {
  while (!items_.empty())
    items_.pop_back();
}

void tsList::SetText(std::string_view text) {
  Clear();
  // Each CR, LF, CR LF or LF CR becomes one LF.
  std::string lines;
  lines.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') {
      lines += c;
      continue;
    }
    lines += '\n';
    char pair = c == '\r' ? '\n' : '\r';
    if (i + 1 < text.size() && text[i + 1] == pair) ++i;
  }
  int position = 1;
  while (position <= static_cast<int>(lines.size())) {
    std::string line = nextToken(lines, position, '\n');
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Add(std::move(line));
  }
  if (OnChange) OnChange(*this);
}

std::string tsList::GetText() const {
  size_t total = 0;
  for (const std::string& item : items_)
    total += item.size() + 1;
  std::string text;
  text.reserve(total);
  for (const std::string& item : items_) {
    text += item;
    text += '\n';
  }
  return text;
}

bool tsList::LoadFromFile(const std::string& path) {
  platform::File file = platform::File::openRead(path, platform::Share::readWrite);
  int64_t size = file.size();
  if (size < 0 || size > INT32_MAX) return false;
  std::string bytes(static_cast<size_t>(size), '\0');
  if (file.read(bytes.data(), static_cast<int32_t>(size)) != size) return false;
  SetText(bytes);
  return true;
}
