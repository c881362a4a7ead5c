// SPDX-License-Identifier: MIT
#include "ScriptParser.h"

#include "Ownership.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace alarmcmd {
namespace {

// Closes the file when the reading ends, however it ends.
struct Descriptor {
    explicit Descriptor(int descriptor) : fd(descriptor) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    const int fd;
};

ParseResult refuse(std::string message)
{
    return ParseResult{std::nullopt, std::move(message)};
}

std::string lineRef(std::size_t lineNumber)
{
    return "line " + std::to_string(lineNumber) + ": ";
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// Letters, digits and what a plain Windows path needs. Whitelisting keeps out everything the
// command interpreter would give a meaning to (quotes, carets, percent signs, separators).
bool isPlainCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '\\' ||
           c == '/' || c == ':' || c == '.' || c == '_' || c == '-' || isBlank(c);
}

std::string printable(std::string_view token)
{
    // Tokens only ever hold plain characters by the time they are quoted back, but keep messages
    // short whatever a script holds.
    constexpr std::size_t limit = 40;
    if (token.size() <= limit)
        return std::string(token);
    return std::string(token.substr(0, limit)) + "...";
}

// Why the open file could be changed by someone other than the user and root, why it is not what
// it should be (a directory, or a regular file of script size), or empty.
std::string problemOf(int fd, bool isDirectory)
{
    struct stat info {
    };
    if (::fstat(fd, &info) != 0)
        return std::string("cannot be examined: ") + std::strerror(errno);
    if (!isDirectory && !S_ISREG(info.st_mode))
        return "is not a regular file";
    if (const std::string problem = ownership::problem(info, ::geteuid(), isDirectory); !problem.empty())
        return problem;
    if (!isDirectory && info.st_size > static_cast<off_t>(maxScriptBytes))
        return "is larger than " + std::to_string(maxScriptBytes) + " bytes";
    return {};
}

std::vector<std::string_view> splitTokens(std::string_view line)
{
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isBlank(line[i]))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !isBlank(line[i]))
            ++i;
        if (i > start)
            tokens.push_back(line.substr(start, i - start));
    }
    return tokens;
}

// Why a command line holds a character that is not accepted, or empty.
std::string refusedCharacter(std::string_view line)
{
    for (char c : line) {
        if (c == '&' || c == '|' || c == '<' || c == '>')
            return std::string("the operator '") + c +
                   "' is not accepted; only one shut-down command may run";
        if (!isPlainCharacter(c))
            return std::string("the character '") + c + "' is not accepted in a shut-down command";
    }
    return {};
}

bool isShutdownProgram(std::string_view program)
{
    const std::size_t slash = program.find_last_of("\\/");
    const std::string_view name = slash == std::string_view::npos ? program : program.substr(slash + 1);
    return equalsIgnoringCase(name, "shutdown") || equalsIgnoringCase(name, "shutdown.exe");
}

// Reads a delay in seconds into delay; returns why it is refused, or empty.
std::string readDelay(std::string_view value, std::uint32_t &delay)
{
    std::uint64_t seconds = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            return "the delay '" + printable(value) + "' is not a number of seconds";
        seconds = seconds * 10 + static_cast<std::uint64_t>(c - '0');
        if (seconds > maxDelaySeconds)
            return "the delay '" + printable(value) + "' is out of range (0 to " +
                   std::to_string(maxDelaySeconds) + " seconds)";
    }
    delay = static_cast<std::uint32_t>(seconds);
    return {};
}

struct Switches {
    bool powerOff = false;
    bool restart = false;
    bool force = false;
    bool delayGiven = false;
    std::uint32_t delay = 0;

    bool *flagFor(char letter)
    {
        switch (letter) {
        case 's':
            return &powerOff;
        case 'r':
            return &restart;
        case 'f':
            return &force;
        case 't':
            return &delayGiven;
        default:
            return nullptr;
        }
    }
};

// Reads the switches after the program's name; returns why they are refused, or empty.
std::string readSwitches(const std::vector<std::string_view> &tokens, Switches &switches)
{
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        const std::string_view token = tokens[i];
        const char letter =
            token.size() == 2 && (token[0] == '-' || token[0] == '/') ? lower(token[1]) : '\0';
        bool *seen = switches.flagFor(letter);
        if (!seen)
            return "unknown switch or argument '" + printable(token) + "'";
        if (*seen)
            return "the switch '" + std::string(token) + "' is given more than once";
        *seen = true;
        if (letter != 't')
            continue;
        if (i + 1 >= tokens.size())
            return "'" + std::string(token) + "' needs a delay in seconds";
        if (std::string error = readDelay(tokens[++i], switches.delay); !error.empty())
            return error;
    }
    if (switches.powerOff && switches.restart)
        return "-s (power off) and -r (restart) cannot be combined";
    if (!switches.powerOff && !switches.restart)
        return "neither -s (power off) nor -r (restart) is given";
    return {};
}

