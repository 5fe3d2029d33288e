// Lists of names for the help texts and messages, taken from the choice tables.
#include <cctype>
#include <string>

#include "commands.h"

namespace tegulo::cli {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string NameList(std::span<const TChoice> rows, int first) {
  std::string text;
  for (std::size_t row = static_cast<std::size_t>(first); row < rows.size(); ++row) {
    if (!text.empty()) text += row + 1 == rows.size() ? " or " : ", ";
    text += rows[row].name();
  }
  return text;
}

}  // namespace tegulo::cli
