// SPDX-License-Identifier: MIT
#include "ScriptParser.h"

#include "Ownership.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
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

ParseResult parseCommandLine(std::string_view line, std::size_t lineNumber)
{
    const std::string where = lineRef(lineNumber);

    for (char c : line) {
        if (c == '&' || c == '|' || c == '<' || c == '>')
            return refuse(where + "the operator '" + c +
                          "' is not accepted; only one shut-down command may run");
        if (!isPlainCharacter(c))
            return refuse(where + "the character '" + c + "' is not accepted in a shut-down command");
    }

    const std::vector<std::string_view> tokens = splitTokens(line);
    const std::string_view program = tokens.front();
    const std::size_t slash = program.find_last_of("\\/");
    const std::string_view name = slash == std::string_view::npos ? program : program.substr(slash + 1);
    if (!equalsIgnoringCase(name, "shutdown") && !equalsIgnoringCase(name, "shutdown.exe"))
        return refuse(where + "'" + printable(program) + "' is not the shutdown program");

    bool powerOff = false;
    bool restart = false;
    bool force = false;
    bool delayGiven = false;
    std::uint32_t delay = 0;

    for (std::size_t i = 1; i < tokens.size(); ++i) {
        const std::string_view token = tokens[i];
        const char letter =
            token.size() == 2 && (token[0] == '-' || token[0] == '/') ? lower(token[1]) : '\0';
        bool *seen = nullptr;
        switch (letter) {
        case 's':
            seen = &powerOff;
            break;
        case 'r':
            seen = &restart;
            break;
        case 'f':
            seen = &force;
            break;
        case 't':
            seen = &delayGiven;
            break;
        default:
            return refuse(where + "unknown switch or argument '" + printable(token) + "'");
        }
        if (*seen)
            return refuse(where + "the switch '" + std::string(token) + "' is given more than once");
        *seen = true;

        if (letter == 't') {
            if (i + 1 >= tokens.size())
                return refuse(where + "'" + std::string(token) + "' needs a delay in seconds");
            const std::string_view value = tokens[++i];
            std::uint64_t seconds = 0;
            for (char c : value) {
                if (c < '0' || c > '9')
                    return refuse(where + "the delay '" + printable(value) + "' is not a number of seconds");
                seconds = seconds * 10 + static_cast<std::uint64_t>(c - '0');
                if (seconds > maxDelaySeconds)
                    return refuse(where + "the delay '" + printable(value) + "' is out of range (0 to " +
                                  std::to_string(maxDelaySeconds) + " seconds)");
            }
            delay = static_cast<std::uint32_t>(seconds);
        }
    }

    if (powerOff && restart)
        return refuse(where + "-s (power off) and -r (restart) cannot be combined");
    if (!powerOff && !restart)
        return refuse(where + "neither -s (power off) nor -r (restart) is given");

    return ParseResult{ShutdownCommand{powerOff ? Action::PowerOff : Action::Restart, force, delay}, {}};
}

} // namespace

ParseResult parseScript(std::string_view bytes)
{
    if (bytes.empty())
        return refuse("the script is empty");
    if (bytes.size() > maxScriptBytes)
        return refuse("the script is larger than " + std::to_string(maxScriptBytes) + " bytes");

    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == 0)
            return refuse("the script contains a NUL byte at offset " + std::to_string(i));
        const bool text = (byte >= 0x20 && byte < 0x7f) || byte == '\t' || byte == '\r' || byte == '\n';
        if (!text) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02x", byte);
            return refuse("the script contains the non-text byte " + std::string(hex) + " at offset " +
                          std::to_string(i));
        }
    }

    std::optional<std::pair<std::string_view, std::size_t>> command;
    std::size_t lineNumber = 0;
    std::size_t start = 0;
    while (start < bytes.size()) {
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
            return refuse(lineRef(lineNumber) + "a carriage return inside a line is not accepted");

        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos)
            continue;
        if (command)
            return refuse(lineRef(lineNumber) + "a second command line is not accepted");
        command.emplace(line, lineNumber);
    }

    if (!command)
        return refuse("the script holds no command");
    return parseCommandLine(command->first, command->second);
}

ParseResult readScript(const std::string &path)
{
    // Opened through its directory, so that the directory checked is the one it is read from.
    const std::size_t slash = path.find_last_of('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty())
        return refuse("the script is not a regular file");

    const Descriptor directoryFd{::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (directoryFd.fd < 0)
        return refuse(std::string("cannot open the script: ") + std::strerror(errno));
    struct stat info {
    };
    if (::fstat(directoryFd.fd, &info) != 0)
        return refuse(std::string("cannot examine the script's directory: ") + std::strerror(errno));
    // Whoever can replace the file chooses what runs, so only the user and root may be able to.
    const uid_t user = ::geteuid();
    if (const std::string problem = ownership::problem(info, user, true); !problem.empty())
        return refuse("the script's directory " + problem + ", so the script could have been replaced");

    // O_NONBLOCK keeps a FIFO planted at the path from hanging us before the type check below.
    const Descriptor fd{
        ::openat(directoryFd.fd, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW)};
    if (fd.fd < 0 && errno == ELOOP)
        return refuse("the script is a symbolic link, which is not followed");
    if (fd.fd < 0)
        return refuse(std::string("cannot open the script: ") + std::strerror(errno));
    if (::fstat(fd.fd, &info) != 0)
        return refuse(std::string("cannot examine the script: ") + std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        return refuse("the script is not a regular file");
    if (const std::string problem = ownership::problem(info, user, false); !problem.empty())
        return refuse("the script " + problem);
    if (info.st_size > static_cast<off_t>(maxScriptBytes))
        return refuse("the script is larger than " + std::to_string(maxScriptBytes) + " bytes");

    // One byte more than allowed, so a file that grew after fstat is still caught.
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