ParseResult parseCommandLine(std::string_view line, std::size_t lineNumber)
{
    const std::string where = lineRef(lineNumber);
    if (const std::string error = refusedCharacter(line); !error.empty())
        return refuse(where + error);
    const std::vector<std::string_view> tokens = splitTokens(line);
    if (!isShutdownProgram(tokens.front()))
        return refuse(where + "'" + printable(tokens.front()) + "' is not the shutdown program");
    Switches switches;
    if (const std::string error = readSwitches(tokens, switches); !error.empty())
        return refuse(where + error);
    return ParseResult{ShutdownCommand{switches.powerOff ? Action::PowerOff : Action::Restart, switches.force,
                                       switches.delay},
                       {}};
}

// Why the script is no short text, or empty.
std::string refusedBytes(std::string_view bytes)
{
    if (bytes.empty())
        return "the script is empty";
    if (bytes.size() > maxScriptBytes)
        return "the script is larger than " + std::to_string(maxScriptBytes) + " bytes";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == 0)
            return "the script contains a NUL byte at offset " + std::to_string(i);
        const bool text = (byte >= 0x20 && byte < 0x7f) || byte == '\t' || byte == '\r' || byte == '\n';
        if (!text) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02x", byte);
            return "the script contains the non-text byte " + std::string(hex) + " at offset " +
                   std::to_string(i);
        }
    }
    return {};
}

// The script's one command line and its number; nothing, with error set, when it has none or more.
std::optional<std::pair<std::string_view, std::size_t>> commandLineOf(std::string_view bytes,
                                                                      std::string &error)
{
    std::optional<std::pair<std::string_view, std::size_t>> command;
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start < bytes.size();) {
        ++lineNumber;
        std::size_t end = bytes.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        start = next;

        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.find('\r') != std::string_view::npos)
            error = lineRef(lineNumber) + "a carriage return inside a line is not accepted";
        else if (line.find_first_not_of(" \t") == std::string_view::npos)
            continue;
        else if (command)
            error = lineRef(lineNumber) + "a second command line is not accepted";
        if (!error.empty())
            return std::nullopt;
        command.emplace(line, lineNumber);
    }
    if (!command)
        error = "the script holds no command";
    return command;
}

// The script opened through its directory, so that the directory checked is the one it is read
// from; -1, with error set, when it may not be read.
int openScript(const std::string &path, std::string &error)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) {
        error = "the script is not a regular file";
        return -1;
    }
    const Descriptor directoryFd{::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (directoryFd.fd < 0) {
        error = std::string("cannot open the script: ") + std::strerror(errno);
        return -1;
    }
    // Whoever can replace the file chooses what runs, so only the user and root may be able to.
    if (error = problemOf(directoryFd.fd, true); !error.empty()) {
        error = "the script's directory " + error + ", so the script could have been replaced";
        return -1;
    }
    // O_NONBLOCK keeps a FIFO planted at the path from hanging us before its type is checked.
    const int fd =
        ::openat(directoryFd.fd, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
    if (fd < 0) {
        error = errno == ELOOP ? std::string("the script is a symbolic link, which is not followed")
                               : std::string("cannot open the script: ") + std::strerror(errno);
        return -1;
    }
    if (error = problemOf(fd, false); !error.empty()) {
        error = "the script " + error;
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

ParseResult parseScript(std::string_view bytes)
{
    std::string error = refusedBytes(bytes);
    if (!error.empty())
        return refuse(error);
    const auto command = commandLineOf(bytes, error);
    if (!command)
        return refuse(error);
    return parseCommandLine(command->first, command->second);
}

ParseResult readScript(const std::string &path)
{
    std::string error;
    const Descriptor fd{openScript(path, error)};
    if (fd.fd < 0)
        return refuse(error);
    // One byte more than allowed, so a file that grew after it was examined is still caught.
    std::string bytes(maxScriptBytes + 1, '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(fd.fd, bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return refuse(std::string("cannot read the script: ") + std::strerror(errno));
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return parseScript(bytes);
}

std::string describe(const ShutdownCommand &command)
{
    std::string text = command.action == Action::PowerOff ? "power off" : "restart";
    text += command.delaySeconds == 0 ? std::string(" now")
                                      : " in " + std::to_string(command.delaySeconds) + " s";
    if (command.force)
        text += ", forced";
    return text;
}

} // namespace alarmcmd
