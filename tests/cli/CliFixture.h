// The real `lumbra` program, run in a fresh data folder.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "support/TestSupport.h"

namespace lumbra {

struct Result {
  int status = -1;
  std::string out, err;
};

class Cli : public ::testing::Test {
 protected:
  test::TempDataFolder data;
  // LUMBRA_LANG for the program: its messages are checked in English unless a test says "ja".
  std::string language = "en";
  // More variables for the program, "NAME=value NAME=value" (a shell command's prefix).
  std::string environment;

  Result Run(const std::string& args) {
    const std::string errFile = data.File("stderr.txt");
    const std::string command =
        "LUMBRA_LANG=" + language + " " + environment + " " + LUMBRA_CLI_PATH + " " + args + " 2>" + errFile;
    Result result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errFile);
    result.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    return result;
  }
  std::string Data() { return "--data '" + data.Path() + "'"; }
};

}  // namespace lumbra
