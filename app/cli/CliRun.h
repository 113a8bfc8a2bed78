// What every batch command shares: the services, the one-per-run records,
// the rule-file resolution and the checks of input files.
#pragma once
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/cli/CliServices.h"
#include "core/AppContext.h"
#include "core/MskFile.h"

namespace CLI {
class App;
}

namespace quill {

struct Run {
  Run(std::ostream& o, std::ostream& e);
  std::ostream& out;
  std::ostream& err;
  CliServices sv;
  std::unique_ptr<AppContext> ctx;

  // writes "quillmere-cli: message" to stderr; returns the bad-input code 2
  int fail(const std::string& message);
  // Exactly one rule file per command: --rules, else the working
  // directory's default.rul, else the bundled one. False after reporting.
  bool loadRules(const std::string& rulesOption);
  // refuses a missing or unreadable file, or one holding a NUL byte
  bool checkReadable(const std::string& path, const char* what);
  bool checkRuleFile(const std::string& path) { return checkReadable(path, "rule file"); }
  // reads a layout as the editor opens one; false (after reporting) on bad input
  bool readLayoutFile(const std::string& path, ReadReport& rep);
};

// Each command file registers its subcommands: the returned function runs
// the command once the arguments are parsed.
using CommandRunner = int (*)(Run&);
struct CommandSet {
  struct Entry {
    CLI::App* sub;
    std::function<int(Run&)> run;
  };
  std::vector<Entry> entries;
  void add(CLI::App* sub, std::function<int(Run&)> run) { entries.push_back({sub, std::move(run)}); }
};

void registerFileCommands(CLI::App& app, CommandSet& set);  // tech, info, save
void registerMosCommand(CLI::App& app, CommandSet& set);
void registerDrcCommand(CLI::App& app, CommandSet& set);  // DrcCommand.cpp
void registerExtractCommand(CLI::App& app, CommandSet& set);  // ExtractCommand.cpp
void registerRenderCommand(CLI::App& app, CommandSet& set);  // RenderCommand.cpp
void registerWaveCommands(CLI::App& app, CommandSet& set);  // wave, eval: WaveCommand.cpp
void registerGenerateCommand(CLI::App& app, CommandSet& set);  // GenerateCommand.cpp
void registerSimulateCommand(CLI::App& app, CommandSet& set);  // SimulateCommand.cpp
void registerSpiceCommand(CLI::App& app, CommandSet& set);  // SpiceCommand.cpp

}  // namespace quill
