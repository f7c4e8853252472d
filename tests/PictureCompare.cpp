// picture_compare: renders every golden case with two builds of corvane-snapshot, the final
// frame and each pass of it, and compares them picture by picture. A picture passes when at
// least 99.5 % of its pixels are within 2 levels in every channel and the mean absolute
// difference over all channels is below 0.5 levels. Prints one line per picture; exit 0 when
// all pass, 1 when one does not or is missing, 2 when a run or the usage fails.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "GoldenCases.h"
#include "tools/png/PngFile.h"

namespace fs = std::filesystem;

namespace {

constexpr double kWithinShare = 99.5;  // % of pixels, at least
constexpr int kWithinLevels = 2;
constexpr double kMaxMeanLevels = 0.5;  // below

// Runs the snapshot for one case into DIR (final.png and the passes); false on failure.
bool Render(const std::string& snapshot, const std::string& assets, const GoldenCase& golden,
            const fs::path& dir)
{
    std::vector<std::string> args = {snapshot, "--assets", assets, "--size",
                                      std::to_string(kGoldenWidth) + "x" +
                                          std::to_string(kGoldenHeight),
                                      "--frames", std::to_string(golden.frames),
                                      "--out", (dir / "final.png").string(),
                                      "--passes", (dir / "passes").string()};
    for (unsigned id : golden.commands)
        args.insert(args.end(), {"--command", std::to_string(id) + "@0"});
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// Compares one picture of the two runs and prints its line; false when it fails.
bool Compare(const std::string& name, const fs::path& reference, const fs::path& candidate)
{
    int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
    std::vector<uint8_t> a, b;
    if (!ReadPng(reference.string(), &w1, &h1, &a) || !ReadPng(candidate.string(), &w2, &h2, &b) ||
        w1 != w2 || h1 != h2) {
        std::printf("%-44s missing or of another size: FAIL\n", name.c_str());
        return false;
    }
    int worst = 0;
    long within = 0, sum = 0;
    for (size_t i = 0; i < a.size(); i += 3) {
        int pixelWorst = 0;
        for (size_t c = i; c < i + 3; ++c) {
            const int d = std::abs(int(a[c]) - int(b[c]));
            pixelWorst = std::max(pixelWorst, d);
            sum += d;
        }
        worst = std::max(worst, pixelWorst);
        within += pixelWorst <= kWithinLevels ? 1 : 0;
    }
    const double share = 100.0 * within / double(w1) / double(h1);
    const double mean = double(sum) / double(a.size());
    const bool pass = share >= kWithinShare && mean < kMaxMeanLevels;
    std::printf("%-44s %5d %11.3f %8.4f  %s\n", name.c_str(), worst, share, mean,
                pass ? "ok" : "FAIL");
    return pass;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fputs("usage: picture_compare REFERENCE_SNAPSHOT CANDIDATE_SNAPSHOT ASSETS\n", stderr);
        return 2;
    }
    char pattern[] = "/tmp/corvane-compare-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("picture_compare: mkdtemp");
        return 2;
    }
    const fs::path work = pattern;
    std::printf("%-44s %5s %11s %8s\n", "picture", "worst", "% within 2", "MAE");
    bool allPass = true;
    int status = 0;
    for (const GoldenCase& golden : kGoldenCases) {
        const fs::path reference = work / golden.name / "reference";
        const fs::path candidate = work / golden.name / "candidate";
        fs::create_directories(reference);
        fs::create_directories(candidate);
        if (!Render(argv[1], argv[3], golden, reference) ||
            !Render(argv[2], argv[3], golden, candidate)) {
            std::fprintf(stderr, "picture_compare: a snapshot of %s failed\n", golden.name);
            status = 2;
            break;
        }
        allPass = Compare(std::string(golden.name), reference / "final.png",
                          candidate / "final.png") && allPass;
        std::vector<fs::path> passes;  // NN-name.png, in order; not the contact sheet
        for (const auto& entry : fs::directory_iterator(reference / "passes"))
            if (entry.path().extension() == ".png" && entry.path().stem() != "sheet")
                passes.push_back(entry.path().filename());
        std::sort(passes.begin(), passes.end());
        for (const fs::path& pass : passes)
            allPass = Compare(std::string(golden.name) + "/" + pass.stem().string(),
                              reference / "passes" / pass, candidate / "passes" / pass) &&
                      allPass;
    }
    fs::remove_all(work);
    return status ? status : allPass ? 0 : 1;
}
