#include "detect/shell.h"

#include "util/text.h"

std::string programFromCommandLine(std::string_view cmd) {
  if (!cmd.empty() && cmd.front() == '"') {
    cmd.remove_prefix(1);
    return std::string(cmd.substr(0, cmd.find('"')));
  }
  return std::string(cmd.substr(0, cmd.find(' ')));
}

std::string commandWithUrl(std::string_view cmd, std::string_view url) {
  // "%1" at the very start would make the address the program: such a
  // command is not used.
  int at = pos("%1", cmd);
  if (at < 2) return {};
  std::string result(cmd.substr(0, static_cast<size_t>(at) - 1));
  result += url;
  result += cmd.substr(static_cast<size_t>(at) + 1);
  return result;
}

std::string commandLineUrl(std::string_view url) {
  std::string result;
  for (size_t i = 0; i < url.size(); ++i) {
    auto c = static_cast<unsigned char>(url[i]);
    bool splits = c <= ' ' || c == 0x7F || c == '"';
    bool option = i == 0 && (c == '-' || c == '/');
    if (splits || option)
      result += '%' + hexDigits(c, 2, true);
    else
      result += static_cast<char>(c);
  }
  return result;
}

std::string programCommand(std::string_view program, std::string_view argument) {
  std::string result;
  if (program.find(' ') != std::string_view::npos)
    result.append("\"").append(program).append("\"");
  else
    result.append(program);
  return result.append(" ").append(argument);
}

std::string userChoiceKey(const std::string& protocol) {
  return "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\" + protocol +
         "\\UserChoice";
}
