// Lists of names for the help texts and messages, taken from the choice tables.
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <vector>

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

std::string WrapList(const std::string& list, std::size_t width) {
  std::string text;
  std::size_t lineStart = 0;
  std::size_t from = 0;
  while (from < list.size()) {
    // The next item with the separator after it: up to and including ", ", or the rest.
    std::size_t comma = list.find(", ", from);
    const std::size_t end = comma == std::string::npos ? list.size() : comma + 2;
    const std::string item = list.substr(from, end - from);
    const std::size_t shown = comma == std::string::npos ? item.size() : item.size() - 1;
    if (text.size() > lineStart && text.size() - lineStart + shown > width) {
      text.back() = '\n';  // the space after the comma
      lineStart = text.size();
    }
    text += item;
    from = end;
  }
  return text;
}

namespace {

// Whether the line starts an item of a list: its first word holds a colon ("mono:", "zst:FILE:").
bool StartsItem(std::string_view line) {
  const std::size_t word = std::min(line.find(' '), line.size());
  return line.substr(0, word).find(':') != std::string_view::npos;
}

// Greedy breaks at spaces so that no line passes `width`, where a word allows.
void AppendWrapped(std::string& out, std::string_view line, std::size_t width) {
  std::size_t lineStart = out.size();
  std::size_t from = 0;
  while (from < line.size()) {
    const std::size_t space = std::min(line.find(' ', from), line.size());
    const std::string_view word = line.substr(from, space - from);
    if (out.size() > lineStart && out.size() - lineStart + 1 + word.size() > width) {
      out += '\n';
      lineStart = out.size();
    } else if (out.size() > lineStart) {
      out += ' ';
    }
    out += word;
    from = space + 1;
  }
}

}  // namespace

std::string ReflowText(const std::string& text, std::size_t width) {
  // The author's lines joined into paragraphs, each kept apart from the next. An indented line
  // (a command line shown as an example) stands as it is.
  std::vector<std::string> paragraphs;
  std::vector<bool> asIs;
  std::string_view rest(text);
  bool open = false;
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    const bool indented = !line.empty() && line[0] == ' ';
    if (open && !indented && !StartsItem(line)) {
      paragraphs.back() += ' ';
      paragraphs.back() += line;
    } else {
      paragraphs.emplace_back(line);
      asIs.push_back(indented);
    }
    const char last = line.empty() ? '.' : line.back();
    open = !indented && last != '.' && last != ':';
  }
  std::string out;
  for (std::size_t i = 0; i < paragraphs.size(); ++i) {
    if (i > 0) out += '\n';
    if (asIs[i]) {
      out += paragraphs[i];
    } else {
      AppendWrapped(out, paragraphs[i], width);
    }
  }
  return out;
}

}  // namespace tegulo::cli
