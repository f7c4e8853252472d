// Parsing of corvane-snapshot's options. Numbers are checked whole and in range, so a typo
// is a usage error rather than a silently different run.
#include "tools/snapshot/SnapshotOptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>

#include "app/Resources.h"

const char kSnapshotUsage[] =
    "usage: corvane-snapshot [--assets DIR] [--size WxH] [--frames N] [--step-ms MS]\n"
    "                        [--command COMMAND@FRAME]... [--key NAME@FROM:TO]...\n"
    "                        [--color-bits N] [--stencil-bits N] [--answer yes|no]\n"
    "                        [--out FILE.png|-] [--bench] [--full-extent] [--help]\n"
    "                        [--passes DIR]\n"
    "  commands: about pause single-step exit change-shape rotate light1 light1-glass\n"
    "            light1-move light2 light2-glass light2-move shadow, or a numeric id;\n"
    "            FRAME is 0 to N-1, the command arrives before that frame\n"
    "  keys: left right up down home end, held in frames FROM to TO-1\n"
    "  --full-extent: draw every spot-light pass over its whole extent, unlimited\n"
    "  --out FILE: written beside it, then renamed over it (a link's file is replaced);\n"
    "            -, /dev/stdout, /dev/stderr, /proc/self/fd/N, a FIFO, a device or a\n"
    "            mount point in place\n"
    "            (--out -: the PNG on stdout, --bench then prints on stderr)\n"
    "  --passes DIR: the last frame pass by pass, NN-name.png each, passes.txt, sheet.png;\n"
    "            DIR is the tool's: made when missing, refused when it holds other files\n"
    "            or is a mount point (name a folder inside it)\n"
    "  refused before the first frame (exit 2): a size it cannot draw, a target it cannot\n"
    "  replace, --out in the --passes folder\n";

namespace {

bool ParseInt(const char* text, long low, long high, int* value)
{
    if (!text || !*text)
        return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high)
        return false;
    *value = int(parsed);
    return true;
}

// Splits "a<sep>b" into two integers.
bool ParsePair(const std::string& text, char separator, long low, long high, int* first,
               int* second)
{
    const size_t at = text.find(separator);
    if (at == std::string::npos)
        return false;
    return ParseInt(text.substr(0, at).c_str(), low, high, first) &&
           ParseInt(text.substr(at + 1).c_str(), low, high, second);
}

// The value NAME stands for in TABLE; false when it names none.
template <typename Value, size_t N>
bool Find(const std::pair<const char*, Value> (&table)[N], const std::string& name, Value* value)
{
    for (const auto& [key, found] : table)
        if (name == key) {
            *value = found;
            return true;
        }
    return false;
}

const std::pair<const char*, platform::Key> kKeys[] = {
    {"left", platform::Key::kLeft}, {"right", platform::Key::kRight}, {"up", platform::Key::kUp},
    {"down", platform::Key::kDown}, {"home", platform::Key::kHome},   {"end", platform::Key::kEnd}};

const std::pair<const char*, unsigned> kCommands[] = {
    {"about", kCommandAbout},           {"pause", kCommandPause},
    {"single-step", kCommandSingleStep}, {"exit", kCommandExit},
    {"change-shape", kCommandChangeShape}, {"rotate", kCommandRotate},
    {"light1", kCommandLight1Enabled},  {"light1-glass", kCommandLight1Glass},
    {"light1-move", kCommandLight1Move}, {"light2", kCommandLight2Enabled},
    {"light2-glass", kCommandLight2Glass}, {"light2-move", kCommandLight2Move},
    {"shadow", kCommandShadow}};

// A menu command by name or by numeric id (0 to 65535).
bool ParseCommandId(const std::string& name, unsigned* id)
{
    int number = 0;
    if (!ParseInt(name.c_str(), 0, 0xFFFF, &number))
        return Find(kCommands, name, id);
    *id = unsigned(number);
    return true;
}

constexpr long kMaxFrames = 100000000;

// One option with its value; false when the value is malformed or out of range.
bool ParseValue(const std::string& option, const std::string& value, SnapshotOptions* options)
{
    if (option == "--assets") {
        options->assets = value;
        options->assetsGiven = true;
        return true;
    }
    if (option == "--size")  // any positive size parses; main refuses what it cannot draw
        return ParsePair(value, 'x', 1, 0x7FFFFFFF, &options->width, &options->height);
    if (option == "--frames")
        return ParseInt(value.c_str(), 1, kMaxFrames, &options->frames);
    if (option == "--step-ms")
        return ParseInt(value.c_str(), 0, 1000000, &options->stepMs);
    if (option == "--command") {
        SnapshotCommand command{};
        const size_t at = value.find('@');
        const bool ok = at != std::string::npos &&
                        ParseCommandId(value.substr(0, at), &command.id) &&
                        ParseInt(value.substr(at + 1).c_str(), 0, kMaxFrames, &command.frame);
        if (ok)
            options->commands.push_back(command);
        return ok;
    }
    if (option == "--key") {
        const size_t at = value.find('@');
        SnapshotKeyHold hold{};
        const bool ok = at != std::string::npos && Find(kKeys, value.substr(0, at), &hold.key) &&
                        ParsePair(value.substr(at + 1), ':', 0, kMaxFrames, &hold.from, &hold.to) &&
                        hold.from <= hold.to;
        if (ok)
            options->keys.push_back(hold);
        return ok;
    }
    if (option == "--color-bits")
        return ParseInt(value.c_str(), 1, 64, &options->colorBits);
    if (option == "--stencil-bits")
        return ParseInt(value.c_str(), 0, 255, &options->stencilBits);
    if (option == "--answer") {
        options->answerYes = value == "yes";
        return value == "yes" || value == "no";
    }
    std::string& text = option == "--passes" ? options->passes : options->out;
    text = value;
    return !value.empty();
}

// The options that take a value, each parsed by ParseValue.
const std::set<std::string> kValued = {"--assets",     "--size",         "--frames", "--step-ms",
                                       "--command",    "--key",          "--answer", "--out",
                                       "--color-bits", "--stencil-bits", "--passes"};

}  // namespace

bool ParseSnapshotOptions(int argc, char** argv, SnapshotOptions* options, std::string* error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            options->help = true;
            return true;
        }
        if (option == "--bench" || option == "--full-extent") {
            (option == "--bench" ? options->bench : options->fullExtent) = true;
            continue;
        }
        if (kValued.count(option) == 0) {
            *error = "unknown option " + option;
            return false;
        }
        if (i + 1 >= argc) {
            *error = "missing value for " + option;
            return false;
        }
        const std::string value = argv[++i];
        if (!ParseValue(option, value, options)) {
            *error = "bad value for " + option + ": '" + value + "'";
            return false;
        }
    }
    // A command scheduled for a frame that is never begun would silently do nothing.
    for (const SnapshotCommand& command : options->commands)
        if (command.frame >= options->frames) {
            *error = "command at frame " + std::to_string(command.frame) +
                     " comes after the last frame, " + std::to_string(options->frames - 1);
            return false;
        }
    return true;
}
