// kivrano-cli's entry point. The PDF printer gets a Qt application, on the offscreen platform unless
// the environment names another, so that the tool runs without a display.

#include <QGuiApplication>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "shapes/dtpShapeClasses.h"

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  // Only printing to PDF needs Qt's painting.
  std::unique_ptr<QGuiApplication> application;
  if (!args.empty() && args[0] == "pdf") {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    application = std::make_unique<QGuiApplication>(argc, argv);
  }
  kivrano::RegisterStandardShapeClasses();
  return kivrano::cli::RunCli(args, std::cout, std::cerr);
}
