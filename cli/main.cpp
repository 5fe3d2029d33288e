// tegulo-cli: Tegulo's core from the command line. Parses the arguments, runs the one
// subcommand given and turns its failure into an exit status.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "base/messages.h"
#include "base/uCommon.h"
#include "base/version.h"
#include "commands.h"
#include "io/output_plan.h"
#include "io/read_file.h"
#include "io/signals.h"

namespace tegulo::cli {

void Warn(std::string_view text) {
  std::fflush(stdout);  // keep the warning after the lines printed before it
  std::fprintf(stderr, "tegulo-cli: %.*s\n", static_cast<int>(text.size()), text.data());
}

namespace {
constexpr const char* kFooter =
    "Numbers (addresses, offsets, sizes) are decimal (1867012) or hexadecimal after\n"
    "\"$\", \"x\" or \"0x\" ($1C7D04, 0x1C7D04), optionally signed; quote \"$\" in the shell.\n"
    "Exit status: 0 on success, 1 on an error (one line \"tegulo-cli: MESSAGE\" on standard\n"
    "error), 2 on a usage error.";
}  // namespace

void Describe(CLI::App* sub, const char* brief, const char* details) {
  sub->description(brief);
  sub->footer(std::string(details) + "\n\n" + kFooter);
}

namespace {

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

// "tegulo-cli" and the name of the command given, for the pointer to its help.
std::string HelpCommand(const std::vector<TCommand>& commands) {
  for (const TCommand& c : commands) {
    if (c.app->parsed()) return "tegulo-cli " + c.app->get_name();
  }
  return "tegulo-cli";
}

// "decompress, render, ... or palette", in the order of the help.
std::string CommandNames(const std::vector<TCommand>& commands) {
  std::string text;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    if (i > 0) text += i + 1 == commands.size() ? " or " : ", ";
    text += commands[i].app->get_name();
  }
  return text;
}

// Exactly two lines: the message on one line, then where the help is.
int UsageError(std::string_view message, const std::string& command) {
  std::string line(message);
  std::replace(line.begin(), line.end(), '\n', ' ');
  std::fflush(stdout);
  std::fprintf(stderr, "tegulo-cli: %s\nRun \"%s --help\" for more information.\n",
               EscapeControls(line).c_str(), command.c_str());
  return kExitUsage;
}

// The help as an 80-column terminal shows it: the option descriptions reflowed to the columns
// beside the names, the notes below them to the whole width.
class THelpFormatter : public CLI::Formatter {
public:
  std::string make_option_desc(const CLI::Option* opt) const override {
    return ReflowText(opt->get_description(), kHelpWidth - get_column_width());
  }
  std::string make_subcommand(const CLI::App* sub) const override {
    std::ostringstream out;
    CLI::detail::format_help(out, sub->get_display_name(true),
                             ReflowText(sub->get_description(), kHelpWidth - get_column_width()),
                             get_column_width());
    return out.str();
  }
  std::string make_footer(const CLI::App* app) const override {
    const std::string footer = app->get_footer();
    return footer.empty() ? footer : ReflowText(footer, kHelpWidth) + "\n";
  }

private:
  static constexpr std::size_t kHelpWidth = 80;
};

int Run(int argc, char** argv) {
  CLI::App app{
      "Tegulo from the command line: unpack streams, render and export tile graphics\n"
      "of SNES and GBA ROM images, list documents, find compressed streams, put\n"
      "pictures back.",
      "tegulo-cli"};
  app.formatter(std::make_shared<THelpFormatter>());  // before the commands, which inherit it
  app.footer(std::string(kFooter) + "\nRun \"tegulo-cli COMMAND --help\" for a command's details.");
  app.set_version_flag("--version", std::string("tegulo-cli ") + kVersion,
                       "Print the program's name and version and exit");
  app.require_subcommand(1);

  const std::vector<TCommand> commands = {
      AddDecompressCommand(app), AddRenderCommand(app),    AddListCommand(app),
      AddExportCommand(app),     AddScanCommand(app),      AddCompressCommand(app),
      AddImportCommand(app),     AddImportDocCommand(app), AddPaletteCommand(app),
      AddPointersCommand(app),   AddFreeCommand(app),      AddSceneCommand(app),
      AddLocateCommand(app),     AddConvertCommand(app),
  };

  // CLI11 would call an unknown command a missing one; name it instead.
  const auto known = [&](std::string_view name) {
    return std::any_of(commands.begin(), commands.end(),
                       [&](const TCommand& c) { return c.app->get_name() == name; });
  };
  if (argc >= 2 && argv[1][0] != '-' && !known(argv[1])) {
    return UsageError(
        "Unknown command '" + std::string(argv[1]) + "' (" + CommandNames(commands) + ")",
        "tegulo-cli");
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e);
    return UsageError(e.what(), HelpCommand(commands));
  }

  for (const TCommand& c : commands) {
    if (c.app->parsed()) {
      try {
        c.run();
      } catch (const TUsageError& e) {
        return UsageError(e.what(), HelpCommand(commands));
      } catch (const TOutputConflict& e) {
        return UsageError(e.what(), HelpCommand(commands));
      }
      std::fflush(stdout);
      if (std::ferror(stdout)) throw TError("Cannot write the output");
    }
  }
  return 0;
}

}  // namespace
}  // namespace tegulo::cli

int main(int argc, char** argv) {
  tegulo::IgnoreFileSizeSignal();
  try {
    return tegulo::cli::Run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fputs("tegulo-cli: Out of memory\n", stderr);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tegulo-cli: %s\n", tegulo::EscapeControls(e.what()).c_str());
  }
  return tegulo::cli::kExitError;
}
