#pragma once
// External programs, started with argument lists (never through a shell).
#include <string>
#include <vector>

namespace proc {

// Runs program with args and waits for it without a time limit. Returns its exit code, or -1
// when it could not be started or did not exit normally.
int Run(const std::string& program, const std::vector<std::string>& args);

// As Run, but a program still running after timeoutMs is killed (result -1).
int RunBounded(const std::string& program, const std::vector<std::string>& args, int timeoutMs);

// Starts program with args and returns at once; the program is not a child left to reap.
// False when it could not be started.
bool Start(const std::string& program, const std::vector<std::string>& args);

}  // namespace proc
