// A program run beside the simulator as a process of its own (McrSwipe for
// the `swipe` command), its standard output and error captured, while the
// caller's thread keeps pumping its messages: the component's window lives
// on that thread and must answer the program meanwhile.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hostsim {

struct ToolResult {
    DWORD exitCode = 0;
    std::string out;  // UTF-8 as the program wrote it
    std::string err;
};

// The file `name` in the folder of the running simulator.
std::filesystem::path BesideSimulator(const std::wstring& name);

// Runs `program` with `args` (quoted for the C runtime), calling `pump`
// until it ends. Nothing when it cannot be started or outlives `limit`
// (it is then ended); `failure` says why.
std::optional<ToolResult> RunTool(const std::filesystem::path& program, const std::vector<std::u16string>& args,
                                  std::chrono::milliseconds limit,
                                  const std::function<void(std::chrono::milliseconds)>& pump, std::string& failure);

}  // namespace hostsim
