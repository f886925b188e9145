#pragma once
// tsList: the ordered list of byte strings that holds the browser list while
// detection builds it, and splits texts (files, comments) into lines.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class tsList {
public:
  using ChangeHandler = std::function<void(tsList& sender)>;

  int Add(std::string text);
  // The item, or the empty text when index is outside the list.
  std::string Get(int index) const;
  // Replaces the item; ignored when index is outside the list.
  void Put(int index, std::string text);
  int Count() const { return static_cast<int>(items_.size()); }
  void Clear();

  // Replaces the content by the lines of text. CR, LF, CR LF and LF CR each
  // end one line; a final line break gives no extra empty line. Then calls
  // OnChange.
  void SetText(std::string_view text);
  // Every item followed by one LF.
  std::string GetText() const;
  // Reads the whole file into SetText; false when it cannot be read.
  bool LoadFromFile(const std::string& path);

  ChangeHandler OnChange; // called after SetText, and only there

private:
  std::vector<std::string> items_;
};
