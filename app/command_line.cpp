#include "app/command_line.h"

#include <cwchar>

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

enum class Switch : unsigned char {
    None, Quiet, Passive, NoRestart, CloseApplications, Log, LogWithFile, Help, Uninstall, Verify
};

// Deployment tools pass the spellings of other installers too: /s and /silent, and msiexec's
// /qn and /l*v, mean the same here. The names one after another, each with its switch below.
constexpr wchar_t kSwitchNames[] = L"quiet\0q\0qn\0s\0silent\0passive\0norestart\0closeapplications\0log\0l*v\0?\0"
                                   L"help\0uninstall\0verify\0";
constexpr Switch kSwitchValues[] = {
    Switch::Quiet,   Switch::Quiet,     Switch::Quiet,     Switch::Quiet, Switch::Quiet,
    Switch::Passive, Switch::NoRestart, Switch::CloseApplications,
    Switch::Log,     Switch::Log,       Switch::Help,      Switch::Help,  Switch::Uninstall, Switch::Verify,
};

Switch SwitchOf(const std::wstring& argument) {
    if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-')) return Switch::None;
    const wchar_t* name = argument.c_str() + 1;
    const Switch* value = kSwitchValues;
    for (const wchar_t* known = kSwitchNames; *known; known += std::wcslen(known) + 1, ++value)
        if (_wcsicmp(name, known) == 0) return *value;
    if (_wcsnicmp(name, L"log:", 4) == 0 || _wcsnicmp(name, L"log=", 4) == 0) return Switch::LogWithFile;
    return Switch::None;
}

// The tokens of a command line; the first one is the program.
std::vector<std::wstring> Tokens(const std::wstring& commandLine) {
    std::vector<std::wstring> tokens;
    size_t i = 0;
    for (;;) {
        while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
        if (i >= commandLine.size()) break;
        std::wstring token;
        bool quoted = false;
        for (; i < commandLine.size() && (quoted || !IsBlank(commandLine[i])); ++i) {
            if (commandLine[i] == L'"') {
                quoted = !quoted;
            } else {
                token += commandLine[i];
            }
        }
        tokens.push_back(token);
    }
    return tokens;
}

}  // namespace

std::vector<std::wstring> CommandLineArguments(const std::wstring& commandLine, const std::wstring& programPath) {
    size_t start = 0;
    while (start < commandLine.size() && IsBlank(commandLine[start])) ++start;
    const size_t end = start + programPath.size();
    if (!programPath.empty() && end <= commandLine.size() &&
        _wcsnicmp(commandLine.c_str() + start, programPath.c_str(), programPath.size()) == 0 &&
        (end == commandLine.size() || IsBlank(commandLine[end])))
        return Tokens(commandLine.substr(end));
    std::vector<std::wstring> tokens = Tokens(commandLine);
    if (!tokens.empty()) tokens.erase(tokens.begin());
    return tokens;
}

SetupOptions ParseSetupCommandLine(const std::wstring& commandLine, const std::wstring& programPath) {
    SetupOptions options;
    const std::vector<std::wstring> arguments = CommandLineArguments(commandLine, programPath);
    bool quiet = false;
    bool passive = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        switch (SwitchOf(arguments[i])) {
        case Switch::Quiet: quiet = true; break;
        case Switch::Passive: passive = true; break;
        case Switch::NoRestart: options.noRestart = true; break;
        case Switch::CloseApplications: options.closeApplications = true; break;
        case Switch::Help: options.showUsage = true; break;
        case Switch::Uninstall: options.uninstall = true; break;
        case Switch::Verify: options.verify = true; break;
        case Switch::LogWithFile:
            // The file's letter case is kept: only the switch's own name was lowered.
            if (arguments[i].size() > 5) {
                options.logFile = arguments[i].substr(5);
            } else {
                options.invalid.push_back(arguments[i]);
            }
            break;
        case Switch::Log:
            if (i + 1 < arguments.size() && SwitchOf(arguments[i + 1]) == Switch::None && !arguments[i + 1].empty()) {
                options.logFile = arguments[++i];
            } else {
                options.invalid.push_back(arguments[i]);
            }
            break;
        case Switch::None: options.invalid.push_back(arguments[i]); break;
        }
    }
    // The stricter of the two: whoever asked for no user interface at all gets none.
    options.ui = quiet ? SetupUi::Quiet : passive ? SetupUi::Passive : SetupUi::Full;
    return options;
}
